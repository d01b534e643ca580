#pragma once

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

// What reading a help file gave: the document, or why there is none.
struct HelpDocument {
    QString html;
    QString error;
};
HelpDocument readHelpFile(const QString& helpFile);

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
