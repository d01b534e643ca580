#include "Support.h"

#include "platform/profile/Profile.h"
#include "settings/DriverKey.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

const QString kMapper = QStringLiteral("Software\\Microsoft\\VfWWDM Mapper\\");
const QString kMedia = settings::mediaResourcesKey({});
const char* const kSizeNames[] = {"ImageWidth", "ImageHeight", "ApWidth", "ApHeight"};

// The size values of a key in the order of kSizeNames: a number, "text", or - when absent.
QString sizesIn(platform::Registry& registry, const QString& path) {
    QStringList shown;
    const auto key = registry.openKey(path);
    for (const char* name : kSizeNames) {
        if (const auto number = key ? key->readDword(name) : std::nullopt)
            shown << QString::number(*number);
        else if (const auto text = key ? key->readString(name) : std::nullopt)
            shown << QStringLiteral("\"%1\"").arg(*text);
        else
            shown << QStringLiteral("-");
    }
    return shown.join(' ');
}

struct Dance {
    const char* version;    // "VersionNumber"; null: no such value
    const char* devicePath; // null: no media-resources key
    QString keyPath;
    const char* sizes = nullptr; // the driver key's values; null: the file never changes
    const char *atStart = "- - - -", *atExit = "- - - -", *atNextStart = "- - - -";
};
const char* const kNoVersionKey = "(no version key)";

// Start-up, exit and the next start against one registry file, as the program makes them.
void dance(const Dance& row) {
    test::StartDir dir;
    QJsonObject machine;
    if (row.version != kNoVersionKey)
        machine.insert("Software\\Microsoft\\Windows\\CurrentVersion",
                       row.version ? QJsonObject{{"VersionNumber", row.version}}
                                   : QJsonObject{{"ProductName", "x"}});
    if (row.devicePath)
        machine.insert(kMedia, QJsonObject{{"DevicePath", row.devicePath}});
    if (row.sizes) {
        QJsonObject key = machine.value(row.keyPath).toObject();
        const QStringList values = QString(row.sizes).split(' ');
        for (int i = 0; i < 4; ++i)
            if (values[i] != "-")
                key.insert(kSizeNames[i], values[i].startsWith('"')
                                              ? QJsonValue(values[i].mid(1).chopped(1))
                                              : QJsonValue(values[i].toInt()));
        machine.insert(row.keyPath, key);
    }
    const QString file = dir.write(
        "registry.json", QJsonDocument(QJsonObject{{"HKEY_LOCAL_MACHINE", machine}}).toJson());
    const QByteArray before = test::contentsOf(file);
    {
        platform::JsonRegistry registry(file);
        const QString keyPath = settings::deriveDriverKeyPath(registry, {});
        EXPECT_EQ(keyPath, row.keyPath);
        settings::restorePictureSize(registry, keyPath);
        EXPECT_EQ(sizesIn(registry, keyPath), QString(row.atStart));
        settings::writeBackPictureSize(registry, keyPath);
        EXPECT_EQ(sizesIn(registry, keyPath), QString(row.atExit));
    }
    platform::JsonRegistry next(file);
    settings::restorePictureSize(next, settings::deriveDriverKeyPath(next, {}));
    EXPECT_EQ(sizesIn(next, row.keyPath), QString(row.atNextStart));
    if (!row.sizes) {
        EXPECT_EQ(test::contentsOf(file), before);
    }
}

TEST(Settings, TheRegistryDance) {
    const std::pair<const char*, Dance> keys[] = {
        {"equal", {"4.10.2150", "cam", kMapper + "cam"}},
        {"later 4.10 build", {"4.10.2222", "cam", kMapper + "cam"}},
        {"version 5", {"5.0", "cam", kMapper + "cam"}},
        {"earlier 4.10 build", {"4.10.1998", "cam", kMedia}},
        {"4.00", {"4.00.950", "cam", kMedia}},
        {"empty version", {"", "cam", kMedia}},
        {"no version value", {nullptr, "cam", kMedia}},
        {"no version key", {kNoVersionKey, "cam", kMedia}},
        {"backslashes", {"5.0", "\\usb\\vid?1\\", kMapper + "#usb#vid?1#"}},
        {"no device path",
         {"5.0", nullptr, kMapper, "640 480 - -", "640 480 - -", "320 240 640 480",
          "640 480 640 480"}},
        {"older system",
         {nullptr, "cam", kMedia, "160 120 - -", "160 120 - -", "176 144 160 120",
          "160 120 160 120"}},
    };
    for (const auto& [what, row] : keys) {
        SCOPED_TRACE(what);
        dance(row);
    }
    // The driver's key at exit and at the next start (sizes given, then after each step).
    const char* sizes[][4] = {
        {"321 1 9 9", "9 9 9 9", "176 144 9 9", "9 9 9 9"},
        {"321 1 - -", "321 1 - -", "320 240 321 1", "321 1 321 1"},
        {"176 999 - -", "176 999 - -", "176 999 176 999", "176 999 176 999"},
        {"320 240 - -", "320 240 - -", "320 240 320 240", "320 240 320 240"},
        {"- 240 640 480", "- 480 640 480", "- 480 640 480", "- 480 640 480"},
        {"\"640\" 480 320 240", "\"640\" 240 320 240", "\"640\" 240 320 240",
         "\"640\" 240 320 240"},
    };
    for (const auto& [given, atStart, atExit, atNextStart] : sizes) {
        SCOPED_TRACE(given);
        dance({"5.0", "cam", kMapper + "cam", given, atStart, atExit, atNextStart});
    }
}

TEST(Settings, ProfileLookups) {
    test::StartDir dir;
    const QString ini = dir.write("Camera.ini", "\xEF\xBB\xBFVendor=before any section\n"
                                                "[Strings]\r\n  Vendor \t=  Acme Optics \t\r\n"
                                                ";Model=Commented\nModel=First\nmodel=Second\n"
                                                "Empty=\n[ tiralux ]\nMSVIDEO=Other\n"
                                                "[strings]\nLate=in a second section\n");
    const char* rows[][3] = {
        {"Strings", "Vendor", "Acme Optics"}, {"STRINGS", "vENDOR", "Acme Optics"},
        {"Strings", "Model", "First"},        {"Strings", "Empty", ""},
        {"Tiralux", "MSVideo", "Other"},      {"Strings", "Late", "fallback"},
        {"Strings", ";Model", "fallback"},    {"Nothing", "Vendor", "fallback"},
        {"Strings", "Missing", "fallback"},   {"", "Vendor", "fallback"},
    };
    for (const auto& [section, key, expected] : rows)
        EXPECT_EQ(platform::privateProfileString(section, key, "fallback", ini).value(), expected)
            << section << "/" << key;
    EXPECT_EQ(settings::captionOf(settings::readCameraSettings(ini)), "Acme Optics First");

    // No file is no fault; a file in a form that cannot be read is, and says which.
    const QString fifo = dir.path() + "/fifo.ini";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& file : {dir.path() + "/none.ini", fifo, dir.path()}) {
        QString fault;
        const settings::CameraSettings read = settings::readCameraSettings(file, &fault);
        EXPECT_EQ(settings::captionOf(read) + read.MSVideo.c_str(), " USB CameraVFWWDM");
        EXPECT_EQ(fault.contains(file), !file.endsWith("none.ini")) << fault.toStdString();
    }
}

// One pair of matching quotes around a value is dropped, as the system's profile lookup does;
// a file that is not valid UTF-8 is the Windows code page it was written in.
TEST(Settings, QuotedValuesAndAnsiText) {
    test::StartDir dir;
    const std::pair<QByteArray, QString> rows[] = {
        {R"("Acme")", "Acme"},
        {R"('Acme')", "Acme"},
        {R"(  "Acme Optics"  )", "Acme Optics"},
        {R"(" Acme ")", " Acme "},
        {R"("")", ""},
        {R"(""Acme"")", R"("Acme")"},
        {R"("Acme')", R"("Acme')"},
        {R"("Acme)", R"("Acme)"},
        {R"(")", R"(")"},
        {R"(Ac"me")", R"(Ac"me")"},
        {"Caf\xC3\xA9 \xE2\x82\xAC", QString::fromUtf16(u"Caf\u00E9 \u20AC")},
        {"\"Caf\xE9 \x80\x8A\x9F\x81\"", QString::fromUtf16(u"Caf\u00E9 \u20AC\u0160\u0178\u0081")},
        {"Caf\xC3", QString::fromUtf16(u"Caf\u00C3")},
    };
    for (const auto& [value, expected] : rows) {
        SCOPED_TRACE(value.toStdString());
        const QString ini = dir.write("Camera.ini", "[Strings]\nVendor=" + value + "\n");
        EXPECT_EQ(platform::privateProfileString("Strings", "Vendor", "fallback", ini).value(),
                  expected);
    }
    const QString ini = dir.write("Camera.ini", "[Strings]\r\nVendor=\"Acme\"\r\n");
    EXPECT_EQ(settings::captionOf(settings::readCameraSettings(ini)), "Acme USB Camera");
}

} // namespace
