#include "ui/Builders.h"

#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QToolButton>

namespace ui {

QToolButton* makeToolButton(QWidget* parent, const char* name, const QRect& geometry,
                            const QIcon& icon, QSize iconSize) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    button->setIcon(icon);
    button->setIconSize(iconSize);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

QFrame* makePanel(QWidget* parent, const char* name, const QRect& geometry) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setFrameShape(QFrame::Box);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setGeometry(geometry);
    return panel;
}

QFrame* makeSplitter(QWidget* parent, const char* name, const QRect& geometry) {
    auto* bar = new QFrame(parent);
    bar->setObjectName(QLatin1String(name));
    bar->setGeometry(geometry);
    bar->setFrameStyle(QFrame::Panel | QFrame::Raised);
    bar->setCursor(Qt::SplitHCursor);
    return bar;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QRect& geometry, const QString& text,
                  const QFont& font) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(font);
    label->setGeometry(geometry);
    return label;
}

} // namespace ui
