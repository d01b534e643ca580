#pragma once

#include "platform/capture/DriverTable.h"

#include <QImage>
#include <QJsonArray>
#include <QString>
#include <QStringList>

#include <string>

namespace test {

// The emulated webcams of this test process. The process runs with the emulator preloaded
// and its files named by the environment (FAKECAM_CONFIG, FAKECAM_DEVICE_DIR, FAKECAM_LOG,
// and NIMBACAST_DEVICE_DIR pointing at the same device directory).
class EmulatedCameras {
public:
    // Whether this process runs with the emulator.
    static bool available();

    // Puts these cameras (a JSON list of camera objects) in place of any there were, every
    // one plugged in, with an empty log. Each camera gets an unplug file of its own, and a
    // camera that lists no formats offers raw 640 x 480 at 30 frames a second.
    explicit EmulatedCameras(const std::string& camerasJson);
    // No cameras any more.
    ~EmulatedCameras();
    EmulatedCameras(const EmulatedCameras&) = delete;
    EmulatedCameras& operator=(const EmulatedCameras&) = delete;

    // The machine's drivers as the program finds them: the cameras, then the test pattern.
    static platform::DriverTable machineDrivers();

    // The emulator's log lines since the cameras were put in place, or since the last
    // clearLog(), for one node.
    QStringList log(const QString& node = QStringLiteral("video0")) const;
    void clearLog() const;

    // Gives the cameras another config (fresh cameras at their defaults), each staying
    // plugged in or unplugged as it is.
    void reconfigure(const std::string& camerasJson) const;

    // Pulls the camera of that node from its port, or plugs it in again.
    void unplug(const QString& node = QStringLiteral("video0")) const;
    void replug(const QString& node = QStringLiteral("video0")) const;

    QString deviceDirectory() const;

private:
    QString unplugFile(const QString& node) const;
    // The emulator's list of these cameras, each with its unplug file and formats.
    QJsonArray configured(const std::string& camerasJson) const;
};

// The picture every emulated camera shows: four bands of flat colour (red, green, blue,
// yellow from left to right) under a strip of frame-counter blocks. The largest difference
// of any colour channel between the picture's bands and `image`'s, at the middle of each
// band; 255 when the image is null.
int bandDifference(const QImage& image);

} // namespace test
