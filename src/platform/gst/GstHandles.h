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
struct StructureFree {
    void operator()(GstStructure* structure) const { gst_structure_free(structure); }
};
struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
struct StringFree {
    void operator()(gchar* text) const { g_free(text); }
};
// A list of GStreamer objects, each holding a ref (as gst_device_provider_get_devices gives).
struct ObjectListFree {
    void operator()(GList* list) const { g_list_free_full(list, gst_object_unref); }
};

using ElementPtr = std::unique_ptr<GstElement, ObjectUnref>;
using BusPtr = std::unique_ptr<GstBus, ObjectUnref>;
using SamplePtr = std::unique_ptr<GstSample, SampleUnref>;
using MessagePtr = std::unique_ptr<GstMessage, MessageUnref>;
using CapsPtr = std::unique_ptr<GstCaps, CapsUnref>;
template <class T> using ObjectPtr = std::unique_ptr<T, ObjectUnref>;
using PadPtr = ObjectPtr<GstPad>;
using DevicePtr = ObjectPtr<GstDevice>;
using StructurePtr = std::unique_ptr<GstStructure, StructureFree>;
using ErrorPtr = std::unique_ptr<GError, ErrorFree>;
using StringPtr = std::unique_ptr<gchar, StringFree>;
using ObjectListPtr = std::unique_ptr<GList, ObjectListFree>;

// Takes a newly made element (its floating ref), or null, into a handle.
ElementPtr sunk(GstElement* element);

// The error an error message carries (null for another message).
ErrorPtr errorOf(GstMessage* message);

// GStreamer must be initialised once per process before the first element is made.
void ensureInitialised();

} // namespace platform::gst
