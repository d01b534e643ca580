#include "playback/Video.h"

namespace playback {

TFAnimate::TFAnimate() {
    setObjectName(QStringLiteral("FAnimate"));
    FormCreate();
}

void TFAnimate::FormCreate() {}

} // namespace playback
