#include "platform/media/MediaDevice.h"

#include "platform/gst/AudioOutput.h"
#include "platform/gst/GstHandles.h"
#include "platform/media/AviFile.h"
#include "platform/media/FrameSlot.h"
#include "platform/media/VideoSurface.h"

#include <QFile>
#include <QFileInfo>

#include <gst/app/gstappsink.h>

#include <chrono>
#include <type_traits>

namespace platform {

namespace {

// Longest wait for a file to become ready to play; some damaged files never do.
constexpr std::chrono::milliseconds kOpenBound{5000};
// Longest wait for a seek to land.
constexpr GstClockTime kSeekBound = 3 * GST_SECOND;

constexpr std::uint32_t toMs(gint64 ns) {
    return ns <= 0 ? 0 : static_cast<std::uint32_t>(ns / GST_MSECOND);
}

Failure mediaFailure(MediaCode code, QString text) {
    return Failure(std::move(text), static_cast<int>(code));
}

Failure noDevice() {
    return mediaFailure(MediaCode::NoDevice, QStringLiteral("No media device is open."));
}

GstFlowReturn onSample(GstAppSink* sink, gpointer slot) {
    gst::SamplePtr sample(gst_app_sink_pull_sample(sink));
    if (!sample)
        return GST_FLOW_EOS;
    static_cast<FrameSlot*>(slot)->put(std::move(sample));
    return GST_FLOW_OK;
}

GstFlowReturn onPreroll(GstAppSink* sink, gpointer slot) {
    gst::SamplePtr sample(gst_app_sink_pull_preroll(sink));
    if (sample)
        static_cast<FrameSlot*>(slot)->put(std::move(sample));
    return GST_FLOW_OK;
}

} // namespace

// One open file: its playbin and what the device knows of it.
struct MediaDevice::Playback {
    QString file;
    gst::ElementPtr pipeline;
    gst::BusPtr bus;
    GstElement* videoSink = nullptr; // owned by pipeline
    std::shared_ptr<FrameSlot> frames = std::make_shared<FrameSlot>();
    bool hasVideo = false;
    QSize natural;
    int fpsN = 0, fpsD = 1;
    QRect destination;
    MediaTimeFormat format = MediaTimeFormat::Frames;
    MediaMode mode = MediaMode::Stopped;
    bool atEnd = false;
    bool asyncDone = false;
    QString failure;
    bool failureTaken = false;

    ~Playback() {
        if (pipeline)
            gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    }

    void handle(GstMessage* message) {
        switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_ERROR:
            if (failure.isEmpty()) {
                const gst::ErrorPtr error = gst::errorOf(message);
                failure = QString::fromUtf8(error ? error->message : "unknown stream error");
            }
            mode = MediaMode::Stopped;
            break;
        case GST_MESSAGE_EOS:
            atEnd = true;
            mode = MediaMode::Stopped;
            break;
        case GST_MESSAGE_ASYNC_DONE:
            asyncDone = true;
            break;
        default:
            break;
        }
    }

    // Takes in what the pipeline has posted; with a bound, waits up to it for the pipeline
    // to finish its state change or fail.
    bool pump(std::chrono::milliseconds bound = std::chrono::milliseconds(0)) {
        const auto deadline = std::chrono::steady_clock::now() + bound;
        for (;;) {
            if (bound.count() > 0 && (asyncDone || !failure.isEmpty()))
                return asyncDone && failure.isEmpty();
            const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
                deadline - std::chrono::steady_clock::now());
            gst::MessagePtr message(
                gst_bus_timed_pop(bus.get(), left.count() > 0 ? GstClockTime(left.count()) : 0));
            if (!message)
                return bound.count() == 0;
            handle(message.get());
        }
    }

    std::uint32_t lengthMs() const {
        gint64 ns = 0;
        return gst_element_query_duration(pipeline.get(), GST_FORMAT_TIME, &ns) ? toMs(ns) : 0;
    }

    std::uint32_t toFormat(std::uint32_t ms) const {
        if (format == MediaTimeFormat::Milliseconds || fpsN <= 0)
            return ms;
        return static_cast<std::uint32_t>(std::uint64_t(ms) * fpsN / (std::uint64_t(fpsD) * 1000));
    }
    std::uint32_t fromFormat(std::uint32_t value) const {
        if (format == MediaTimeFormat::Milliseconds || fpsN <= 0)
            return value;
        return static_cast<std::uint32_t>(std::uint64_t(value) * fpsD * 1000 / fpsN);
    }

    // Reads the picture's size and rate from what the video sink negotiated. Fails, saying
    // why the file cannot be played, when it holds no stream or a video of which no picture
    // came.
    Result<> readVideoFormat() {
        gint videos = 0, audios = 0;
        g_object_get(pipeline.get(), "n-video", &videos, "n-audio", &audios, nullptr);
        if (videos <= 0 && audios <= 0)
            return Failure(QStringLiteral("it holds no stream that can be played"));
        const gst::PadPtr sinkPad(gst_element_get_static_pad(videoSink, "sink"));
        const gst::CapsPtr caps(sinkPad ? gst_pad_get_current_caps(sinkPad.get()) : nullptr);
        if (videos <= 0)
            return done();
        const GstStructure* s = caps ? gst_caps_get_structure(caps.get(), 0) : nullptr;
        int width = 0, height = 0;
        if (!s || !gst_structure_get_int(s, "width", &width) ||
            !gst_structure_get_int(s, "height", &height) || width <= 0 || height <= 0)
            return Failure(
                QStringLiteral("no picture of its video can be decoded; it may be damaged"));
        gst_structure_get_fraction(s, "framerate", &fpsN, &fpsD);
        if (fpsD <= 0)
            fpsN = 0, fpsD = 1;
        hasVideo = true;
        natural = QSize(width, height);
        destination = QRect(QPoint(0, 0), natural);
        return done();
    }
};

MediaDevice::MediaDevice() = default;

MediaDevice::~MediaDevice() {
    close();
}

bool MediaDevice::isOpen() const {
    return p_ != nullptr;
}

void MediaDevice::close() {
    // The pipeline stops before the surface goes, so no picture arrives for it after.
    p_.reset();
    delete surface_.data();
}

Result<> MediaDevice::open(const QString& file) {
    close();
    // The words are made before the playback goes: `why` may be its own failure text.
    const auto refused = [&](MediaCode code, const QString& why) {
        Failure failure =
            mediaFailure(code, QStringLiteral("Cannot open the video \"%1\": %2.").arg(file, why));
        p_.reset();
        return failure;
    };
    const QFileInfo info(file);
    if (!info.exists())
        return refused(MediaCode::FileNotFound, QStringLiteral("the file does not exist"));
    if (!info.isFile())
        return refused(MediaCode::FileNotFound, QStringLiteral("it is not a file"));
    if (const Result<> avi = checkAviFile(file); !avi)
        return refused(MediaCode::NotAvi, avi.why());

    gst::ensureInitialised();
    auto p = std::make_unique<Playback>();
    p->file = file;
    gst::ElementPtr bin = gst::sunk(gst_element_factory_make("playbin", nullptr));
    const gst::ElementPtr videoOut = gst::sunk(gst_element_factory_make("appsink", nullptr));
    const gst::ElementPtr audioOut =
        gst::sunk(gst_element_factory_make(gst::audioSinkFactory().c_str(), nullptr));
    if (!bin || !videoOut || !audioOut)
        return refused(MediaCode::CannotPlay,
                       QStringLiteral("the GStreamer playback elements are not installed"));
    // The playbin takes the sinks with their own refs; ours go with this scope.
    GstElement* playbin = bin.get();
    GstElement* video = videoOut.get();
    GstElement* audio = audioOut.get();
    p->pipeline = std::move(bin);
    p->bus.reset(gst_element_get_bus(playbin));
    p->videoSink = video;
    // Only the newest picture matters; an unbounded queue would grow without end.
    g_object_set(video, "max-buffers", 1u, "drop", TRUE, "sync", TRUE, nullptr);
    gst::CapsPtr caps(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", nullptr));
    gst_app_sink_set_caps(GST_APP_SINK(video), caps.get());
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = &onSample;
    callbacks.new_preroll = &onPreroll;
    gst_app_sink_set_callbacks(GST_APP_SINK(video), &callbacks, p->frames.get(), nullptr);
    // A sound output that does not keep to the clock races it.
    g_object_set(audio, "sync", TRUE, nullptr);
    const gst::StringPtr uri(
        gst_filename_to_uri(QFile::encodeName(info.absoluteFilePath()).constData(), nullptr));
    g_object_set(playbin, "uri", uri.get(), "video-sink", video, "audio-sink", audio, nullptr);

    p_ = std::move(p);
    const GstStateChangeReturn change = gst_element_set_state(playbin, GST_STATE_PAUSED);
    bool ready = change == GST_STATE_CHANGE_SUCCESS || change == GST_STATE_CHANGE_NO_PREROLL;
    if (change == GST_STATE_CHANGE_ASYNC)
        ready = p_->pump(kOpenBound);
    else
        p_->pump();
    if (!p_->failure.isEmpty())
        return refused(MediaCode::CannotPlay, p_->failure);
    if (!ready || change == GST_STATE_CHANGE_FAILURE)
        return refused(change == GST_STATE_CHANGE_FAILURE ? MediaCode::CannotPlay
                                                          : MediaCode::TimedOut,
                       change == GST_STATE_CHANGE_FAILURE
                           ? QStringLiteral("the file cannot be played")
                           : QStringLiteral("it did not become ready to play within %1 seconds; "
                                            "it may be damaged")
                                 .arg(kOpenBound.count() / 1000));
    if (const Result<> format = p_->readVideoFormat(); !format)
        return refused(MediaCode::CannotPlay, format.why());
    return done();
}

namespace {

// The Result a request gives: its value, or why it was refused.
template <typename Request> using AnswerOf = std::invoke_result_t<Request&, MediaDevice::Playback&>;

// What every request starts with: a request needs an open file, and acts on it as it is now,
// after what its pipeline has posted since the last request has been taken in.
template <typename Request>
AnswerOf<Request> onOpenFile(MediaDevice::Playback* p, Request&& request) {
    if (!p)
        return noDevice();
    p->pump();
    return request(*p);
}

// A request about the picture also needs a file that has one.
template <typename Request> AnswerOf<Request> onVideo(MediaDevice::Playback* p, Request&& request) {
    return onOpenFile(p, [&](MediaDevice::Playback& open) -> AnswerOf<Request> {
        if (!open.hasVideo)
            return mediaFailure(MediaCode::NoVideo,
                                QStringLiteral("The video has no picture to show."));
        return request(open);
    });
}

} // namespace

Result<MediaDevCaps> MediaDevice::getDevCaps() const {
    return onOpenFile(p_.get(), [](Playback& p) -> Result<MediaDevCaps> {
        return MediaDevCaps{true, false, false, p.hasVideo, QString::fromLatin1(kDeviceType)};
    });
}

Result<> MediaDevice::window(QWidget* display) {
    return onVideo(p_.get(), [&](Playback& p) -> Result<> {
        delete surface_.data();
        surface_ = new VideoSurface(p.frames, display);
        surface_->setGeometry(p.destination);
        surface_->show();
        return done();
    });
}

Result<QRect> MediaDevice::whereDestination() {
    return onVideo(p_.get(), [](Playback& p) -> Result<QRect> { return p.destination; });
}

Result<> MediaDevice::putDestination(const QRect& rect) {
    return onVideo(p_.get(), [&](Playback& p) -> Result<> {
        p.destination =
            rect.width() == 0 && rect.height() == 0 ? QRect(rect.topLeft(), p.natural) : rect;
        if (surface_)
            surface_->setGeometry(p.destination);
        return done();
    });
}

Result<> MediaDevice::setTimeFormat(MediaTimeFormat format) {
    return onOpenFile(p_.get(), [&](Playback& p) -> Result<> {
        p.format = format;
        return done();
    });
}

Result<std::uint32_t> MediaDevice::length() {
    return onOpenFile(
        p_.get(), [](Playback& p) -> Result<std::uint32_t> { return p.toFormat(p.lengthMs()); });
}

Result<std::uint32_t> MediaDevice::position() {
    return onOpenFile(p_.get(), [](Playback& p) -> Result<std::uint32_t> {
        const std::uint32_t length = p.lengthMs();
        gint64 ns = 0;
        std::uint32_t ms = 0;
        if (p.atEnd)
            ms = length;
        else if (gst_element_query_position(p.pipeline.get(), GST_FORMAT_TIME, &ns))
            ms = std::min(toMs(ns), length);
        return p.toFormat(ms);
    });
}

Result<MediaMode> MediaDevice::mode() {
    return onOpenFile(p_.get(), [](Playback& p) -> Result<MediaMode> { return p.mode; });
}

Result<> MediaDevice::play() {
    return onOpenFile(p_.get(), [](Playback& p) -> Result<> {
        if (p.atEnd)
            return done(); // at the end there is nothing left to play
        gst_element_set_state(p.pipeline.get(), GST_STATE_PLAYING);
        p.mode = MediaMode::Playing;
        return done();
    });
}

Result<> MediaDevice::pause() {
    return onOpenFile(p_.get(), [](Playback& p) -> Result<> {
        if (p.mode == MediaMode::Playing) {
            gst_element_set_state(p.pipeline.get(), GST_STATE_PAUSED);
            p.mode = MediaMode::Paused;
        }
        return done();
    });
}

Result<> MediaDevice::resume() {
    return onOpenFile(p_.get(), [](Playback& p) -> Result<> {
        if (p.mode != MediaMode::Paused)
            return mediaFailure(MediaCode::NotPaused,
                                QStringLiteral("The media device is not paused."));
        gst_element_set_state(p.pipeline.get(), GST_STATE_PLAYING);
        p.mode = MediaMode::Playing;
        return done();
    });
}

Result<> MediaDevice::stop() {
    return onOpenFile(p_.get(), [](Playback& p) -> Result<> {
        gst_element_set_state(p.pipeline.get(), GST_STATE_PAUSED);
        p.mode = MediaMode::Stopped;
        return done();
    });
}

Result<> MediaDevice::seek(std::uint32_t to) {
    return onOpenFile(p_.get(), [to](Playback& p) -> Result<> {
        const std::uint32_t length = p.lengthMs();
        const std::uint32_t ms = p.fromFormat(to);
        if (ms > length)
            return mediaFailure(
                MediaCode::OutOfRange,
                QStringLiteral("The position %1 is beyond the end of the video.").arg(to));
        // A seek leaves the device stopped at the new position, the picture there shown.
        GstElement* pipeline = p.pipeline.get();
        gst_element_set_state(pipeline, GST_STATE_PAUSED);
        p.mode = MediaMode::Stopped;
        p.atEnd = length > 0 && ms >= length;
        gst_element_seek_simple(pipeline, GST_FORMAT_TIME,
                                GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                gint64(ms) * GST_MSECOND);
        gst_element_get_state(pipeline, nullptr, nullptr, kSeekBound);
        p.pump();
        return done();
    });
}

Result<> MediaDevice::seekToStart() {
    return seek(0);
}

QString MediaDevice::takeFailure() {
    if (!p_)
        return {};
    p_->pump();
    if (p_->failure.isEmpty() || p_->failureTaken)
        return {};
    p_->failureTaken = true;
    return QStringLiteral("The video \"%1\" stopped: %2.").arg(p_->file, p_->failure);
}

} // namespace platform
