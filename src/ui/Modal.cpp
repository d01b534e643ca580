#include "ui/Modal.h"

#include <QDialog>

namespace ui {

int ModalLoop::exec(QDialog& dialog) {
    return dialog.exec();
}

} // namespace ui
