#include "album/Fimage.h"

namespace album {

TFrame::TFrame() {
    setObjectName(QStringLiteral("Frame"));
    FormCreate();
}

void TFrame::FormCreate() {}

} // namespace album
