#pragma once

#include "platform/Result.h"

#include <QPointer>
#include <QString>
#include <QTextBrowser>

namespace platform {

// The help system: shows the contents of a help file in a viewer window of its own. A file
// that cannot be read is reported by the help system itself, naming the file and the reason.
class HelpService {
public:
    virtual ~HelpService() = default;
    virtual void showContents(const QString& helpFile) = 0;
};

// The help file is read like the other small files of the start-up directory: a regular file
// of modest size, opened without blocking, so that a device or a FIFO in its place is refused.
// Gives the document's HTML, or says why there is none, naming the file.
Result<QString> readHelpFile(const QString& helpFile);

// The largest help file read; the shipped one holds a few kilobytes.
inline constexpr qint64 kMaxHelpFile = qint64(4) << 20;

// A viewer of the help text alone: it loads nothing the text names (an image, a style
// sheet, another document), and a link within the text only scrolls to its anchor.
class HelpViewer : public QTextBrowser {
public:
    HelpViewer();
    QVariant loadResource(int type, const QUrl& name) override;
};

class HelpViewerService : public HelpService {
public:
    HelpViewerService() = default;
    ~HelpViewerService() override;
    HelpViewerService(const HelpViewerService&) = delete;
    HelpViewerService& operator=(const HelpViewerService&) = delete;

    void showContents(const QString& helpFile) override;

    // The viewer window once it has been shown; for whoever needs to look at it.
    QTextBrowser* viewer() const { return viewer_; }

private:
    QPointer<QTextBrowser> viewer_;
};

} // namespace platform
