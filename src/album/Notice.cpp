#include "album/Notice.h"

#include "resources/TextTable.h"

namespace album {

TFNotice::TFNotice() {
    setObjectName(QStringLiteral("FNotice"));
    FormCreate();
}

void TFNotice::FormCreate() {
    setWindowTitle(QString::fromStdString(resources::LoadText(resources::kTextNotice)));
}

} // namespace album
