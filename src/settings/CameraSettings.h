#pragma once

#include <QString>

#include <string>

namespace settings {

// What the settings file gives the program; the values stand for an absent file.
struct CameraSettings {
    std::string MSVideo = "VFWWDM";
    std::string Vendor;
    std::string Model = "USB Camera";
};

// The main window's caption: vendor and model with one blank between them, also when
// the vendor is empty.
inline QString captionOf(const CameraSettings& s) {
    return QString::fromStdString(s.Vendor + " " + s.Model);
}

// The driver's media-resources key, named after the settings file's "MSVideo" entry.
inline QString mediaResourcesKey(const CameraSettings& s) {
    return QStringLiteral("System\\CurrentControlSet\\Control\\MediaResources\\msvideo\\MSVideo.") +
           QString::fromStdString(s.MSVideo);
}

// Reads the settings file: "Tiralux"/"MSVideo", "Strings"/"Vendor" and "Strings"/"Model",
// each with its default when the file, its section or the key is absent. `fault` (when
// given) says why a settings file that is there could not be read.
CameraSettings readCameraSettings(const QString& iniFile, QString* fault = nullptr);

} // namespace settings
