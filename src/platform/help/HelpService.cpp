#include "platform/help/HelpService.h"

#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>

namespace platform {

HelpDocument readHelpFile(const QString& helpFile) {
    QFile file(helpFile);
    if (!file.open(QIODevice::ReadOnly))
        return {{},
                QStringLiteral("Cannot open the help file \"%1\": %2.")
                    .arg(helpFile, file.errorString())};
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {{},
                QStringLiteral("Cannot read the help file \"%1\": %2.")
                    .arg(helpFile, file.errorString())};
    return {QString::fromUtf8(text), {}};
}

HelpViewerService::~HelpViewerService() {
    delete viewer_;
}

void HelpViewerService::showContents(const QString& helpFile) {
    const HelpDocument doc = readHelpFile(helpFile);
    if (!doc.error.isEmpty()) {
        // Not modal: the help system's complaint must not hold up the program.
        auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Help"), doc.error);
        box->setObjectName(QStringLiteral("HelpError"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
        return;
    }
    if (!viewer_) {
        viewer_ = new QTextBrowser;
        viewer_->setObjectName(QStringLiteral("HelpViewer"));
        viewer_->setOpenExternalLinks(false);
        viewer_->resize(560, 620);
    }
    viewer_->setHtml(doc.html);
    const QString title = viewer_->documentTitle();
    viewer_->setWindowTitle(title.isEmpty() ? QStringLiteral("Help") : title);
    viewer_->show();
    viewer_->raise();
    // A Wayland compositor gives the focus itself and the toolkit warns at every request.
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        viewer_->activateWindow();
}

} // namespace platform
