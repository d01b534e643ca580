#pragma once

#include <QProcess>
#include <QStringList>

#include <string>

namespace test {

// A virtual camera node of the test's PipeWire daemon (tests/pipewire/virtual-camera.c): it
// is there from the constructor on, and goes away with the object or with remove().
class VirtualCamera {
public:
    // Whether this process runs beside a daemon of its own (run-with-pipewire.sh).
    static bool available();

    // A node of that name and description, with extra node properties ("key=value").
    VirtualCamera(const QString& nodeName, const QString& description,
                  const QStringList& properties = {});
    ~VirtualCamera();
    VirtualCamera(const VirtualCamera&) = delete;
    VirtualCamera& operator=(const VirtualCamera&) = delete;

    // Takes the node away, as a camera that is unplugged or handed to another program.
    void remove();
    // Why the camera did not come up; empty when it did.
    const std::string& failure() const { return failure_; }

private:
    QProcess process_;
    QString nodeName_;
    std::string failure_;
};

} // namespace test

#define REQUIRE_PIPEWIRE()                                                                         \
    if (!test::VirtualCamera::available())                                                         \
    GTEST_SKIP() << "needs a PipeWire daemon of its own (tests/pipewire, run by ctest)"
