#include "app/Modal.h"

#include <QDialog>

namespace app {

int ModalLoop::exec(QDialog& dialog) {
    return dialog.exec();
}

} // namespace app
