#include "platform/capture/DriverKeys.h"

#include "platform/capture/DriverModes.h"
#include "platform/registry/Registry.h"

namespace platform {

namespace {

const QString kVersionKey = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion");
// A build of the newer system, on which drivers keep their keys under the mapper.
const QString kSystemVersion = QStringLiteral("4.10.2222");
const QString kMediaResourcesKey =
    QStringLiteral("System\\CurrentControlSet\\Control\\MediaResources\\msvideo\\MSVideo.VFWWDM");
const QString kMapperKey = QStringLiteral("Software\\Microsoft\\VfWWDM Mapper\\");
const QString kImageWidth = QStringLiteral("ImageWidth");
const QString kImageHeight = QStringLiteral("ImageHeight");

} // namespace

QString driverKeyPath(const std::string& devicePath) {
    return kMapperKey +
           QString::fromStdString(devicePath).replace(QLatin1Char('\\'), QLatin1Char('#'));
}

bool storePictureSize(Registry& registry, const CaptureDriver& driver, PictureSize size) {
    auto key = registry.openKey(driverKeyPath(driver.spec().devicePath));
    return key && key->writeDword(kImageWidth, static_cast<std::uint32_t>(size.width)) &&
           key->writeDword(kImageHeight, static_cast<std::uint32_t>(size.height));
}

void installRegistryKeys(const DriverTable& drivers, Registry& registry,
                         const FittedWidths& fitted) {
    if (auto key = registry.createKey(kVersionKey);
        key && !key->readString(QStringLiteral("VersionNumber")))
        key->writeString(QStringLiteral("VersionNumber"), kSystemVersion);

    const CaptureDriver* first = nullptr;
    for (const auto& driver : drivers)
        if (driver && !first)
            first = driver.get();
    // Kept current: a replaced first camera must not leave the program on the old one's key.
    if (first)
        if (auto key = registry.createKey(kMediaResourcesKey))
            key->writeString(QStringLiteral("DevicePath"),
                             QString::fromStdString(first->spec().devicePath));

    for (const auto& driver : drivers) {
        if (!driver)
            continue;
        auto key = registry.createKey(driverKeyPath(driver->spec().devicePath));
        if (!key)
            continue;
        const PictureSize size = firstSightMode(*driver, fitted).size;
        if (!key->readDword(kImageWidth))
            key->writeDword(kImageWidth, static_cast<std::uint32_t>(size.width));
        if (!key->readDword(kImageHeight))
            key->writeDword(kImageHeight, static_cast<std::uint32_t>(size.height));
    }
}

} // namespace platform
