#!/usr/bin/python3
# Asks a window to close as a window manager's close box does: a WM_PROTOCOLS client
# message carrying WM_DELETE_WINDOW, sent to the window on $DISPLAY.
#   close-window.py WINDOW_ID
# Fails (status 1) when the window does not take part in WM_DELETE_WINDOW, for then no
# close box could ask it.
# The system's python3 on purpose: python3-xlib is a Debian package (scripts/setup).
import sys

from Xlib import X, display, error, protocol


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: close-window.py WINDOW_ID")
    d = display.Display()
    window = d.create_resource_object("window", int(sys.argv[1], 0))
    protocols = d.intern_atom("WM_PROTOCOLS")
    delete = d.intern_atom("WM_DELETE_WINDOW")
    try:
        taken = window.get_wm_protocols() or []
    except error.BadWindow:
        sys.exit("no window %s" % sys.argv[1])
    if delete not in taken:
        sys.exit("window %s does not take WM_DELETE_WINDOW" % sys.argv[1])
    event = protocol.event.ClientMessage(
        window=window, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0]))
    window.send_event(event, event_mask=X.NoEventMask)
    d.sync()


if __name__ == "__main__":
    main()
