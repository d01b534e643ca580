#pragma once

#include "platform/capture/DriverTable.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <vector>

namespace platform {

class PreviewPipeline;
}
class QVBoxLayout;
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

// The driver's own "Video Source" dialog: a device's picture controls and inputs, or the
// test picture's pattern and colour balance. Every change shows in the preview at once;
// "Defaults" brings back the driver's defaults; Cancel puts back what was there when the
// dialog opened.
class VideoSourceDialog : public QDialog {
    Q_OBJECT
public:
    // `look` and `pipeline` belong to the capture window and outlive the dialog; `pipeline`
    // may be null when no preview runs.
    VideoSourceDialog(const DriverSpec& driver, PreviewPipeline* pipeline, TestPictureLook& look,
                      QWidget* parent);

    void reject() override;

private:
    void buildTestPicture();
    void buildDevice();
    void addButtons(QVBoxLayout& layout);
    // Shows the test picture's look in the running preview.
    void showLook();

    const DriverSpec& driver_;
    PreviewPipeline* pipeline_;
    TestPictureLook& look_;
    TestPictureLook lookAtStart_;
    // How to put a device's controls back as they were, and how to set them to defaults.
    std::vector<std::function<void()>> restore_;
    std::vector<std::function<void()>> defaults_;
    std::function<void()> refresh_;
};

} // namespace platform
