#pragma once

#include "platform/capture/SourceSettings.h"

#include <string>

namespace platform {

// A V4L2 camera's source dialog: its controls and inputs, set on the device itself, which
// keeps them for as long as it is plugged in.
class V4l2Settings : public SourceSettings {
public:
    explicit V4l2Settings(std::string node) : node_(std::move(node)) {}
    std::unique_ptr<SourcePanel> panel(QDialog& dialog, QFormLayout& form,
                                       PreviewPipeline* pipeline) override;

private:
    std::string node_;
};

} // namespace platform
