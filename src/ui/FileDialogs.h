#pragma once

#include <QString>
#include <QStringList>

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

// The program's file dialogs, behind a seam so that tests answer them from a script.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The chosen path, or nothing when the user cancels.
    virtual std::optional<QString> getSaveFileName(QWidget* parent,
                                                   const FileDialogOptions& options) = 0;
};

// Qt's own file dialog; the same on every desktop, and scriptable under a test X server.
class QtFileDialogs : public FileDialogs {
public:
    std::optional<QString> getSaveFileName(QWidget* parent,
                                           const FileDialogOptions& options) override;
};

// "JPEG file|*.jpg|BMP file|*.bmp" as Qt name filters: "JPEG file (*.jpg)", ...
QStringList nameFilters(const QString& filter);

// The path with `suffix` appended when its file name has no extension of its own.
QString withDefaultSuffix(const QString& path, const QString& suffix);

} // namespace ui
