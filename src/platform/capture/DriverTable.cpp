#include "platform/capture/DriverTable.h"

#include "platform/capture/V4l2Device.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// A picture larger than a 4K camera's is no driver of ours: each frame would cost tens of
// megabytes and a core to draw.
constexpr int kMaxPictureSide = 4096;
constexpr std::int64_t kMaxPicturePixels = 3840 * 2160;
// Far more than any hand-written drivers file; read no more than this.
constexpr qint64 kMaxDriversFile = 1 << 20;

// Line and column of a byte offset, so that a fault in a hand-written file can be found.
std::string whereInText(const QByteArray& text, int offset) {
    int line = 1, column = 1;
    for (int i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

std::string failure(const std::string& path, const std::string& fault) {
    return "Cannot use the capture drivers file \"" + path + "\": " + fault;
}

// Reads one driver entry into the table; returns the fault, or an empty text.
std::string readEntry(const QJsonValue& value, int position, DriverTable& table) {
    const std::string where = "driver entry " + std::to_string(position + 1);
    if (!value.isObject())
        return where + " is not an object";
    const QJsonObject entry = value.toObject();

    const QJsonValue index = entry.value("index");
    if (index.isUndefined())
        return where + " has no \"index\"";
    const double raw = index.toDouble(-1);
    if (!index.isDouble() || raw != static_cast<int>(raw) || raw < 0 || raw >= kDriverSlots)
        return where + ": \"index\" must be a whole number from 0 to 9";
    const int slot = static_cast<int>(raw);
    if (table[slot])
        return where + ": index " + std::to_string(slot) + " is listed twice";

    DriverSpec spec;
    for (const auto& [key, target] : {std::pair{"name", &spec.name}, {"version", &spec.version}}) {
        const QJsonValue text = entry.value(key);
        if (text.isUndefined())
            continue;
        if (!text.isString())
            return where + ": \"" + key + "\" must be a string";
        *target = text.toString().toStdString();
    }
    const QJsonValue connect = entry.value("connect");
    if (!connect.isUndefined()) {
        if (!connect.isBool())
            return where + ": \"connect\" must be true or false";
        spec.acceptsConnect = connect.toBool();
    }
    for (const auto& [key, target] : {std::pair{"width", &spec.width}, {"height", &spec.height}}) {
        const QJsonValue side = entry.value(key);
        if (side.isUndefined())
            continue;
        const double v = side.toDouble(-1);
        if (!side.isDouble() || v != static_cast<int>(v) || v < 1 || v > kMaxPictureSide)
            return where + ": \"" + key + "\" must be a whole number from 1 to " +
                   std::to_string(kMaxPictureSide);
        *target = static_cast<int>(v);
    }
    if (std::int64_t(spec.width) * spec.height > kMaxPicturePixels)
        return where + ": a picture of " + std::to_string(spec.width) + " x " +
               std::to_string(spec.height) + " is larger than the " +
               std::to_string(kMaxPicturePixels) + " pixels a driver may have";
    const QJsonValue stall = entry.value("stallAfterFrames");
    if (!stall.isUndefined()) {
        const double v = stall.toDouble(-1);
        if (!stall.isDouble() || v != static_cast<int>(v) || v < 0)
            return where + ": \"stallAfterFrames\" must be a whole number from 0";
        spec.stallAfterFrames = static_cast<int>(v);
    }
    table[slot] = std::move(spec);
    return {};
}

// Reads a regular file of at most kMaxDriversFile bytes. Opened without blocking, so that a
// FIFO or a device in its place is refused instead of holding up the start.
std::string readSmallFile(const std::string& path, QByteArray& text) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::strerror(errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return std::strerror(errno);
    if (!S_ISREG(info.st_mode))
        return "it is not a regular file";
    if (info.st_size > kMaxDriversFile)
        return "it holds " + std::to_string(info.st_size) + " bytes, more than the " +
               std::to_string(kMaxDriversFile) + " a drivers file may have";
    text.resize(static_cast<qsizetype>(info.st_size));
    qsizetype got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(fd, text.data() + got, static_cast<size_t>(text.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::strerror(errno);
        if (n == 0)
            break;
        got += n;
    }
    text.truncate(got);
    return {};
}

} // namespace

LoadedDrivers loadMachineDrivers() {
    LoadedDrivers loaded;
    int slot = 0;
    for (const auto& device : v4l2::captureDevices()) {
        if (slot == kDriverSlots)
            return loaded;
        DriverSpec spec;
        spec.name = device.card;
        spec.version = device.driverVersion;
        spec.devicePath = device.path;
        loaded.table[slot++] = std::move(spec);
    }
    if (slot < kDriverSlots) {
        DriverSpec pattern;
        pattern.name = "Test Pattern";
        pattern.version = "1.0";
        loaded.table[slot] = std::move(pattern);
    }
    return loaded;
}

LoadedDrivers loadSimulatedDrivers(const std::string& path) {
    LoadedDrivers loaded;
    QByteArray text;
    if (const std::string fault = readSmallFile(path, text); !fault.empty()) {
        loaded.error = failure(path, fault);
        return loaded;
    }

    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        loaded.error = failure(path, parseError.errorString().toStdString() + " at " +
                                         whereInText(text, parseError.offset));
        return loaded;
    }
    const QJsonValue drivers = doc.object().value("drivers");
    if (!doc.isObject() || !drivers.isArray()) {
        loaded.error = failure(path, "expected an object with a \"drivers\" array");
        return loaded;
    }
    const QJsonArray entries = drivers.toArray();
    for (int i = 0; i < entries.size(); ++i) {
        const std::string fault = readEntry(entries.at(i), i, loaded.table);
        if (!fault.empty()) {
            // A half-read file would give a driver table nobody asked for: use none.
            return LoadedDrivers{{}, failure(path, fault)};
        }
    }
    return loaded;
}

LoadedDrivers loadDriversFromEnvironment() {
    const char* simulated = std::getenv("NIMBACAST_CAPTURE_DRIVERS");
    if (simulated && *simulated)
        return loadSimulatedDrivers(simulated);
    return loadMachineDrivers();
}

} // namespace platform
