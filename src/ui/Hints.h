#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace ui {

// A hint is a tooltip part and a long part split at the first vertical bar; nothing is
// trimmed, and a hint without a bar serves as both.
struct HintParts {
    QString shortPart;
    QString longPart;
};
HintParts splitHint(const QString& hint);

// Gives a control its hint: the short part becomes its tooltip (none when empty), the
// whole text is kept for the hint machinery.
void setHint(QWidget* control, const QString& hint);
QString hintOf(const QWidget* control);

// The application's hint machinery: it follows the control under the pointer and keeps
// the long part of the hint in force there. A control without a hint of its own takes the
// hint of its nearest enclosing control that has one. hintChanged is emitted only when the
// long hint changes.
class HintMachine : public QObject {
    Q_OBJECT
public:
    HintMachine();
    ~HintMachine() override;

    // Hints on: the machinery follows the pointer over every window of the application.
    void setShowHints(bool on);

    const QString& currentLongHint() const { return longHint_; }

    // The pointer now rests on `control` (null: on no window of the application).
    void pointerOver(const QWidget* control);

signals:
    void hintChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool on_ = false;
    QString longHint_;
};

} // namespace ui
