#pragma once

#include <string>

namespace platform::gst {

// The factory of the machine's sound output: the first of pulsesink and alsasink that opens,
// otherwise fakesink, which keeps time without sound. Chosen once per process.
const std::string& audioSinkFactory();

} // namespace platform::gst
