#!/usr/bin/env python3
"""The floor check itself, on small trees made for each case: what it must find, and what it
must let be."""

import importlib.util
import pathlib
import sys
import tempfile

here = pathlib.Path(__file__).resolve().parent
spec = importlib.util.spec_from_file_location("check_floors", here / "check-floors.py")
check = importlib.util.module_from_spec(spec)
spec.loader.exec_module(check)

# Each case: the files of a tree, and a text each fault must hold (none: the floors hold).
CASES = [
    ("the program on the toolkit and the platform",
     {"app/Main.h": '#include "ui/Modal.h"\n#include "platform/sound/Sound.h"\n',
      "ui/Modal.h": '#include "platform/sound/Sound.h"\n#include "resources/Text.h"\n',
      "resources/Text.h": "", "platform/sound/Sound.h": "#include <QString>\n",
      "album/Show.cpp": '#include "app/Main.h"\n#include "capture/Link.h"\n',
      "capture/Link.h": ""},
     []),
    ("a backend may see GStreamer and V4L2",
     {"platform/capture/Pipe.h": "#include <gst/gst.h>\n#include <linux/videodev2.h>\n"},
     []),
    ("the toolkit includes the program",
     {"ui/Hints.h": '#include "app/Main.h"\n', "app/Main.h": ""},
     ["ui/Hints.h: includes app/Main.h: the toolkit never includes the program"]),
    ("resources include the program",
     {"resources/Text.cpp": '#include "album/Show.h"\n', "album/Show.h": ""},
     ["resources/Text.cpp: includes album/Show.h"]),
    ("the platform includes the toolkit and the program",
     {"platform/help/Help.cpp": '#include "ui/Messages.h"\n#include "settings/Key.h"\n',
      "ui/Messages.h": "", "settings/Key.h": ""},
     ["platform/help/Help.cpp: includes ui/Messages.h: the platform never includes the toolkit",
      "platform/help/Help.cpp: includes settings/Key.h: the platform never includes the program"]),
    ("the program includes GStreamer itself",
     {"playback/Video.cpp": "#include <gst/app/gstappsink.h>\n"},
     ["playback/Video.cpp: sees gst/app/gstappsink.h"]),
    ("the toolkit includes V4L2 itself",
     {"ui/Shape.h": "#  include <linux/videodev2.h>\n"},
     ["ui/Shape.h: sees linux/videodev2.h"]),
    ("GStreamer through two platform headers",
     {"app/MainState.h": '#include "platform/capture/Window.h"\n',
      "platform/capture/Window.h": '#include "platform/capture/Pipe.h"\n',
      "platform/capture/Pipe.h": "#include <gst/gst.h>\n"},
     ["app/MainState.h: sees gst/gst.h, which only the platform's backends may: app/MainState.h"
      " -> platform/capture/Window.h -> platform/capture/Pipe.h -> gst/gst.h"]),
    ("GStreamer through a program header, found from every file above it",
     {"capture/Config.cpp": '#include "app/MainState.h"\n',
      "app/MainState.h": '#include "platform/media/Device.h"\n',
      "platform/media/Device.h": "#include <gst/gst.h>\n"},
     ["app/MainState.h: sees gst/gst.h", "capture/Config.cpp: sees gst/gst.h"]),
    ("an include beside the file, in quotes",
     {"album/Show.cpp": '#include "Strip.h"\n', "album/Strip.h": "#include <gst/gst.h>\n"},
     ["album/Show.cpp: sees gst/gst.h", "album/Strip.h: sees gst/gst.h"]),
    ("includes in comments and other headers named gst",
     {"app/Main.cpp": '// #include <gst/gst.h>\n/* #include "ui/x.h"\n#include <gst/gst.h> */\n'
                      "#include <QGstreamer>\n#include <mygst/gst.h>\n#include <linux/input.h>\n"},
     []),
    ("headers that include each other",
     {"app/A.h": '#include "app/B.h"\n', "app/B.h": '#include "app/A.h"\n'},
     []),
    ("GStreamer behind a cycle of includes, from each file of the cycle",
     {"app/A.h": '#include "app/B.h"\n#include <gst/gst.h>\n', "app/B.h": '#include "app/A.h"\n'},
     ["app/A.h: sees gst/gst.h", "app/B.h: sees gst/gst.h"]),
]


def main():
    failed = 0
    for name, files, expected in CASES:
        with tempfile.TemporaryDirectory() as top:
            for path, text in files.items():
                (pathlib.Path(top) / path).parent.mkdir(parents=True, exist_ok=True)
                (pathlib.Path(top) / path).write_text(text)
            found = check.faults(top)
        unexpected = [f for f in found if not any(e in f for e in expected)]
        missing = [e for e in expected if not any(e in f for f in found)]
        if len(found) != len(expected) or unexpected or missing:
            failed += 1
            print(f"FAIL {name}: found {found}, expected {expected}")
        else:
            print(f"ok   {name}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
