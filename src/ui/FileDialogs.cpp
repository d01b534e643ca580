#include "ui/FileDialogs.h"

#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>

namespace ui {

namespace {

// Calls back when the dialog it watches comes up.
class ShowWatcher : public QObject {
public:
    explicit ShowWatcher(std::function<void()> shown) : shown_(std::move(shown)) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show && !event->spontaneous() && shown_)
            shown_();
        return false;
    }

private:
    std::function<void()> shown_;
};

} // namespace

QStringList nameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << QStringLiteral("%1 (%2)").arg(parts[i], parts[i + 1]);
    return filters;
}

QString withDefaultSuffix(const QString& path, const QString& suffix) {
    if (suffix.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + QLatin1Char('.') + suffix;
}

std::optional<QString> QtFileDialogs::getSaveFileName(QWidget* parent,
                                                      const FileDialogOptions& options) {
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!options.confirmOverwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filters = nameFilters(options.filter);
    dialog.setNameFilters(filters);
    if (options.filterIndex >= 1 && options.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[options.filterIndex - 1]);
    dialog.setDefaultSuffix(options.defaultSuffix);
    if (!options.fileName.isEmpty())
        dialog.selectFile(options.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace ui

namespace ui {

std::optional<OpenDialogState> QtFileDialogs::getOpenFileName(QWidget* parent,
                                                              const FileDialogOptions& options,
                                                              const OpenDialogEvents& events) {
    // Qt's own dialog, not the desktop's: it has both events and takes a typed full path.
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QStringList filters = nameFilters(options.filter);
    dialog.setNameFilters(filters);
    if (options.filterIndex >= 1 && options.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[options.filterIndex - 1]);
    if (!options.fileName.isEmpty())
        dialog.selectFile(options.fileName);

    const auto filterIndex = [&] { return int(filters.indexOf(dialog.selectedNameFilter())) + 1; };
    const auto selectedFile = [&] {
        const QStringList selected = dialog.selectedFiles();
        if (selected.isEmpty() || QFileInfo(selected.constFirst()).isDir())
            return QString();
        return selected.constFirst();
    };
    ShowWatcher watcher([&] {
        if (events.onShow)
            events.onShow({filterIndex(), selectedFile()});
    });
    dialog.installEventFilter(&watcher);
    QObject::connect(&dialog, &QFileDialog::currentChanged, &dialog, [&](const QString& path) {
        if (events.onSelectionChange)
            events.onSelectionChange({filterIndex(), path});
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return OpenDialogState{filterIndex(), dialog.selectedFiles().constFirst()};
}

} // namespace ui
