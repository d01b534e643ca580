#include "settings/CameraSettings.h"

#include "platform/profile/Profile.h"

namespace settings {

CameraSettings readCameraSettings(const QString& iniFile, QString* fault) {
    const CameraSettings defaults;
    const auto read = [&](const char* section, const char* key, const std::string& fallback) {
        const platform::Result<QString> value = platform::privateProfileString(
            QLatin1String(section), QLatin1String(key), QString::fromStdString(fallback), iniFile);
        if (value)
            return value->toStdString();
        if (fault)
            *fault = value.why();
        return fallback;
    };
    CameraSettings s;
    s.MSVideo = read("Tiralux", "MSVideo", defaults.MSVideo);
    s.Vendor = read("Strings", "Vendor", defaults.Vendor);
    s.Model = read("Strings", "Model", defaults.Model);
    return s;
}

} // namespace settings
