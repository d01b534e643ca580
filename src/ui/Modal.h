#pragma once

class QDialog;

namespace ui {

// Runs modal dialogs of the program's own; behind a seam so that tests answer them.
class Modal {
public:
    virtual ~Modal() = default;
    // Shows the dialog modally and returns its result when the user has closed it.
    virtual int exec(QDialog& dialog) = 0;
};

class ModalLoop : public Modal {
public:
    int exec(QDialog& dialog) override;
};

} // namespace ui
