#include "platform/sound/SoundService.h"

#include "platform/gst/AudioOutput.h"
#include "platform/gst/GstHandles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {

namespace {

// Longest wait for a sound to start; a file that does not preroll by then is given up.
constexpr GstClockTime kPrerollBound = 3 * GST_SECOND;
// Allowance beyond the sound's own length before playback is cut off.
constexpr GstClockTime kEndSlack = 2 * GST_SECOND;
// How often a playing sound looks whether its caller has given up on it.
constexpr GstClockTime kCancelPoll = 100 * GST_MSECOND;

// A short beep, the stand-in for a missing sound file.
constexpr char kDefaultSound[] = "audiotestsrc wave=sine freq=880 volume=0.3 num-buffers=6 "
                                 "samplesperbuffer=2205 ! audio/x-raw,rate=22050,channels=1";
constexpr char kFileSound[] = "filesrc name=src ! wavparse";

gst::ElementPtr buildPipeline(const QString& wavFile, bool& fallback) {
    fallback = !QFileInfo(wavFile).isFile();
    const std::string description = std::string(fallback ? kDefaultSound : kFileSound) +
                                    " ! audioconvert ! audioresample ! " + gst::audioSinkFactory() +
                                    " sync=true";
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    if (error) {
        std::fprintf(stderr, "nimbacast: sound: %s\n", error->message);
        g_clear_error(&error);
    }
    if (!pipeline)
        return nullptr;
    gst::ElementPtr owned(GST_ELEMENT(gst_object_ref_sink(pipeline)));
    if (!fallback) {
        gst::ElementPtr src(gst_bin_get_by_name(GST_BIN(owned.get()), "src"));
        g_object_set(src.get(), "location", QFile::encodeName(wavFile).constData(), nullptr);
    }
    return owned;
}

// Plays on the calling thread, giving up when `cancel` is set; the sound's own length plus
// an allowance bounds it too.
bool playHere(const QString& wavFile, const std::atomic<bool>& cancel) {
    gst::ensureInitialised();
    bool fallback = false;
    gst::ElementPtr pipeline = buildPipeline(wavFile, fallback);
    if (!pipeline)
        return false;
    struct StopOnExit {
        GstElement* p;
        ~StopOnExit() { gst_element_set_state(p, GST_STATE_NULL); }
    } stop{pipeline.get()};

    if (gst_element_set_state(pipeline.get(), GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE ||
        gst_element_get_state(pipeline.get(), nullptr, nullptr, kPrerollBound) !=
            GST_STATE_CHANGE_SUCCESS)
        return false;
    gint64 length = 0;
    if (!gst_element_query_duration(pipeline.get(), GST_FORMAT_TIME, &length) || length < 0)
        length = fallback ? 600 * GST_MSECOND : 5 * GST_SECOND;

    if (cancel ||
        gst_element_set_state(pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        return false;
    gst::BusPtr bus(gst_element_get_bus(pipeline.get()));
    const GstClockTime end = static_cast<GstClockTime>(length) + kEndSlack;
    for (GstClockTime waited = 0; waited < end && !cancel; waited += kCancelPoll) {
        gst::MessagePtr done(gst_bus_timed_pop_filtered(
            bus.get(), kCancelPoll,
            static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
        if (done)
            return GST_MESSAGE_TYPE(done.get()) == GST_MESSAGE_EOS;
    }
    return false;
}

} // namespace

// What the caller and the thread that plays share; the caller may leave before the end.
struct GstSoundService::Playback {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    bool played = false;
    std::atomic<bool> cancel{false};
};

GstSoundService::GstSoundService(std::chrono::milliseconds bound)
    : GstSoundService(bound, playHere) {}

GstSoundService::GstSoundService(std::chrono::milliseconds bound, Player player)
    : bound_(bound), player_(std::move(player)) {}

GstSoundService::~GstSoundService() {
    if (!worker_.joinable())
        return;
    bool done = true;
    if (cutOff_) {
        std::unique_lock lock(cutOff_->mutex);
        done =
            cutOff_->ended.wait_for(lock, std::chrono::seconds(1), [&] { return cutOff_->done; });
    }
    // A sound server that never answers would hold the exit for ever: only its thread is
    // left to end with the process.
    if (done)
        worker_.join();
    else
        worker_.detach();
}

bool GstSoundService::playSync(const QString& wavFile) {
    const auto deadline = std::chrono::steady_clock::now() + bound_;
    if (cutOff_) {
        std::unique_lock lock(cutOff_->mutex);
        // The last sound still hangs past its bound: another would only hang beside it.
        if (!cutOff_->ended.wait_until(lock, deadline, [&] { return cutOff_->done; }))
            return false;
    }
    cutOff_.reset();
    // The thread of the last sound has ended its work, or is just ending it.
    if (worker_.joinable())
        worker_.join();
    // The sound plays on a thread of its own, so that a long file or a sound server that
    // never answers holds the caller no longer than the bound.
    auto playback = std::make_shared<Playback>();
    worker_ = std::thread([playback, wavFile, player = player_] {
        const bool played = player(wavFile, playback->cancel);
        {
            std::lock_guard lock(playback->mutex);
            playback->done = true;
            playback->played = played;
        }
        playback->ended.notify_all();
    });

    std::unique_lock lock(playback->mutex);
    if (!playback->ended.wait_until(lock, deadline, [&] { return playback->done; })) {
        playback->cancel = true;
        cutOff_ = playback;
        return false;
    }
    return playback->played;
}

QString systemDirectory() {
    const QString fromEnvironment = qEnvironmentVariable("NIMBACAST_SYSTEM_DIR");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/nimbacast"));
}

} // namespace platform
