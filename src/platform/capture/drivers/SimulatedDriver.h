#pragma once

#include "platform/capture/drivers/TestPatternDriver.h"

namespace platform {

// What the simulated drivers file makes a driver do that a camera can.
struct SimulatedBehaviour {
    // false: the driver refuses every connect.
    bool acceptsConnect = true;
    bool hasFormatDialog = true;
    bool hasSourceDialog = true;
    // Falls silent after this many frames (0: it never delivers one), without an error, as a
    // camera that stops streaming; -1: it never does.
    int stallAfterFrames = -1;
    // Its device goes away after this many frames, with the error a camera pulled from its
    // port gives; -1: it never does.
    int failAfterFrames = -1;
};

// A driver of the simulated drivers file: the moving test picture at its own sizes, which
// may refuse to connect, fall silent or go away after some frames as a camera can.
class SimulatedDriver : public TestPatternDriver {
public:
    explicit SimulatedDriver(DriverSpec spec, TestPicture picture = {},
                             SimulatedBehaviour behaviour = {});

    bool acceptsConnect() const override { return behaviour_.acceptsConnect; }
    bool hasFormatDialog() const override { return behaviour_.hasFormatDialog; }
    void attach(PreviewPipeline& pipeline) const override;
    std::unique_ptr<SourceSettings> sourceSettings(const SettingsKey& key) const override;

private:
    SimulatedBehaviour behaviour_;
};

} // namespace platform
