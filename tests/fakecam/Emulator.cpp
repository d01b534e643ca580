#include "Emulator.h"

#include "Real.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace fakecam {

namespace {

constexpr unsigned kVideoMajor = 81;

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// "video7" -> 7, as udev numbers the nodes; anything else gets a number past them.
unsigned minorOf(const std::string& name, unsigned fallback) {
    if (name.rfind("video", 0) == 0 && name.size() > 5) {
        char* end = nullptr;
        unsigned long n = std::strtoul(name.c_str() + 5, &end, 10);
        if (*end == '\0' && n < 256) {
            return static_cast<unsigned>(n);
        }
    }
    return fallback;
}

} // namespace

Emulator*& Emulator::instance() {
    static Emulator* emulator = create();
    return emulator;
}

Emulator* Emulator::get() {
    Emulator* emulator = instance();
    return emulator && !emulator->forked_.load(std::memory_order_relaxed) ? emulator : nullptr;
}

Emulator* Emulator::create() {
    const char* config = std::getenv("FAKECAM_CONFIG");
    const char* directory = std::getenv("FAKECAM_DEVICE_DIR");
    if (!config || !*config || !directory || !*directory) {
        return nullptr;
    }
    const std::string dir = withoutTrailingSlashes(directory);
    if (dir == "/dev" || dir.rfind("/dev/", 0) == 0 || dir.front() != '/') {
        std::fprintf(stderr,
                     "fakecam: FAKECAM_DEVICE_DIR must be an absolute directory outside /dev "
                     "(%s); the emulator stays off\n",
                     directory);
        return nullptr;
    }
    const char* log = std::getenv("FAKECAM_LOG");
    const char* trace = std::getenv("FAKECAM_TRACE");
    const char* sysfs = std::getenv("FAKECAM_SYSFS_DIR");
    // Never destroyed: the program's threads may still call in while the process exits.
    auto* emulator = new Emulator(config, dir, sysfs ? withoutTrailingSlashes(sysfs) : "",
                                  log ? log : "", trace && *trace == '1');
    // A forked child shares our descriptors but not our threads or locks: until it execs,
    // it gets the plain calls.
    pthread_atfork(nullptr, nullptr, [] {
        if (Emulator* e = instance()) {
            e->forked_.store(true);
        }
    });
    return emulator;
}

Emulator::Emulator(std::string config, std::string directory, std::string sysfs, std::string log,
                   bool trace)
    : configPath_(std::move(config)), directory_(std::move(directory)), sysfs_(std::move(sysfs)),
      log_(std::move(log)), trace_(trace) {
    char resolved[PATH_MAX];
    if (realpath(directory_.c_str(), resolved)) {
        realDirectory_ = resolved;
    }
    // The nodes must be there before the program first lists the directory.
    std::lock_guard lock(configMutex_);
    refresh();
}

std::optional<std::string> Emulator::nodeName(const char* path) const {
    if (!path) {
        return std::nullopt;
    }
    for (const std::string* dir : {&directory_, &realDirectory_}) {
        if (dir->empty() || std::strncmp(path, dir->c_str(), dir->size()) != 0) {
            continue;
        }
        const char* rest = path + dir->size();
        if (*rest != '/') {
            continue;
        }
        while (*rest == '/') {
            ++rest;
        }
        if (*rest && !std::strchr(rest, '/')) {
            return std::string(rest);
        }
    }
    return std::nullopt;
}

std::optional<Emulator::Node> Emulator::node(const std::string& name) {
    std::lock_guard lock(configMutex_);
    refresh();
    auto it = nodes_.find(name);
    if (it == nodes_.end()) {
        return std::nullopt;
    }
    return it->second;
}

void Emulator::refresh() {
    Identity now;
    struct stat st {};
    if (real().stat(configPath_.c_str(), &st) == 0) {
        now = {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim};
    }
    if (now == identity_ && (now.present || nodes_.empty())) {
        return;
    }
    identity_ = now;
    std::map<std::string, Node> nodes;
    std::string text;
    std::string problem;
    if (!now.present || !readWholeFile(configPath_.c_str(), text)) {
        problem = "cannot be read";
    } else {
        try {
            Config config = parseConfig(text);
            unsigned next = 200;
            for (CameraConfig& c : config.cameras) {
                auto camera = std::make_shared<Camera>(std::move(c), log_);
                const CameraConfig& cc = camera->config();
                std::vector<std::string> names = {cc.node};
                if (!cc.metaNode.empty()) {
                    names.push_back(cc.metaNode);
                }
                camera->setPlugHook([this, names, card = cc.card](bool plugged) {
                    for (const std::string& name : names) {
                        if (plugged) {
                            makeNodeFiles(name, card);
                        } else {
                            removeNodeFiles(name);
                        }
                    }
                });
                if (!cc.unplugFile.empty()) {
                    if (!plugWatch_) {
                        plugWatch_ = std::make_unique<PlugWatch>([this] { followPlugs(); });
                    }
                    plugWatch_->watchFileIn(cc.unplugFile);
                }
                nodes[cc.node] = {camera, cc.m2m ? NodeRole::M2m : NodeRole::Capture,
                                  minorOf(cc.node, next++)};
                if (!cc.metaNode.empty()) {
                    nodes[cc.metaNode] = {camera, NodeRole::Metadata, minorOf(cc.metaNode, next++)};
                }
            }
        } catch (const std::exception& e) {
            problem = e.what();
            nodes.clear();
        }
    }
    if (!problem.empty()) {
        std::fprintf(stderr, "fakecam: %s: %s\n", configPath_.c_str(), problem.c_str());
        log_.line("*", "CONFIG error " + problem);
    }
    // Cameras of the old config are released once their last descriptor closes.
    std::map<std::string, Node> before = std::move(nodes_);
    nodes_ = std::move(nodes);
    placePlaceholders(before);
}

void Emulator::placePlaceholders(const std::map<std::string, Node>& before) {
    for (const auto& [name, unused] : before) {
        if (!nodes_.count(name)) {
            removeNodeFiles(name);
        }
    }
    for (const auto& [name, node] : nodes_) {
        // A camera whose unplug file is there already starts unplugged, without its nodes.
        if (node.camera->plugged()) {
            makeNodeFiles(name, node.camera->config().card);
        } else {
            removeNodeFiles(name);
        }
    }
}

void Emulator::makeNodeFiles(const std::string& name, const std::string& card) const {
    UniqueFd fd(real().open(placeholder(name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    if (!fd.valid()) {
        std::fprintf(stderr, "fakecam: cannot create %s: %s\n", placeholder(name).c_str(),
                     std::strerror(errno));
    }
    writeSysfsName(name, card);
}

void Emulator::removeNodeFiles(const std::string& name) const {
    // Only our own empty placeholder goes, never a file someone else put there.
    struct stat st {};
    const std::string path = placeholder(name);
    if (real().lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0) {
        unlink(path.c_str());
    }
    removeSysfsName(name);
}

void Emulator::followPlugs() {
    std::vector<std::shared_ptr<Camera>> cameras;
    {
        std::lock_guard lock(configMutex_);
        for (const auto& [name, node] : nodes_) {
            if (node.role != NodeRole::Metadata) {
                cameras.push_back(node.camera);
            }
        }
    }
    for (const auto& camera : cameras) {
        camera->plugged();
    }
}

void Emulator::writeSysfsName(const std::string& name, const std::string& card) const {
    if (sysfs_.empty()) {
        return;
    }
    // The kernel's name attribute: the card name as its 32-byte field holds it, and a newline.
    const std::string text = card.substr(0, 31) + "\n";
    const std::string dir = sysfsNode(name);
    const std::string path = dir + "/name";
    std::string now;
    if (readWholeFile(path.c_str(), now) && now == text) {
        return;
    }
    // Every process under the emulator writes it: each its own file, renamed into place, so
    // that a reader never sees half of one.
    for (std::size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
        mkdir(dir.substr(0, slash).c_str(), 0755);
        if (slash == std::string::npos) {
            break;
        }
    }
    const std::string aside = path + ".fakecam-" + std::to_string(getpid());
    UniqueFd fd(real().open(aside.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd.valid() ||
        ::write(fd.get(), text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
        std::rename(aside.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "fakecam: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        unlink(aside.c_str());
    }
}

void Emulator::removeSysfsName(const std::string& name) const {
    if (sysfs_.empty()) {
        return;
    }
    struct stat st {};
    const std::string path = sysfsNode(name) + "/name";
    if (real().lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        unlink(path.c_str());
    }
    rmdir(sysfsNode(name).c_str()); // only when nothing else is left in it
}

void Emulator::listing(const char* path) {
    if (!path) {
        return;
    }
    const std::string dir = withoutTrailingSlashes(path);
    if (dir == directory_ || dir == realDirectory_) {
        std::lock_guard lock(configMutex_);
        refresh();
    }
}

std::optional<int> Emulator::open(const char* path, int flags) {
    std::optional<std::string> name = nodeName(path);
    if (!name) {
        return std::nullopt;
    }
    std::optional<Node> n = node(*name);
    if (!n) {
        return std::nullopt;
    }
    // A node its unplugged camera took away is not there to open (ENOENT) until the camera
    // follows its unplug file: a program that opens it as it appears finds the camera back.
    struct stat st {};
    if (real().lstat(placeholder(*name).c_str(), &st) != 0) {
        n->camera->plugged();
        if (real().lstat(placeholder(*name).c_str(), &st) != 0) {
            return std::nullopt;
        }
    }
    std::shared_ptr<OpenFile> opened;
    const int fd = n->camera->open(n->role, *name, flags, opened);
    if (fd < 0) {
        errno = -fd;
        return -1;
    }
    setFile(fd, std::move(opened));
    return fd;
}

bool Emulator::statNode(const char* path, struct stat& st) {
    std::optional<std::string> name = nodeName(path);
    if (!name) {
        return false;
    }
    std::optional<Node> n = node(*name);
    if (!n || real().stat(placeholder(*name).c_str(), &st) != 0) {
        return false;
    }
    st.st_mode = S_IFCHR | 0660;
    st.st_rdev = makedev(kVideoMajor, n->minor);
    st.st_size = 0;
    return true;
}

bool Emulator::statFile(int fd, struct stat& st) {
    std::shared_ptr<OpenFile> f = file(fd);
    if (!f) {
        return false;
    }
    // The same answer as for the path, so that a program that compares the two agrees.
    if (!statNode(placeholder(f->node()).c_str(), st)) {
        if (real().fstat(fd, &st) != 0) {
            return false;
        }
        st.st_mode = S_IFCHR | 0660;
        st.st_rdev = makedev(kVideoMajor, minorOf(f->node(), 255));
    }
    return true;
}

std::shared_ptr<OpenFile> Emulator::file(int fd) const {
    std::lock_guard lock(filesMutex_);
    auto it = files_.find(fd);
    return it == files_.end() ? nullptr : it->second;
}

void Emulator::setFile(int newFd, std::shared_ptr<OpenFile> file) {
    std::shared_ptr<OpenFile> previous;
    {
        std::lock_guard lock(filesMutex_);
        auto it = files_.find(newFd);
        if (it != files_.end()) {
            previous = std::move(it->second);
            files_.erase(it);
        }
        if (file) {
            files_[newFd] = std::move(file);
        }
        fileCount_.store(static_cast<int>(files_.size()), std::memory_order_release);
    }
    // previous may be the last reference: its release can wait for a producer thread, which
    // must not happen under the table's lock.
    previous.reset();
}

} // namespace fakecam
