#include "platform/capture/pipewire/PipeWireMonitor.h"

#include "platform/files/UniqueFd.h"
#include "platform/gst/GstHandles.h"

#include <QObject>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

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

// A connection to the daemon's socket; none when nothing listens there.
UniqueFd connectTo(const std::string& path) {
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return {};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, path.size());
    UniqueFd connection(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!connection || ::connect(connection.get(), reinterpret_cast<const sockaddr*>(&address),
                                 sizeof address) != 0)
        return {};
    return connection;
}

std::string nodeNameOf(GstDevice* device) {
    const gst::StructurePtr props(gst_device_get_properties(device));
    const char* name = props ? gst_structure_get_string(props.get(), "node.name") : nullptr;
    return name ? name : "";
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
        const gst::ElementPtr element(static_cast<GstElement*>(g_weak_ref_get(&source)));
        if (!element)
            return;
        const gst::ErrorPtr error(g_error_new(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NOT_FOUND,
                                              "the PipeWire node \"%s\" %s", nodeName.c_str(),
                                              why));
        gst_element_post_message(
            element.get(), gst_message_new_error(GST_OBJECT(element.get()), error.get(), nullptr));
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

class Monitor;

// The monitor the provider's thread tells what the daemon says, while it is there: that
// thread runs on past the monitor at exit.
std::mutex toldMutex;
Monitor* told = nullptr; // guarded by toldMutex

// GStreamer's PipeWire device provider, of which a process has one. It is started on a
// thread of the monitor's own (a daemon that takes the connection and never answers must not
// hold the interface), and then runs until the process ends: it tells of nodes that go away
// while they stream, and stopping it is what its implementation was seen to get wrong here
// (over and over, and once at exit, where its thread frees what it has freed). So the
// monitor lives as long as the process, not as long as the program's objects (a test makes
// and drops many): it is destroyed with the other statics at exit, where it ends and joins
// its own threads and leaves the provider running for the process to end.
class Monitor {
public:
    static Monitor& instance() {
        static Monitor monitor;
        return monitor;
    }
    Monitor() {
        std::lock_guard lock(toldMutex);
        told = this;
    }
    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;

    ~Monitor() {
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
            // A start that waits for a daemon that never answers ends when its connection
            // does; the provider only reads from its own copy of it.
            if (connection_)
                ::shutdown(connection_.get(), SHUT_RDWR);
        }
        changed_.notify_all();
        if (checker_.joinable())
            checker_.join();
        if (starter_.joinable())
            starter_.join();
        // Waits for what the provider's thread is telling now; it tells no one after.
        std::lock_guard lock(toldMutex);
        told = nullptr;
    }

    // Whether the provider runs, waiting for it up to `bound` if it is starting.
    bool running(std::chrono::milliseconds bound) {
        std::unique_lock lock(mutex_);
        if (state_ == State::Idle && !closing_) {
            state_ = State::Starting;
            // A start that failed has ended: its thread is only left to be joined.
            if (starter_.joinable())
                starter_.join();
            starter_ = std::thread([this] { start(); });
        }
        changed_.wait_for(lock, bound, [this] { return state_ != State::Starting || closing_; });
        return state_ == State::Running;
    }

    std::vector<CameraNode> cameras() {
        std::vector<CameraNode> nodes;
        const gst::ObjectListPtr devices(gst_device_provider_get_devices(provider_));
        for (GList* d = devices.get(); d; d = d->next) {
            CameraNode node;
            if (readCameraNode(GST_DEVICE(d->data), node))
                nodes.push_back(std::move(node));
        }
        return nodes;
    }

    bool present(const std::string& nodeName) {
        bool found = false;
        const gst::ObjectListPtr devices(gst_device_provider_get_devices(provider_));
        for (GList* d = devices.get(); d; d = d->next)
            found = found || nodeNameOf(GST_DEVICE(d->data)) == nodeName;
        return found;
    }

    void add(const std::shared_ptr<NodeWatch>& watch) { keep(watches_, watch); }
    void add(const std::shared_ptr<AddedWatch>& watch) { keep(addedWatches_, watch); }

    // Says on the watch's source, as soon as the provider knows, that its node is not there.
    void check(const std::shared_ptr<NodeWatch>& watch) {
        {
            std::lock_guard lock(mutex_);
            if (closing_)
                return;
            unchecked_.push_back(watch);
            if (!checker_.joinable())
                checker_ = std::thread([this] { checkNodes(); });
        }
        changed_.notify_all();
    }

private:
    enum class State { Idle, Starting, Running };

    void start() {
        gst::ensureInitialised();
        // The monitor's own connection to the daemon, which it can end to end the start; the
        // provider talks through a copy of its own.
        UniqueFd connection = connectTo(socketPath());
        gst::ObjectPtr<GstDeviceProvider> provider(
            connection ? gst_device_provider_factory_get_by_name("pipewiredeviceprovider")
                       : nullptr);
        if (provider) {
            g_object_set(provider.get(), "fd", connection.get(), nullptr);
            gst::BusPtr bus(gst_device_provider_get_bus(provider.get()));
            gst_bus_set_sync_handler(bus.get(), &Monitor::onMessage, nullptr, nullptr);
        }
        bool attempt;
        {
            std::lock_guard lock(mutex_);
            attempt = provider && !closing_;
            connection_ = std::move(connection);
        }
        const bool started = attempt && gst_device_provider_start(provider.get());
        std::lock_guard lock(mutex_);
        connection_.reset();
        if (started) {
            // Kept even when the monitor is closing: its destructor stops it.
            provider_ = provider.release();
            state_ = State::Running;
        } else {
            // No daemon after all, or no PipeWire elements: a later connect may try again.
            if (provider) {
                gst::BusPtr bus(gst_device_provider_get_bus(provider.get()));
                gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
            }
            state_ = State::Idle;
        }
        changed_.notify_all();
    }

    // On the monitor's checking thread: each watch is checked once the provider runs, or
    // given up when it does not start within its bound.
    void checkNodes() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return closing_ || !unchecked_.empty(); });
            if (closing_)
                return;
            const std::vector<std::weak_ptr<NodeWatch>> batch = std::exchange(unchecked_, {});
            lock.unlock();
            const bool up = daemonSocketPresent() && running(std::chrono::seconds(5));
            for (const auto& w : batch)
                if (auto watch = w.lock(); up && watch && !present(watch->nodeName))
                    watch->postGone("is not there");
            lock.lock();
        }
    }

    // On the provider's thread, for every message it posts.
    static GstBusSyncReply onMessage(GstBus*, GstMessage* message, gpointer) {
        const gst::MessagePtr owned(message);
        GstDevice* device = nullptr;
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_DEVICE_REMOVED)
            gst_message_parse_device_removed(message, &device);
        else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_DEVICE_ADDED)
            gst_message_parse_device_added(message, &device);
        const gst::DevicePtr changed(device);
        if (!changed)
            return GST_BUS_DROP;
        const std::string nodeName = nodeNameOf(changed.get());
        std::lock_guard lock(toldMutex);
        if (told && GST_MESSAGE_TYPE(message) == GST_MESSAGE_DEVICE_REMOVED)
            told->removed(nodeName);
        else if (told)
            told->added(nodeName);
        return GST_BUS_DROP;
    }

    void removed(const std::string& nodeName) {
        for (const auto& watch : watchesOf(watches_, nodeName))
            watch->postGone("has gone");
    }

    void added(const std::string& nodeName) {
        for (const auto& watch : watchesOf(addedWatches_, nodeName))
            watch->tell();
    }

    // Keeps the watch, letting go of those that have ended.
    template <class Watch>
    void keep(std::vector<std::weak_ptr<Watch>>& all, const std::shared_ptr<Watch>& watch) {
        std::lock_guard lock(mutex_);
        std::erase_if(all, [](const auto& w) { return w.expired(); });
        all.push_back(watch);
    }

    // The watches of that node still alive, taken under the lock and told outside it.
    template <class Watch>
    std::vector<std::shared_ptr<Watch>> watchesOf(const std::vector<std::weak_ptr<Watch>>& all,
                                                  const std::string& nodeName) {
        std::vector<std::shared_ptr<Watch>> found;
        std::lock_guard lock(mutex_);
        for (const auto& w : all)
            if (auto watch = w.lock(); watch && watch->nodeName == nodeName)
                found.push_back(std::move(watch));
        return found;
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    State state_ = State::Idle;
    bool closing_ = false;
    // Set while a start waits for the daemon.
    UniqueFd connection_;
    // Set once, while running; never stopped nor released (see above).
    GstDeviceProvider* provider_ = nullptr;
    std::vector<std::weak_ptr<NodeWatch>> watches_;
    std::vector<std::weak_ptr<AddedWatch>> addedWatches_;
    std::vector<std::weak_ptr<NodeWatch>> unchecked_;
    // Last: they end before what they use goes.
    std::thread starter_;
    std::thread checker_;
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
    const gst::ObjectPtr<GstPlugin> plugin(
        gst_registry_find_plugin(gst_registry_get(), "pipewire"));
    const char* version = plugin ? gst_plugin_get_version(plugin.get()) : nullptr;
    return version ? version : "";
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
    // A node that is not there now never streams.
    Monitor::instance().check(watch);
}

} // namespace platform::pipewire
