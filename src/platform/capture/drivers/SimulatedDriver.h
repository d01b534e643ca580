#pragma once

#include "platform/capture/drivers/TestPatternDriver.h"

namespace platform {

// A driver of the simulated drivers file: the moving test picture at its own sizes, which
// may refuse to connect, fall silent or go away after some frames as a camera can.
class SimulatedDriver : public TestPatternDriver {
public:
    using TestPatternDriver::TestPatternDriver;
    void attach(PreviewPipeline& pipeline) const override;
};

} // namespace platform
