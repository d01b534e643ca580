#pragma once
// The process-wide state of the emulator: which files are emulated nodes (from the config,
// re-read whenever it changes), and which descriptors the program holds on them.

#include "Camera.h"
#include "Log.h"
#include "PlugWatch.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <unordered_map>

namespace fakecam {

class Emulator {
public:
    // The one emulator of this process; nullptr when FAKECAM_CONFIG or FAKECAM_DEVICE_DIR
    // is not set, and in a child between fork and exec.
    static Emulator* get();

    // True while the program holds any emulated descriptor: the fast path of every
    // descriptor call asks this first.
    bool hasFiles() const { return fileCount_.load(std::memory_order_acquire) > 0; }

    // open() of path: nullopt when it is not an emulated node; else the descriptor, or -1
    // with errno set.
    std::optional<int> open(const char* path, int flags);
    // The stat of an emulated node, as a character device; false when path is not one.
    bool statNode(const char* path, struct stat& st);
    bool statFile(int fd, struct stat& st);
    std::shared_ptr<OpenFile> file(int fd) const;
    // newFd now stands for file, or for nothing when file is null.
    void setFile(int newFd, std::shared_ptr<OpenFile> file);
    // A directory is listed: when it is the device directory, its nodes are brought up to
    // date with the config first.
    void listing(const char* path);
    // poll/ppoll over fds: callPoll is the real call with the timeout to use, or with a
    // zero timeout when an emulated node already has an error to report.
    template <typename RealPoll> int poll(pollfd* fds, nfds_t count, RealPoll callPoll);

    const Log& log() const { return log_; }
    bool tracing() const { return trace_; }

private:
    struct Node {
        std::shared_ptr<Camera> camera;
        NodeRole role;
        unsigned minor;
    };
    struct Identity {
        bool present = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        bool operator==(const Identity& o) const {
            return present == o.present && device == o.device && inode == o.inode &&
                   size == o.size && modified.tv_sec == o.modified.tv_sec &&
                   modified.tv_nsec == o.modified.tv_nsec;
        }
    };

    Emulator(std::string config, std::string directory, std::string sysfs, std::string log,
             bool trace);
    static Emulator* create();
    static Emulator*& instance();

    // The node name when path names an entry of the device directory.
    std::optional<std::string> nodeName(const char* path) const;
    std::optional<Node> node(const std::string& name);
    // Re-reads the config when its file changed; the configMutex_ is held.
    void refresh();
    void placePlaceholders(const std::map<std::string, Node>& before);
    // A node's placeholder and sysfs name, made or taken away.
    void makeNodeFiles(const std::string& name, const std::string& card) const;
    void removeNodeFiles(const std::string& name) const;
    // Every camera follows its unplug file now (the plug watch saw one come or go).
    void followPlugs();
    // The node's sysfs directory, as the kernel has class/video4linux/<node>/name.
    std::string sysfsNode(const std::string& name) const {
        return sysfs_ + "/class/video4linux/" + name;
    }
    void writeSysfsName(const std::string& name, const std::string& card) const;
    void removeSysfsName(const std::string& name) const;
    std::string placeholder(const std::string& name) const { return directory_ + "/" + name; }

    const std::string configPath_;
    const std::string directory_;
    const std::string sysfs_; // empty: no sysfs files
    std::string realDirectory_;
    const Log log_;
    const bool trace_;
    std::atomic<bool> forked_{false};

    mutable std::mutex configMutex_;
    Identity identity_;
    std::map<std::string, Node> nodes_;
    std::unique_ptr<PlugWatch> plugWatch_; // made with the first camera that has an unplug file

    mutable std::mutex filesMutex_;
    std::unordered_map<int, std::shared_ptr<OpenFile>> files_;
    std::atomic<int> fileCount_{0};
};

template <typename RealPoll> int Emulator::poll(pollfd* fds, nfds_t count, RealPoll callPoll) {
    std::vector<std::shared_ptr<OpenFile>> owned(count);
    std::vector<short> asked(count);
    std::vector<bool> gone(count);
    bool anyOwned = false;
    bool anyGone = false;
    for (nfds_t i = 0; i < count; ++i) {
        owned[i] = fds[i].fd >= 0 ? file(fds[i].fd) : nullptr;
        if (owned[i]) {
            anyOwned = true;
            gone[i] = owned[i]->camera().gone(*owned[i]);
            anyGone = anyGone || gone[i];
            // Only readability is signalled on the eventfd; its POLLOUT means nothing here.
            asked[i] = fds[i].events;
            fds[i].events = (asked[i] & (POLLIN | POLLRDNORM)) ? POLLIN : 0;
        }
    }
    if (!anyOwned) {
        return callPoll(false);
    }
    int result = callPoll(anyGone);
    if (result < 0) {
        for (nfds_t i = 0; i < count; ++i) {
            if (owned[i]) {
                fds[i].events = asked[i];
            }
        }
        return result;
    }
    result = 0;
    for (nfds_t i = 0; i < count; ++i) {
        if (owned[i]) {
            fds[i].events = asked[i];
            const bool readable = fds[i].revents & POLLIN;
            if (gone[i] || owned[i]->camera().gone(*owned[i])) {
                // What the kernel answers for a node whose device went away.
                fds[i].revents = static_cast<short>(POLLERR | POLLHUP | (asked[i] & POLLPRI));
            } else {
                fds[i].revents =
                    readable ? static_cast<short>(asked[i] & (POLLIN | POLLRDNORM)) : 0;
            }
        }
        result += fds[i].revents != 0;
    }
    return result;
}

} // namespace fakecam
