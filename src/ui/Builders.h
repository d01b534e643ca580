#pragma once

#include <QRect>
#include <QSize>

class QFont;
class QFrame;
class QIcon;
class QLabel;
class QString;
class QToolButton;
class QWidget;

// The controls the program's windows are built of, each at its absolute place with its
// system name as object name.
namespace ui {

// A tool button showing `icon` at `iconSize`; it takes the focus by the keyboard only.
QToolButton* makeToolButton(QWidget* parent, const char* name, const QRect& geometry,
                            const QIcon& icon, QSize iconSize);
// A panel of buttons: a lowered outer bevel around a raised inner one.
QFrame* makePanel(QWidget* parent, const char* name, const QRect& geometry);
// A raised bar between parts of a panel, with the pointer that says it parts them.
QFrame* makeSplitter(QWidget* parent, const char* name, const QRect& geometry);
// A label of one line in `font`.
QLabel* makeLabel(QWidget* parent, const char* name, const QRect& geometry, const QString& text,
                  const QFont& font);

} // namespace ui
