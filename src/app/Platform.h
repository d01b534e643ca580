#pragma once

#include <QByteArray>

namespace app {

// What of the session decides the platform plugin Qt would start on.
struct SessionEnvironment {
    QByteArray waylandDisplay;     // WAYLAND_DISPLAY
    QByteArray sessionType;        // XDG_SESSION_TYPE
    QByteArray display;            // DISPLAY
    QByteArray chosenPlatform;     // QT_QPA_PLATFORM
    bool platformArgument = false; // -platform on the command line
};

// The platform plugins to ask Qt for, in order, or an empty text for Qt's own choice. On a
// Wayland session with an X server at hand (Xwayland) the program runs on X11, where its
// windows can place themselves beside one another as they always have, and Wayland is kept
// as the fallback should the X server not answer. A platform the user has chosen stands.
QByteArray platformToAsk(const SessionEnvironment& session);

// The session of this process, `argv` included.
SessionEnvironment currentSession(int argc, char** argv);

// Asks Qt for the platform of platformToAsk; before the application object is made.
void choosePlatform(int argc, char** argv);

} // namespace app
