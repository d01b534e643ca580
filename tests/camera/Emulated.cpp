#include "Emulated.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTextStream>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace test {

namespace {

QString environment(const char* name) {
    return QString::fromLocal8Bit(std::getenv(name));
}

// A new file each time (written aside, then renamed), so that the emulator sees the change.
void writeConfig(const QJsonArray& cameras) {
    QSaveFile file(environment("FAKECAM_CONFIG"));
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write the emulator's config");
    file.write(QJsonDocument(QJsonObject{{"cameras", cameras}}).toJson());
    if (!file.commit())
        throw std::runtime_error("cannot write the emulator's config");
}

} // namespace

bool EmulatedCameras::available() {
    return !environment("FAKECAM_CONFIG").isEmpty() && !environment("FAKECAM_DEVICE_DIR").isEmpty();
}

EmulatedCameras::EmulatedCameras(const std::string& camerasJson) {
    for (const QJsonValue& camera : configured(camerasJson))
        replug(camera.toObject().value("node").toString());
    reconfigure(camerasJson);
    clearLog();
}

void EmulatedCameras::reconfigure(const std::string& camerasJson) const {
    writeConfig(configured(camerasJson));
}

QJsonArray EmulatedCameras::configured(const std::string& camerasJson) const {
    QJsonParseError error{};
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromStdString(camerasJson), &error);
    if (!doc.isArray())
        throw std::runtime_error("cameras must be a JSON list: " +
                                 error.errorString().toStdString());
    QJsonArray cameras;
    for (const QJsonValue& value : doc.array()) {
        QJsonObject camera = value.toObject();
        const QString node = camera.value("node").toString();
        camera.insert("unplugFile", unplugFile(node));
        if (!camera.contains("formats"))
            camera.insert("formats", QJsonDocument::fromJson(R"([{"fourcc":"YUYV",
                "sizes":[[640,480,[30]]]}])")
                                         .array());
        cameras.append(camera);
    }
    return cameras;
}

EmulatedCameras::~EmulatedCameras() {
    try {
        writeConfig({});
    } catch (const std::exception&) {
        // The next test writes its own.
    }
}

platform::DriverTable EmulatedCameras::machineDrivers() {
    return platform::loadMachineDrivers();
}

QStringList EmulatedCameras::log(const QString& node) const {
    QFile file(environment("FAKECAM_LOG"));
    QStringList lines;
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    const QString prefix = node + QLatin1Char(' ');
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith(prefix.toUtf8()))
            lines << QString::fromUtf8(line.mid(prefix.size()));
    return lines;
}

void EmulatedCameras::clearLog() const {
    QFile file(environment("FAKECAM_LOG"));
    if (file.exists())
        file.resize(0);
}

QString EmulatedCameras::unplugFile(const QString& node) const {
    return environment("FAKECAM_DEVICE_DIR") + QStringLiteral("/../unplugged-") + node;
}

void EmulatedCameras::unplug(const QString& node) const {
    QFile file(unplugFile(node));
    file.open(QIODevice::WriteOnly);
}

void EmulatedCameras::replug(const QString& node) const {
    QFile::remove(unplugFile(node));
}

QString EmulatedCameras::deviceDirectory() const {
    return environment("FAKECAM_DEVICE_DIR");
}

int bandDifference(const QImage& image) {
    if (image.isNull())
        return 255;
    static const QRgb bands[] = {qRgb(200, 50, 50), qRgb(50, 200, 50), qRgb(50, 50, 200),
                                 qRgb(200, 200, 50)};
    int worst = 0;
    for (int i = 0; i < 4; ++i) {
        const QRgb seen = image.pixel(image.width() * (2 * i + 1) / 8, image.height() * 2 / 3);
        worst = std::max({worst, std::abs(qRed(seen) - qRed(bands[i])),
                          std::abs(qGreen(seen) - qGreen(bands[i])),
                          std::abs(qBlue(seen) - qBlue(bands[i]))});
    }
    return worst;
}

// Out of line: built from a literal of known length where it is used, GCC 12 warns of a
// copy out of bounds that cannot happen (-Warray-bounds).
std::string listOf(const char* cameraJson) {
    return std::string("[") + cameraJson + "]";
}

} // namespace test
