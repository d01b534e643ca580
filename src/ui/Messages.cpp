#include "ui/Messages.h"

#include <QMessageBox>

namespace ui {

void MessageBoxes::showError(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
    box.setObjectName(QStringLiteral("ErrorReport"));
    box.exec();
}

void MessageBoxes::showInformation(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok);
    box.setObjectName(QStringLiteral("Information"));
    box.exec();
}

} // namespace ui
