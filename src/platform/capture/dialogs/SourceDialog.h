#pragma once

#include "platform/capture/SourceSettings.h"

#include <QDialog>

#include <functional>
#include <memory>

namespace platform {

// The driver's own "Video Source" dialog: what the driver's settings offer (a camera's
// controls and inputs, the test picture's pattern and colour balance). Every change shows in
// the preview at once; "Defaults" brings back the driver's defaults; Cancel puts back what
// was there when the dialog opened.
class VideoSourceDialog : public QDialog {
    Q_OBJECT
public:
    // `settings` and `pipeline` belong to the capture window and outlive the dialog;
    // `pipeline` may be null when no preview runs.
    VideoSourceDialog(SourceSettings& settings, PreviewPipeline* pipeline, QWidget* parent);
    ~VideoSourceDialog() override;

    void accept() override;
    void reject() override;

private:
    std::unique_ptr<SourcePanel> panel_;
};

// Runs the driver's source dialog with `run` (the dialog's own loop when empty).
void showSourceDialog(SourceSettings& settings, PreviewPipeline* pipeline,
                      const std::function<int(QDialog&)>& run, QWidget* parent);

} // namespace platform
