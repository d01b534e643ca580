#include "platform/capture/pipewire/PipeWireMonitor.h"

#include "platform/gst/GstHandles.h"

#include <QObject>

#include <sys/stat.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

namespace platform::pipewire {

namespace {

// Where a PipeWire client looks for the daemon's socket.
std::string socketPath() {
    const char* remote = std::getenv("PIPEWIRE_REMOTE");
    const std::string name = remote && *remote ? remote : "pipewire-0";
    if (name.front() == '/')
        return name;
    for (const char* variable : {"PIPEWIRE_RUNTIME_DIR", "XDG_RUNTIME_DIR", "USERPROFILE"})
        if (const char* dir = std::getenv(variable); dir && *dir)
            return std::string(dir) + "/" + name;
    return {};
}

std::string nodeNameOf(GstDevice* device) {
    GstStructure* props = gst_device_get_properties(device);
    const char* name = props ? gst_structure_get_string(props, "node.name") : nullptr;
    std::string found = name ? name : "";
    if (props)
        gst_structure_free(props);
    return found;
}

// The node a preview pipeline streams from; it lives as long as the pipeline's source.
struct NodeWatch {
    std::string nodeName;
    GWeakRef source;

    NodeWatch(GstElement* element, std::string name) : nodeName(std::move(name)) {
        g_weak_ref_init(&source, element);
    }
    ~NodeWatch() { g_weak_ref_clear(&source); }

    // Says on the pipeline's bus, as a device that has gone does, that the node is gone.
    void postGone(const char* why) {
        auto* element = static_cast<GstElement*>(g_weak_ref_get(&source));
        if (!element)
            return;
        GError* error = g_error_new(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NOT_FOUND,
                                    "the PipeWire node \"%s\" %s", nodeName.c_str(), why);
        gst_element_post_message(element,
                                 gst_message_new_error(GST_OBJECT(element), error, nullptr));
        g_error_free(error);
        gst_object_unref(element);
    }
};

// Someone waiting for a node to be added; told through `context`, on its thread, for as long
// as it is set.
struct AddedWatch {
    std::string nodeName;
    std::function<void()> added;
    std::mutex mutex;
    QObject* context = nullptr;

    void tell() {
        std::lock_guard lock(mutex);
        if (context)
            QMetaObject::invokeMethod(context, added, Qt::QueuedConnection);
    }
};

// GStreamer's PipeWire device provider, of which a process has one. It is started once, on a
// thread of its own (a daemon that takes the connection and never answers must not hold the
// interface), and then runs for the whole process: it tells of nodes that go away while
// they stream, and starting and stopping it over and over is what its implementation was
// seen to get wrong here.
class Monitor {
public:
    static Monitor& instance() {
        // Never destroyed: its provider's thread may outlive the program's objects.
        static Monitor* monitor = new Monitor;
        return *monitor;
    }

    // Whether the provider runs, waiting for it up to `bound` if it is starting.
    bool running(std::chrono::milliseconds bound) {
        std::unique_lock lock(mutex_);
        if (state_ == State::Idle) {
            state_ = State::Starting;
            std::thread([this] { start(); }).detach();
        }
        changed_.wait_for(lock, bound, [this] { return state_ != State::Starting; });
        return state_ == State::Running;
    }

    std::vector<CameraNode> cameras() {
        std::vector<CameraNode> nodes;
        GList* devices = gst_device_provider_get_devices(provider_);
        for (GList* d = devices; d; d = d->next) {
            CameraNode node;
            if (readCameraNode(GST_DEVICE(d->data), node))
                nodes.push_back(std::move(node));
        }
        g_list_free_full(devices, gst_object_unref);
        return nodes;
    }

    bool present(const std::string& nodeName) {
        bool found = false;
        GList* devices = gst_device_provider_get_devices(provider_);
        for (GList* d = devices; d; d = d->next)
            found = found || nodeNameOf(GST_DEVICE(d->data)) == nodeName;
        g_list_free_full(devices, gst_object_unref);
        return found;
    }

    void add(const std::shared_ptr<NodeWatch>& watch) {
        std::lock_guard lock(mutex_);
        std::erase_if(watches_, [](const auto& w) { return w.expired(); });
        watches_.push_back(watch);
    }

    void add(const std::shared_ptr<AddedWatch>& watch) {
        std::lock_guard lock(mutex_);
        std::erase_if(addedWatches_, [](const auto& w) { return w.expired(); });
        addedWatches_.push_back(watch);
    }

private:
    enum class State { Idle, Starting, Running };

    void start() {
        gst::ensureInitialised();
        GstDeviceProvider* provider =
            gst_device_provider_factory_get_by_name("pipewiredeviceprovider");
        if (provider) {
            gst::BusPtr bus(gst_device_provider_get_bus(provider));
            gst_bus_set_sync_handler(bus.get(), &Monitor::onMessage, this, nullptr);
        }
        const bool started = provider && gst_device_provider_start(provider);
        std::lock_guard lock(mutex_);
        if (started) {
            provider_ = provider;
            state_ = State::Running;
        } else {
            // No daemon after all, or no PipeWire elements: a later connect may try again.
            if (provider) {
                gst::BusPtr bus(gst_device_provider_get_bus(provider));
                gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
                gst_object_unref(provider);
            }
            state_ = State::Idle;
        }
        changed_.notify_all();
    }

    // On the provider's thread, for every message it posts.
    static GstBusSyncReply onMessage(GstBus*, GstMessage* message, gpointer self) {
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_DEVICE_REMOVED) {
            GstDevice* device = nullptr;
            gst_message_parse_device_removed(message, &device);
            if (device) {
                static_cast<Monitor*>(self)->removed(nodeNameOf(device));
                gst_object_unref(device);
            }
        } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_DEVICE_ADDED) {
            GstDevice* device = nullptr;
            gst_message_parse_device_added(message, &device);
            if (device) {
                static_cast<Monitor*>(self)->added(nodeNameOf(device));
                gst_object_unref(device);
            }
        }
        gst_message_unref(message);
        return GST_BUS_DROP;
    }

    void removed(const std::string& nodeName) {
        std::vector<std::shared_ptr<NodeWatch>> gone;
        {
            std::lock_guard lock(mutex_);
            for (const auto& w : watches_)
                if (auto watch = w.lock(); watch && watch->nodeName == nodeName)
                    gone.push_back(std::move(watch));
        }
        for (const auto& watch : gone)
            watch->postGone("has gone");
    }

    void added(const std::string& nodeName) {
        std::vector<std::shared_ptr<AddedWatch>> told;
        {
            std::lock_guard lock(mutex_);
            for (const auto& w : addedWatches_)
                if (auto watch = w.lock(); watch && watch->nodeName == nodeName)
                    told.push_back(std::move(watch));
        }
        for (const auto& watch : told)
            watch->tell();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    State state_ = State::Idle;
    GstDeviceProvider* provider_ = nullptr; // set once, while running
    std::vector<std::weak_ptr<NodeWatch>> watches_;
    std::vector<std::weak_ptr<AddedWatch>> addedWatches_;
};

// Ends its telling before its context goes, so that no call is queued for a context that has
// gone.
class NodeReturnWatch : public DeviceWatch {
public:
    explicit NodeReturnWatch(std::shared_ptr<AddedWatch> watch) : watch_(std::move(watch)) {
        watch_->context = &context_;
        Monitor::instance().add(watch_);
    }
    ~NodeReturnWatch() override {
        std::lock_guard lock(watch_->mutex);
        watch_->context = nullptr;
    }

private:
    QObject context_;
    std::shared_ptr<AddedWatch> watch_;
};

} // namespace

bool daemonSocketPresent() {
    const std::string path = socketPath();
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

std::vector<CameraNode> cameraNodes(std::chrono::milliseconds bound) {
    // Without a socket there is no daemon: nothing to load, nothing to wait for.
    if (!daemonSocketPresent() || !Monitor::instance().running(bound))
        return {};
    return Monitor::instance().cameras();
}

bool nodePresent(const std::string& nodeName, std::chrono::milliseconds bound) {
    return daemonSocketPresent() && Monitor::instance().running(bound) &&
           Monitor::instance().present(nodeName);
}

std::string libraryVersion() {
    gst::ensureInitialised();
    GstPlugin* plugin = gst_registry_find_plugin(gst_registry_get(), "pipewire");
    if (!plugin)
        return {};
    const char* version = gst_plugin_get_version(plugin);
    std::string found = version ? version : "";
    gst_object_unref(plugin);
    return found;
}

std::unique_ptr<DeviceWatch> watchAdded(const std::string& nodeName, std::function<void()> added) {
    if (!daemonSocketPresent() || !Monitor::instance().running(std::chrono::milliseconds(0)))
        return nullptr;
    auto watch = std::make_shared<AddedWatch>();
    watch->nodeName = nodeName;
    watch->added = std::move(added);
    return std::make_unique<NodeReturnWatch>(std::move(watch));
}

void watchNode(GstElement* source, const std::string& nodeName) {
    auto watch = std::make_shared<NodeWatch>(source, nodeName);
    g_object_set_data_full(
        G_OBJECT(source), "nimbacast-node-watch", new std::shared_ptr<NodeWatch>(watch),
        [](gpointer data) { delete static_cast<std::shared_ptr<NodeWatch>*>(data); });
    Monitor::instance().add(watch);
    // A node that is not there now never streams: said as soon as the provider knows.
    std::weak_ptr<NodeWatch> weak = watch;
    std::thread([weak, nodeName] {
        Monitor& monitor = Monitor::instance();
        if (!daemonSocketPresent() || !monitor.running(std::chrono::seconds(5)))
            return;
        if (auto w = weak.lock(); w && !monitor.present(nodeName))
            w->postGone("is not there");
    }).detach();
}

} // namespace platform::pipewire
