#include "settings/DriverKey.h"

namespace settings {

namespace {

const QString kVersionKey = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion");
const QString kMapperKey = QStringLiteral("Software\\Microsoft\\VfWWDM Mapper\\");
// The first system version whose drivers keep their size under the video mapper.
const QString kMapperVersion = QStringLiteral("4.10.2150");

QString readString(platform::Registry& registry, const QString& path, const QString& name) {
    const auto key = registry.openKey(path);
    return key ? key->readString(name).value_or(QString()) : QString();
}

} // namespace

QString deriveDriverKeyPath(platform::Registry& registry, const CameraSettings& settings) {
    const QString version = readString(registry, kVersionKey, QStringLiteral("VersionNumber"));
    const QString mediaKey = mediaResourcesKey(settings);
    QString devicePath = readString(registry, mediaKey, QStringLiteral("DevicePath"));
    devicePath.replace(QLatin1Char('\\'), QLatin1Char('#'));
    // A comparison of the texts, not of the version's numbers, as the system has always made.
    if (QString::localeAwareCompare(version, kMapperVersion) < 0)
        return mediaKey;
    return kMapperKey + devicePath;
}

void restorePictureSize(platform::Registry& registry, const QString& driverKeyPath) {
    const auto key = registry.openKey(driverKeyPath);
    if (!key)
        return;
    for (const auto& [kept, own] :
         {std::pair{"ApWidth", "ImageWidth"}, {"ApHeight", "ImageHeight"}}) {
        const auto size = key->readDword(QLatin1String(kept));
        if (size && key->readDword(QLatin1String(own)))
            key->writeDword(QLatin1String(own), *size);
    }
}

void writeBackPictureSize(platform::Registry& registry, const QString& driverKeyPath) {
    const auto key = registry.openKey(driverKeyPath);
    if (!key)
        return;
    const auto width = key->readDword(QStringLiteral("ImageWidth"));
    const auto height = key->readDword(QStringLiteral("ImageHeight"));
    if (!width || !height)
        return;
    // The size is clamped only once it is kept: a failed write must not lose it.
    if (!key->writeDword(QStringLiteral("ApWidth"), *width) ||
        !key->writeDword(QStringLiteral("ApHeight"), *height))
        return;
    // The width read decides; the height plays no part.
    std::optional<std::pair<std::uint32_t, std::uint32_t>> clamped;
    if (*width > 320)
        clamped = {320, 240};
    else if (*width < 176)
        clamped = {176, 144};
    if (clamped && key->writeDword(QStringLiteral("ImageWidth"), clamped->first))
        key->writeDword(QStringLiteral("ImageHeight"), clamped->second);
}

} // namespace settings
