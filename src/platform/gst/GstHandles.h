#pragma once

#include <gst/gst.h>

#include <memory>

namespace platform::gst {

// Owning handles for the GStreamer objects the capture backend keeps; every ref taken is
// released by the handle's destructor, whatever path leaves the scope.
struct ObjectUnref {
    void operator()(gpointer object) const { gst_object_unref(object); }
};
struct SampleUnref {
    void operator()(GstSample* sample) const { gst_sample_unref(sample); }
};
struct MessageUnref {
    void operator()(GstMessage* message) const { gst_message_unref(message); }
};
struct CapsUnref {
    void operator()(GstCaps* caps) const { gst_caps_unref(caps); }
};

using ElementPtr = std::unique_ptr<GstElement, ObjectUnref>;
using BusPtr = std::unique_ptr<GstBus, ObjectUnref>;
using SamplePtr = std::unique_ptr<GstSample, SampleUnref>;
using MessagePtr = std::unique_ptr<GstMessage, MessageUnref>;
using CapsPtr = std::unique_ptr<GstCaps, CapsUnref>;
template <class T> using ObjectPtr = std::unique_ptr<T, ObjectUnref>;

// GStreamer must be initialised once per process before the first element is made.
void ensureInitialised();

} // namespace platform::gst
