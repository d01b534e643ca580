#pragma once
// The kernel tells a program of a camera plugged in (its node appears in the device
// directory) whether or not the program is making a call on it. The emulator follows its
// cameras' unplug files the same way: a thread waits on inotify for them to come and go.

#include "Real.h"

#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace fakecam {

class PlugWatch {
public:
    // `changed` runs on the watch's thread after any entry of a watched directory came or went.
    explicit PlugWatch(std::function<void()> changed);
    ~PlugWatch();
    PlugWatch(const PlugWatch&) = delete;
    PlugWatch& operator=(const PlugWatch&) = delete;

    // Watches the directory that holds this file (once per directory).
    void watchFileIn(const std::string& file);

private:
    void run();

    std::function<void()> changed_;
    UniqueFd inotify_;
    UniqueFd stop_;
    std::mutex mutex_;
    std::set<std::string> directories_;
    std::thread thread_;
};

} // namespace fakecam
