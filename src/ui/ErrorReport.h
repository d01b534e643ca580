#pragma once

#include <QApplication>
#include <QString>

#include <stdexcept>

namespace ui {

class Messages;

// The one error type of the toolkit layer: a picture that cannot be loaded or saved, a
// media file that cannot be opened. Raised in a handler, it ends that handler and is shown
// by the application's standard error report; the program goes on.
class ToolkitError : public std::runtime_error {
public:
    explicit ToolkitError(const QString& text) : std::runtime_error(text.toStdString()) {}
    QString text() const { return QString::fromStdString(what()); }
};

// The application object: the application title and the standard error report.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    const QString& title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }

    // Where the standard error report goes; not owned. Null: standard error only.
    void setMessages(Messages* messages) { messages_ = messages; }

    // The standard error report: a message box with the text, under the application title.
    void reportError(const QString& text);

private:
    QString title_;
    Messages* messages_ = nullptr;
};

// The running application object.
Application& application();

} // namespace ui
