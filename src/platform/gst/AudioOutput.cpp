#include "platform/gst/AudioOutput.h"

#include "platform/gst/GstHandles.h"

namespace platform::gst {

const std::string& audioSinkFactory() {
    // Never destroyed: a sound still playing on its own thread may read it during exit.
    static const std::string& chosen = *new std::string([] {
        ensureInitialised();
        for (const char* factory : {"pulsesink", "alsasink"}) {
            ElementPtr sink;
            if (GstElement* e = gst_element_factory_make(factory, nullptr))
                sink.reset(GST_ELEMENT(gst_object_ref_sink(e)));
            if (!sink)
                continue;
            const bool opens =
                gst_element_set_state(sink.get(), GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
            gst_element_set_state(sink.get(), GST_STATE_NULL);
            if (opens)
                return std::string(factory);
        }
        return std::string("fakesink");
    }());
    return chosen;
}

} // namespace platform::gst
