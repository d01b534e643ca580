#include "capture/Config.h"

#include "resources/TextTable.h"

namespace capture {

TFConfig::TFConfig() {
    setObjectName(QStringLiteral("FConfig"));
    FormCreate();
}

void TFConfig::FormCreate() {
    setWindowTitle(QString::fromStdString(resources::LoadText(resources::kTextSelectSource)));
}

} // namespace capture
