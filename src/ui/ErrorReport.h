#pragma once

#include <QApplication>
#include <QPointer>
#include <QString>
#include <QStringList>

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
    Messages* messages() const { return messages_; }

    // The standard error report: a message box with the text, under the application title.
    // The box opens once the event being handled has finished, never inside it, and a
    // control the user still holds pressed is let go first, so that it cannot repeat the
    // failing action behind the box. Reports raised before the box opens share it.
    void reportError(const QString& text);
    // The same box at once, for the start-up path where no event loop runs yet.
    void reportErrorNow(const QString& text);

private:
    void showPendingReports();
    void releasePressedControl();

    QString title_;
    Messages* messages_ = nullptr;
    QStringList pending_;
    bool scheduled_ = false;
    // The control that took the last mouse press and has not seen its release.
    QPointer<QWidget> pressed_;
    Qt::MouseButton pressedButton_ = Qt::NoButton;
};

// The running application object.
Application& application();

} // namespace ui
