#include "app/Program.h"

#include "album/Fimage.h"
#include "album/Format.h"
#include "album/Notice.h"
#include "album/Show.h"
#include "app/Main.h"
#include "capture/Config.h"
#include "playback/Video.h"

namespace app {

namespace {

// Creates a window and records it among the program's windows before anything else runs.
template <class W, class... Args> std::unique_ptr<W> create(W*& entry, Args&&... args) {
    auto window = std::make_unique<W>(std::forward<Args>(args)...);
    entry = window.get();
    return window;
}

} // namespace

Program::Program(Services services)
    : MainForm_(create(windows_.MainForm,
                       MainContext{state_, hints_, windows_, services.capture, services.help,
                                   services.sound, services.messages, services.fileDialogs,
                                   services.systemDirectory, services.registry, services.modal})),
      FAnimate_(create(windows_.FAnimate)),
      Album_(create(windows_.Album, state_, windows_, services.modal, services.fileDialogs)),
      FConfig_(create(windows_.FConfig, state_)), Frame_(create(windows_.Frame)),
      FNotice_(create(windows_.FNotice)), FormatJpeg_(create(windows_.FormatJpeg)) {}

Program::~Program() = default;

} // namespace app
