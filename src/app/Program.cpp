#include "app/Program.h"

#include "album/Fimage.h"
#include "album/Format.h"
#include "album/Notice.h"
#include "album/Show.h"
#include "app/Main.h"
#include "capture/Config.h"
#include "playback/Video.h"

namespace app {

Program::Program(Services services)
    : MainForm_(std::make_unique<TMainForm>(
          MainContext{state_, hints_, services.capture, services.help})),
      FAnimate_(std::make_unique<playback::TFAnimate>()), Album_(std::make_unique<album::TAlbum>()),
      FConfig_(std::make_unique<capture::TFConfig>()), Frame_(std::make_unique<album::TFrame>()),
      FNotice_(std::make_unique<album::TFNotice>()),
      FormatJpeg_(std::make_unique<album::TFormatJpeg>()) {}

Program::~Program() = default;

} // namespace app
