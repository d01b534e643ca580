#include "app/Platform.h"

#include <gtest/gtest.h>

namespace {

// On a Wayland session with an X server at hand the program asks for X11 first, unless the
// user has chosen a platform; anywhere else Qt chooses.
TEST(Platform, AWaylandSessionWithAnXServerRunsOnX11) {
    struct Case {
        app::SessionEnvironment session;
        QByteArray asked;
    } cases[] = {
        {{"wayland-0", "wayland", ":0", "", false}, "xcb;wayland"},
        {{"wayland-0", "", ":0", "", false}, "xcb;wayland"},
        {{"", "wayland", ":0", "", false}, "xcb;wayland"},
        {{"wayland-0", "wayland", "", "", false}, ""},          // no X server: Wayland itself
        {{"wayland-0", "wayland", ":0", "wayland", false}, ""}, // the user's choice
        {{"wayland-0", "wayland", ":0", "xcb", false}, ""},
        {{"wayland-0", "wayland", ":0", "", true}, ""}, // -platform given
        {{"", "x11", ":0", "", false}, ""},             // an X11 session
        {{"", "", "", "offscreen", false}, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(app::platformToAsk(c.session), c.asked)
            << c.session.waylandDisplay.constData() << "|" << c.session.sessionType.constData()
            << "|" << c.session.display.constData() << "|" << c.session.chosenPlatform.constData()
            << "|" << c.session.platformArgument;
}

} // namespace
