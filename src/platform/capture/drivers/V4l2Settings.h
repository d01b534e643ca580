#pragma once

#include "platform/capture/SourceSettings.h"

#include <string>

namespace platform {

// A V4L2 camera's source dialog: its controls and inputs, set on the device itself, which
// keeps them only while it has power; what the user set and took with OK is kept in the
// driver's key and put back at every connect.
class V4l2Settings : public SourceSettings {
public:
    V4l2Settings(std::string node, SettingsKey key)
        : node_(std::move(node)), key_(std::move(key)) {}
    std::unique_ptr<SourcePanel> panel(QDialog& dialog, QFormLayout& form,
                                       PreviewPipeline* pipeline) override;
    void putBack() override;

private:
    std::string node_;
    SettingsKey key_;
};

} // namespace platform
