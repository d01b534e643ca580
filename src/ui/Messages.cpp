#include "ui/Messages.h"

#include <QMessageBox>

namespace ui {

namespace {

// The texts name devices and files, whose names their makers choose: shown as they are,
// never taken for markup that would load an "image" from anywhere.
void showPlain(QMessageBox::Icon icon, const char* name, const QString& caption,
               const QString& text) {
    QMessageBox box(icon, caption, QString(), QMessageBox::Ok);
    box.setObjectName(QLatin1String(name));
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.exec();
}

} // namespace

void MessageBoxes::showError(const QString& caption, const QString& text) {
    showPlain(QMessageBox::Critical, "ErrorReport", caption, text);
}

void MessageBoxes::showInformation(const QString& caption, const QString& text) {
    showPlain(QMessageBox::Information, "Information", caption, text);
}

} // namespace ui
