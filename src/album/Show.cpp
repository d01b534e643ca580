#include "album/Show.h"

namespace album {

TAlbum::TAlbum() {
    setObjectName(QStringLiteral("Album"));
    setWindowTitle(QStringLiteral("Album"));
    FormCreate();
}

void TAlbum::FormCreate() {}

} // namespace album
