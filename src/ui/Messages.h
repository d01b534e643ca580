#pragma once

#include <QString>

namespace ui {

// Modal message boxes of the program, behind a seam so that tests can answer them.
class Messages {
public:
    virtual ~Messages() = default;
    virtual void showError(const QString& caption, const QString& text) = 0;
    virtual void showInformation(const QString& caption, const QString& text) = 0;
};

class MessageBoxes : public Messages {
public:
    void showError(const QString& caption, const QString& text) override;
    void showInformation(const QString& caption, const QString& text) override;
};

} // namespace ui
