#pragma once

#include "platform/capture/SourceSettings.h"

#include <QString>

namespace platform {

// How the test picture looks: its pattern and its colour balance.
struct TestPictureLook {
    QString pattern = QStringLiteral("smpte");
    double brightness = 0; // -1 .. 1
    double contrast = 1;   // 0 .. 2
    double saturation = 1; // 0 .. 2
    double hue = 0;        // -1 .. 1
    friend bool operator==(const TestPictureLook&, const TestPictureLook&) = default;
};

// Gives a running test picture that look.
void applyLook(PreviewPipeline& pipeline, const TestPictureLook& look);

// The test picture's source dialog: its pattern and colour balance, kept for the connection.
class TestPictureSettings : public SourceSettings {
public:
    const TestPictureLook& look() const { return look_; }

    std::unique_ptr<SourcePanel> panel(QDialog& dialog, QFormLayout& form,
                                       PreviewPipeline* pipeline) override;
    void apply(PreviewPipeline& pipeline) const override { applyLook(pipeline, look_); }

private:
    TestPictureLook look_;
};

// How the test picture of these settings looks; the default look for another driver's.
TestPictureLook lookOf(const SourceSettings* settings);

} // namespace platform
