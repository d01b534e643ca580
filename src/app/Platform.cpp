#include "app/Platform.h"

#include <QtGlobal>

#include <cstring>

namespace app {

QByteArray platformToAsk(const SessionEnvironment& session) {
    if (!session.chosenPlatform.isEmpty() || session.platformArgument)
        return {};
    const bool wayland = !session.waylandDisplay.isEmpty() || session.sessionType == "wayland";
    if (!wayland || session.display.isEmpty())
        return {};
    return "xcb;wayland";
}

SessionEnvironment currentSession(int argc, char** argv) {
    SessionEnvironment session{qgetenv("WAYLAND_DISPLAY"), qgetenv("XDG_SESSION_TYPE"),
                               qgetenv("DISPLAY"), qgetenv("QT_QPA_PLATFORM")};
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            session.platformArgument = true;
    return session;
}

void choosePlatform(int argc, char** argv) {
    if (const QByteArray platform = platformToAsk(currentSession(argc, argv)); !platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
}

} // namespace app
