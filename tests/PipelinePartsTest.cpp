#include "platform/capture/pipeline/PipelineParts.h"
#include "platform/gst/GstHandles.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

namespace gst = platform::gst;
using platform::pipeline::Chain;

// A pipeline being built says why it was given up by the first reason it met, and a chain
// given up puts nothing in the bin; a chain that cannot be linked says so.
TEST(PipelineParts, AChainSaysItsFirstReasonAndAGivenUpOneBuildsNothing) {
    gst::ensureInitialised();
    struct Case {
        const char* what;
        std::optional<std::string> failFirst; // a reason given before any element
        std::vector<const char*> factories;
        std::optional<std::string> reason; // none: built
        guint inBin;
    };
    const Case cases[] = {
        {"every part made", {}, {"videotestsrc", "videoconvert", "fakesink"}, {}, 3},
        {"a part missing",
         {},
         {"videotestsrc", "nimbacast-missing", "fakesink"},
         "the GStreamer element \"nimbacast-missing\" is not installed",
         0},
        {"two parts missing: the first is said",
         {},
         {"nimbacast-first", "videoconvert", "nimbacast-second"},
         "the GStreamer element \"nimbacast-first\" is not installed",
         0},
        {"the driver's own reason before a missing part",
         "the PipeWire node \"cam\" is not there",
         {"nimbacast-missing"},
         "the PipeWire node \"cam\" is not there",
         0},
        // A sink has nothing to give the next element: the two reached stay in the bin.
        {"parts that cannot be linked",
         {},
         {"fakesink", "videotestsrc", "videoconvert"},
         "the preview pipeline could not be linked",
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Chain chain;
        if (c.failFirst)
            chain.fail(platform::Failure(*c.failFirst));
        for (const char* factory : c.factories)
            chain.add(platform::pipeline::make(factory));
        const gst::ElementPtr pipeline = gst::sunk(gst_pipeline_new(nullptr));
        const platform::Result<> built = chain.moveInto(GST_BIN(pipeline.get()));
        EXPECT_EQ(built.ok(), !c.reason.has_value());
        if (c.reason && !built.ok()) {
            EXPECT_EQ(built.failure().utf8(), *c.reason);
        }
        EXPECT_EQ(GST_BIN(pipeline.get())->numchildren, c.inBin);
    }
}

} // namespace
