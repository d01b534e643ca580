#pragma once

#include <QFont>
#include <QWidget>

namespace app {

// A single, fixed border with the system menu and the minimise box only.
inline constexpr Qt::WindowFlags kFixedToolWindow =
    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;

// The windows' own font: Arial, 8 points.
inline QFont windowFont() {
    return QFont(QStringLiteral("Arial"), 8);
}

} // namespace app
