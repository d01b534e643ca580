#include "platform/capture/dialogs/SourceDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace platform {

VideoSourceDialog::VideoSourceDialog(SourceSettings& settings, PreviewPipeline* pipeline,
                                     QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("VideoSource"));
    setWindowTitle(QStringLiteral("Video Source"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    panel_ = settings.panel(*this, *form, pipeline);

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults, this);
    QPushButton* defaults = buttons->button(QDialogButtonBox::RestoreDefaults);
    defaults->setText(QStringLiteral("&Defaults"));
    defaults->setObjectName(QStringLiteral("Defaults"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(defaults, &QPushButton::clicked, this, [this] { panel_->reset(); });
}

VideoSourceDialog::~VideoSourceDialog() = default;

void VideoSourceDialog::accept() {
    if (panel_)
        panel_->accept();
    QDialog::accept();
}

void VideoSourceDialog::reject() {
    panel_->restore();
    QDialog::reject();
}

void showSourceDialog(SourceSettings& settings, PreviewPipeline* pipeline,
                      const std::function<int(QDialog&)>& run, QWidget* parent) {
    VideoSourceDialog dialog(settings, pipeline, parent);
    if (run)
        run(dialog);
    else
        dialog.exec();
}

} // namespace platform
