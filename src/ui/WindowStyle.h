#pragma once

#include <QFont>
#include <QWidget>

namespace ui {

// A single, fixed border with the system menu and the minimise box only.
inline constexpr Qt::WindowFlags kFixedToolWindow =
    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;

// A dialog's single, fixed border with the system menu and the close box only.
inline constexpr Qt::WindowFlags kFixedDialog = Qt::Dialog | Qt::CustomizeWindowHint |
                                                Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                                Qt::WindowCloseButtonHint;

// The windows' own font: Arial, 8 points.
inline QFont windowFont() {
    return QFont(QStringLiteral("Arial"), 8);
}

// The dialogs' font: MS Sans Serif, 8 points, or the nearest sans serif of like width
// where the machine has no such font.
inline QFont dialogFont() {
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arial")});
    return font;
}

// Times New Roman, or the serif of the same widths where the machine has no such font; the
// caller gives the size.
inline QFont serifFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")});
    return font;
}

} // namespace ui
