#include "platform/help/HelpService.h"

#include "platform/files/SmallFile.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>

namespace platform {

Result<QString> readHelpFile(const QString& helpFile) {
    const Result<QByteArray> text =
        readSmallFile(QFile::encodeName(helpFile).toStdString(), kMaxHelpFile);
    if (!text)
        return Failure(
            QStringLiteral("Cannot read the help file \"%1\": %2.").arg(helpFile, text.why()));
    return QString::fromUtf8(*text);
}

HelpViewer::HelpViewer() {
    setObjectName(QStringLiteral("HelpViewer"));
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        if (link.hasFragment() && link.adjusted(QUrl::RemoveFragment).isEmpty())
            scrollToAnchor(link.fragment());
    });
}

QVariant HelpViewer::loadResource(int type, const QUrl&) {
    // A picture must be given: without one the toolkit loads the named file itself.
    if (type == QTextDocument::ImageResource)
        return QImage(1, 1, QImage::Format_ARGB32_Premultiplied);
    return {};
}

HelpViewerService::~HelpViewerService() {
    delete viewer_;
}

void HelpViewerService::showContents(const QString& helpFile) {
    const Result<QString> doc = readHelpFile(helpFile);
    if (!doc) {
        // Not modal: the help system's complaint must not hold up the program.
        auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Help"), QString());
        box->setObjectName(QStringLiteral("HelpError"));
        // It names a path, which the user's directories choose.
        box->setTextFormat(Qt::PlainText);
        box->setText(doc.why());
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
        return;
    }
    if (!viewer_) {
        viewer_ = new HelpViewer;
        viewer_->resize(560, 620);
    }
    viewer_->setHtml(*doc);
    const QString title = viewer_->documentTitle();
    viewer_->setWindowTitle(title.isEmpty() ? QStringLiteral("Help") : title);
    viewer_->show();
    viewer_->raise();
    // A Wayland compositor gives the focus itself and the toolkit warns at every request.
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        viewer_->activateWindow();
}

} // namespace platform
