#include "album/Format.h"

namespace album {

TFormatJpeg::TFormatJpeg() {
    setObjectName(QStringLiteral("FormatJpeg"));
    FormCreate();
}

void TFormatJpeg::FormCreate() {}

} // namespace album
