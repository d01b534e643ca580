/* A virtual camera for the PipeWire tests: a node of class Video/Source with the camera role
 * that streams four colour bands (the emulated webcam's picture) in YUY2, at 640 x 480 (its
 * first), 320 x 240 or 1280 x 720, 30 or 15 frames a second, whichever its reader asks for.
 *
 * How it streams: the node is a driver of its own (PW_STREAM_FLAG_DRIVER). A timer at the
 * negotiated rate starts every cycle of the graph with pw_stream_trigger_process(), and the
 * process callback fills and queues one buffer. A node made by pipewiresink mode=provide
 * leaves the scheduling to the graph's driver, and a reader linked to it a second time got
 * no buffer on this machine; a node that drives itself streams to every reader, linked as
 * often as it is.
 *
 *   virtual-camera NODE_NAME DESCRIPTION [KEY=VALUE...]
 *
 * Extra KEY=VALUE pairs are added to the node's properties (api.v4l2.path=/dev/video0 makes
 * it stand for a V4L2 node). It prints "ready" once the node is registered and runs until
 * SIGTERM or SIGINT; the node goes away with it. */

#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/prctl.h>

struct camera {
    struct pw_main_loop* loop;
    struct pw_stream* stream;
    struct spa_hook listener;
    struct spa_source* timer;
    struct spa_video_info_raw format;
    int stride;
    int ready;
};

/* The four bands, as Y, U, V of BT.601 studio range: red, green, blue and yellow. */
static const unsigned char bands[4][3] = {
    {97, 106, 194}, {135, 84, 73}, {74, 194, 117}, {173, 62, 139}};

static void fill(const struct camera* cam, unsigned char* data) {
    const int width = (int)cam->format.size.width, height = (int)cam->format.size.height;
    for (int x = 0; x + 1 < width; x += 2) {
        /* Even band edges keep each pixel pair inside one band. */
        int band = 0;
        while (band < 3 && x >= (((band + 1) * width / 4) & ~1))
            ++band;
        unsigned char* p = data + x * 2;
        p[0] = bands[band][0];
        p[1] = bands[band][1];
        p[2] = bands[band][0];
        p[3] = bands[band][2];
    }
    for (int y = 1; y < height; ++y)
        memcpy(data + (size_t)y * cam->stride, data, (size_t)width * 2);
}

static void on_process(void* userdata) {
    struct camera* cam = userdata;
    struct pw_buffer* b = pw_stream_dequeue_buffer(cam->stream);
    if (!b)
        return;
    struct spa_data* d = &b->buffer->datas[0];
    const size_t size = (size_t)cam->stride * cam->format.size.height;
    if (d->data && d->maxsize >= size) {
        fill(cam, d->data);
        d->chunk->offset = 0;
        d->chunk->stride = cam->stride;
        d->chunk->size = (uint32_t)size;
    }
    pw_stream_queue_buffer(cam->stream, b);
}

static void on_timeout(void* userdata, uint64_t expirations) {
    (void)expirations;
    struct camera* cam = userdata;
    pw_stream_trigger_process(cam->stream);
}

static void on_state_changed(void* userdata, enum pw_stream_state old, enum pw_stream_state state,
                             const char* error) {
    (void)old;
    struct camera* cam = userdata;
    if (state == PW_STREAM_STATE_ERROR) {
        fprintf(stderr, "virtual-camera: %s\n", error ? error : "stream error");
        pw_main_loop_quit(cam->loop);
    }
    if (state == PW_STREAM_STATE_PAUSED && !cam->ready) {
        cam->ready = 1;
        printf("ready %u\n", pw_stream_get_node_id(cam->stream));
        fflush(stdout);
    }
    struct timespec interval = {0, 0}, first = {0, 0};
    if (state == PW_STREAM_STATE_STREAMING && cam->format.framerate.num) {
        const long ns = 1000000000L * cam->format.framerate.denom / cam->format.framerate.num;
        interval.tv_nsec = first.tv_nsec = ns;
    }
    pw_loop_update_timer(pw_main_loop_get_loop(cam->loop), cam->timer, &first, &interval, false);
}

static void on_param_changed(void* userdata, uint32_t id, const struct spa_pod* param) {
    struct camera* cam = userdata;
    if (id != SPA_PARAM_Format || !param)
        return;
    if (spa_format_video_raw_parse(param, &cam->format) < 0)
        return;
    cam->stride = SPA_ROUND_UP_N((int)cam->format.size.width * 2, 4);
    unsigned char buffer[1024];
    struct spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
    const struct spa_pod* params[1];
    params[0] = spa_pod_builder_add_object(
        &b, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
        SPA_POD_CHOICE_RANGE_Int(4, 2, 8), SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1),
        SPA_PARAM_BUFFERS_size, SPA_POD_Int(cam->stride * (int)cam->format.size.height),
        SPA_PARAM_BUFFERS_stride, SPA_POD_Int(cam->stride));
    pw_stream_update_params(cam->stream, params, 1);
}

static const struct pw_stream_events stream_events = {
    PW_VERSION_STREAM_EVENTS,
    .state_changed = on_state_changed,
    .param_changed = on_param_changed,
    .process = on_process,
};

static void on_signal(void* userdata, int signal_number) {
    (void)signal_number;
    struct camera* cam = userdata;
    pw_main_loop_quit(cam->loop);
}

int main(int argc, char* argv[]) {
    if (argc < 3) {
        fprintf(stderr, "usage: virtual-camera NODE_NAME DESCRIPTION [KEY=VALUE...]\n");
        return 2;
    }
    /* The node goes with the test that made it, however that ends. */
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    pw_init(&argc, &argv);
    struct camera cam = {0};
    cam.loop = pw_main_loop_new(NULL);
    struct pw_loop* loop = pw_main_loop_get_loop(cam.loop);
    pw_loop_add_signal(loop, SIGINT, on_signal, &cam);
    pw_loop_add_signal(loop, SIGTERM, on_signal, &cam);
    cam.timer = pw_loop_add_timer(loop, on_timeout, &cam);

    struct pw_properties* props =
        pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture",
                          PW_KEY_MEDIA_ROLE, "Camera", PW_KEY_MEDIA_CLASS, "Video/Source",
                          PW_KEY_NODE_NAME, argv[1], PW_KEY_NODE_DESCRIPTION, argv[2], NULL);
    for (int i = 3; i < argc; ++i) {
        const char* equals = strchr(argv[i], '=');
        if (!equals)
            continue;
        char key[256];
        snprintf(key, sizeof(key), "%.*s", (int)(equals - argv[i]), argv[i]);
        pw_properties_set(props, key, equals + 1);
    }
    cam.stream = pw_stream_new_simple(loop, argv[1], props, &stream_events, &cam);

    /* One format for each size, as a camera's node lists them, the preferred one first. */
    static const struct spa_rectangle sizes[] = {{640, 480}, {320, 240}, {1280, 720}};
    unsigned char buffer[4096];
    struct spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
    const struct spa_pod* params[3];
    for (int i = 0; i < 3; ++i)
        params[i] = spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
            SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype,
            SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
            SPA_POD_Id(SPA_VIDEO_FORMAT_YUY2), SPA_FORMAT_VIDEO_size, SPA_POD_Rectangle(&sizes[i]),
            SPA_FORMAT_VIDEO_framerate,
            SPA_POD_CHOICE_ENUM_Fraction(3, &SPA_FRACTION(30, 1), &SPA_FRACTION(15, 1),
                                         &SPA_FRACTION(30, 1)));

    if (pw_stream_connect(cam.stream, PW_DIRECTION_OUTPUT, PW_ID_ANY,
                          PW_STREAM_FLAG_DRIVER | PW_STREAM_FLAG_MAP_BUFFERS, params, 3) < 0) {
        fprintf(stderr, "virtual-camera: cannot connect to PipeWire\n");
        return 1;
    }
    pw_main_loop_run(cam.loop);
    pw_stream_destroy(cam.stream);
    pw_main_loop_destroy(cam.loop);
    pw_deinit();
    return 0;
}
