#include "platform/capture/drivers/DriversFile.h"

#include "platform/capture/drivers/SimulatedDriver.h"
#include "platform/files/SmallFile.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>

namespace platform {
namespace {

// A picture larger than a 4K camera's is no driver of ours: each frame would cost tens of
// megabytes and a core to draw.
constexpr int kMaxPictureSide = 4096;
constexpr std::int64_t kMaxPicturePixels = 3840 * 2160;
// Far more than any hand-written drivers file; read no more than this.
constexpr qint64 kMaxDriversFile = 1 << 20;

// The whole number a JSON value holds within lowest..highest, or nothing. The range is
// checked on the double first: converting one outside int's range is undefined.
std::optional<int> wholeNumber(const QJsonValue& value, int lowest, int highest) {
    if (!value.isDouble())
        return std::nullopt;
    const double v = value.toDouble();
    if (!(v >= lowest && v <= highest) || std::trunc(v) != v)
        return std::nullopt;
    return static_cast<int>(v);
}

Failure failure(const std::string& path, const QString& fault) {
    return Failure(QStringLiteral("Cannot use the capture drivers file \"%1\": %2")
                       .arg(QString::fromStdString(path), fault));
}

// A size within the bounds of a driver's picture, or the fault.
Result<> checkSize(const std::string& where, PictureSize size) {
    if (std::int64_t(size.width) * size.height > kMaxPicturePixels)
        return Failure(where + ": a picture of " + std::to_string(size.width) + " x " +
                       std::to_string(size.height) + " is larger than the " +
                       std::to_string(kMaxPicturePixels) + " pixels a driver may have");
    return done();
}

// Reads one driver entry into the table, or says what is wrong with it.
Result<> readEntry(const QJsonValue& value, int position, DriverTable& table) {
    const std::string where = "driver entry " + std::to_string(position + 1);
    if (!value.isObject())
        return Failure(where + " is not an object");
    const QJsonObject entry = value.toObject();

    const QJsonValue index = entry.value("index");
    if (index.isUndefined())
        return Failure(where + " has no \"index\"");
    const std::optional<int> raw = wholeNumber(index, 0, kDriverSlots - 1);
    if (!raw)
        return Failure(where + ": \"index\" must be a whole number from 0 to 9");
    const int slot = *raw;
    if (table[slot])
        return Failure(where + ": index " + std::to_string(slot) + " is listed twice");

    DriverSpec spec;
    TestPicture picture;
    SimulatedBehaviour behaviour;
    for (const auto& [key, target] : {std::pair{"name", &spec.name}, {"version", &spec.version}}) {
        const QJsonValue text = entry.value(key);
        if (text.isUndefined())
            continue;
        if (!text.isString())
            return Failure(where + ": \"" + key + "\" must be a string");
        *target = text.toString().toStdString();
    }
    const QJsonValue connect = entry.value("connect");
    if (!connect.isUndefined()) {
        if (!connect.isBool())
            return Failure(where + ": \"connect\" must be true or false");
        behaviour.acceptsConnect = connect.toBool();
    }
    for (const auto& [key, target] :
         {std::pair{"width", &picture.size.width}, {"height", &picture.size.height}}) {
        const QJsonValue side = entry.value(key);
        if (side.isUndefined())
            continue;
        const std::optional<int> v = wholeNumber(side, 1, kMaxPictureSide);
        if (!v)
            return Failure(where + ": \"" + key + "\" must be a whole number from 1 to " +
                           std::to_string(kMaxPictureSide));
        *target = *v;
    }
    if (Result<> fits = checkSize(where, picture.size); !fits)
        return fits;
    const QJsonValue sizes = entry.value("sizes");
    if (!sizes.isUndefined()) {
        if (!sizes.isArray() || sizes.toArray().isEmpty())
            return Failure(where + ": \"sizes\" must be a list of [width, height] pairs");
        for (const QJsonValue& pair : sizes.toArray()) {
            const QJsonArray wh = pair.toArray();
            const auto side = [&](int i) {
                return wholeNumber(wh.at(i), 1, kMaxPictureSide).value_or(-1);
            };
            if (!pair.isArray() || wh.size() != 2 || side(0) < 0 || side(1) < 0)
                return Failure(where +
                               ": \"sizes\" must be a list of [width, height] pairs of whole "
                               "numbers from 1 to " +
                               std::to_string(kMaxPictureSide));
            const PictureSize size{side(0), side(1)};
            if (Result<> fits = checkSize(where, size); !fits)
                return fits;
            picture.sizes.push_back(size);
        }
        if (entry.value("width").isUndefined() && entry.value("height").isUndefined())
            picture.size = picture.sizes.front();
    } else {
        picture.sizes = {picture.size};
    }
    spec.devicePath = "\\\\?\\simulated\\" + std::to_string(slot);
    const QJsonValue devicePath = entry.value("devicePath");
    if (!devicePath.isUndefined()) {
        if (!devicePath.isString() || devicePath.toString().isEmpty())
            return Failure(where + ": \"devicePath\" must be a string that is not empty");
        spec.devicePath = devicePath.toString().toStdString();
    }
    for (const auto& [key, target] : {std::pair{"formatDialog", &behaviour.hasFormatDialog},
                                      {"sourceDialog", &behaviour.hasSourceDialog}}) {
        const QJsonValue flag = entry.value(key);
        if (flag.isUndefined())
            continue;
        if (!flag.isBool())
            return Failure(where + ": \"" + key + "\" must be true or false");
        *target = flag.toBool();
    }
    for (const auto& [key, target] : {std::pair{"stallAfterFrames", &behaviour.stallAfterFrames},
                                      {"failAfterFrames", &behaviour.failAfterFrames}}) {
        const QJsonValue frames = entry.value(key);
        if (frames.isUndefined())
            continue;
        const std::optional<int> v = wholeNumber(frames, 0, std::numeric_limits<int>::max());
        if (!v)
            return Failure(where + ": \"" + key + "\" must be a whole number from 0");
        *target = *v;
    }
    table[slot] = std::make_shared<SimulatedDriver>(std::move(spec), std::move(picture), behaviour);
    return done();
}

} // namespace

Result<DriverTable> loadSimulatedDrivers(const std::string& path) {
    const Result<QByteArray> text = readSmallFile(path, kMaxDriversFile);
    if (!text)
        return failure(path, text.why());

    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(*text, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return failure(path, parseError.errorString() + QStringLiteral(" at ") +
                                 QString::fromStdString(lineAndColumn(*text, parseError.offset)));
    const QJsonValue drivers = doc.object().value("drivers");
    if (!doc.isObject() || !drivers.isArray())
        return failure(path, QStringLiteral("expected an object with a \"drivers\" array"));
    // A half-read file would give a driver table nobody asked for: it gives none.
    DriverTable table;
    const QJsonArray entries = drivers.toArray();
    for (int i = 0; i < entries.size(); ++i) {
        if (const Result<> read = readEntry(entries.at(i), i, table); !read)
            return failure(path, read.why());
    }
    return table;
}

} // namespace platform
