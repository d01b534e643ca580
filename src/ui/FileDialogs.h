#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

namespace ui {

// What a file dialog is opened with. The filter has the form "Description|*.ext|..." with
// one pattern per entry; filterIndex counts from 1.
struct FileDialogOptions {
    QString filter;
    int filterIndex = 1;
    QString defaultSuffix;
    QString fileName;
    bool confirmOverwrite = true;
};

// An open dialog at one moment: the filter in force (counting from 1) and the full path of
// the file selected in it (empty when none is).
struct OpenDialogState {
    int filterIndex = 1;
    QString path;
};

// The open dialog's events, each given the dialog as it stands: when it comes up, and
// whenever the selection in it changes (a change of the filter alone is none).
struct OpenDialogEvents {
    std::function<void(const OpenDialogState&)> onShow;
    std::function<void(const OpenDialogState&)> onSelectionChange;
};

// The program's file dialogs, behind a seam so that tests answer them from a script.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The chosen path, or nothing when the user cancels.
    virtual std::optional<QString> getSaveFileName(QWidget* parent,
                                                   const FileDialogOptions& options) = 0;
    // An existing file to open: the confirmed path with the filter in force, or nothing
    // when the user cancels. The dialog starts on options.filterIndex and, when given,
    // options.fileName (and so in that file's folder).
    virtual std::optional<OpenDialogState> getOpenFileName(QWidget* parent,
                                                           const FileDialogOptions& options,
                                                           const OpenDialogEvents& events) = 0;
};

// Qt's own file dialog; the same on every desktop, and scriptable under a test X server.
class QtFileDialogs : public FileDialogs {
public:
    std::optional<QString> getSaveFileName(QWidget* parent,
                                           const FileDialogOptions& options) override;
    std::optional<OpenDialogState> getOpenFileName(QWidget* parent,
                                                   const FileDialogOptions& options,
                                                   const OpenDialogEvents& events) override;
};

// "JPEG file|*.jpg|BMP file|*.bmp" as Qt name filters: "JPEG file (*.jpg)", ...
QStringList nameFilters(const QString& filter);

// The path with `suffix` appended when its file name has no extension of its own.
QString withDefaultSuffix(const QString& path, const QString& suffix);

} // namespace ui
