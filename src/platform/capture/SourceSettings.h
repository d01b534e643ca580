#pragma once

#include <QString>

#include <memory>

class QDialog;
class QFormLayout;

namespace platform {

class PreviewPipeline;
class Registry;

// The registry key in which a driver keeps what its source dialog set, across runs and
// replugs; no registry: nothing is kept.
struct SettingsKey {
    Registry* registry = nullptr;
    QString path;
};

// The controls a driver puts into its "Video Source" dialog, for as long as the dialog is
// open. Every change shows in the preview at once.
class SourcePanel {
public:
    virtual ~SourcePanel() = default;
    // Puts back what there was when the dialog opened (Cancel).
    virtual void restore() = 0;
    // The driver's own defaults (the dialog's "Defaults"); the controls show them.
    virtual void reset() = 0;
    // The user has taken what the dialog shows (OK): a driver that keeps its settings
    // stores them.
    virtual void accept() {}
};

// What a driver's source dialog adjusts for one connection; it lives as long as the
// connection and outlives every dialog and pipeline of it.
class SourceSettings {
public:
    virtual ~SourceSettings() = default;
    // Adds the controls to the dialog's form. `pipeline` is the running preview, or null.
    virtual std::unique_ptr<SourcePanel> panel(QDialog& dialog, QFormLayout& form,
                                               PreviewPipeline* pipeline) = 0;
    // Gives a pipeline built anew for this connection what the dialog has set.
    virtual void apply(PreviewPipeline&) const {}
    // Sets on the device what the driver keeps in its key, before a pipeline streams from
    // it: at every connect, restart and return of the device.
    virtual void putBack() {}
};

} // namespace platform
