#include "ChildRoles.h"
#include "Support.h"

#include "platform/capture/DriverKeys.h"
#include "platform/registry/Registry.h"
#include "settings/DriverKey.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// The file's bytes, or a mark for what is not a regular file (never opened, so never waited
// on).
QByteArray snapshot(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return "(no regular file)";
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// A key path as a JSON member name, its backslashes escaped.
QByteArray member(const QString& path) {
    return '"' + path.toUtf8().replace("\\", "\\\\") + "\": ";
}

QByteArray registryWith(const QByteArray& keys) {
    return R"({"HKEY_LOCAL_MACHINE": {)" + keys + "}}";
}

// What the program does to the registry at start-up and exit.
void startAndExit(platform::Registry& registry) {
    const QString keyPath = settings::deriveDriverKeyPath(registry, {});
    settings::restorePictureSize(registry, keyPath);
    settings::writeBackPictureSize(registry, keyPath);
}

TEST(Registry, KeysAndNamesMatchWithoutCaseAndKeepTheirSpelling) {
    test::StartDir dir;
    const QString file = dir.write("r.json", R"({"Note": 1, "HKEY_LOCAL_MACHINE": {"Software\\Acme":
        {"Width": 320, "Name": "Cam", "Flag": true, "Neg": -1, "Over": 4294967296, "Half": 1.5}}})");
    {
        platform::JsonRegistry registry(file);
        const auto key = registry.openKey("SOFTWARE\\acme\\");
        ASSERT_TRUE(key);
        const std::pair<const char*, std::optional<std::uint32_t>> numbers[] = {
            {"wIdTh", 320}, {"NEG", 0xFFFFFFFF}, {"Over", {}},   {"Half", {}},
            {"Name", {}},   {"Flag", {}},        {"Missing", {}}};
        for (const auto& [name, value] : numbers)
            EXPECT_EQ(key->readDword(name), value) << name;
        EXPECT_EQ(key->readString("NAME"), "Cam");
        EXPECT_EQ(key->readString("Width"), std::nullopt);

        EXPECT_TRUE(key->writeDword("WIDTH", 0xFFFFFFFF) && key->writeString("name", "Other"));
        ASSERT_TRUE(registry.createKey("software\\ACME"));
        const auto made = registry.createKey("Software\\New");
        ASSERT_TRUE(made && made->writeDword("Height", 480));
        EXPECT_EQ(registry.openKey("software\\new")->readDword("height"), 480u);
    }
    const QByteArray written = snapshot(file);
    EXPECT_TRUE(written.contains("\n    ")) << "indented for a person to read";
    EXPECT_EQ(QJsonDocument::fromJson(written), QJsonDocument::fromJson(R"({"Note": 1,
        "HKEY_LOCAL_MACHINE": {"Software\\New": {"Height": 480}, "Software\\Acme": {"Width":
        4294967295, "Name": "Other", "Flag": true, "Neg": -1, "Over": 4294967296, "Half": 1.5}}})"));
}

TEST(Registry, ADamagedFileIsNamedAndNeverReplaced) {
    test::StartDir dir;
    const QString fifo = dir.path() + "/fifo.json";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QByteArray driverKey = member(settings::mediaResourcesKey({})) +
                                 R"({"ImageWidth": 640, "ImageHeight": 480, "ApWidth": 1)";
    const std::pair<QByteArray, const char*> rows[] = {
        {"{\n  \"HKEY_LOCAL_MACHINE\": {,}\n}", "unterminated object at line 2, column"},
        {" ", "at line 1, column 2"},
        {"[]", "top level is not an object"},
        {R"({"HKEY_LOCAL_MACHINE": [], "K": {}})", "no \"HKEY_LOCAL_MACHINE\" object"},
        {registryWith(R"("A\\B": 1)"), R"(key "A\B" is not an object)"},
        {registryWith(R"("K": {}, "k\\": {})"), "same key"},
        {registryWith(driverKey + R"(, "apwidth": 3})"), "\"ApWidth\" twice"},
        {registryWith(driverKey + "}") + QByteArray(4 << 20, ' '), "more than"},
        {{}, "not a regular file"}, // the FIFO
    };
    for (const auto& [contents, fault] : rows) {
        SCOPED_TRACE(fault);
        const QString file = contents.isEmpty() ? fifo : dir.write("r.json", contents);
        const QByteArray before = snapshot(file);
        platform::JsonRegistry registry(file);
        const std::string said = registry.fault().text.toStdString();
        EXPECT_NE(said.find(file.toStdString()), std::string::npos) << said;
        EXPECT_NE(said.find(fault), std::string::npos) << said;
        EXPECT_FALSE(registry.createKey("K"));
        startAndExit(registry);
        EXPECT_EQ(snapshot(file), before);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
}

// A read-only store counts as empty; a write that fails changes neither file nor store.
TEST(Registry, AStoreThatCannotBeWrittenChangesNothing) {
    const QString key = settings::mediaResourcesKey({});
    const QByteArray contents =
        registryWith(member(key) + R"({"ImageWidth": 640, "ImageHeight": 480})");
    for (const bool readOnly : {true, false}) {
        SCOPED_TRACE(readOnly ? "read-only" : "full");
        test::SmallDisk disk(64);
        if (!disk.mounted())
            GTEST_SKIP() << "no tmpfs can be mounted here";
        const QString file = disk.path() + "/registry.json";
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.write(contents) == contents.size());
        out.close();
        ASSERT_TRUE(readOnly ? disk.makeReadOnly() : (disk.fill(0), true));
        platform::JsonRegistry registry(file);
        EXPECT_EQ(bool(registry.openKey(key)), !readOnly);
        EXPECT_FALSE(registry.createKey("New"));
        startAndExit(registry);
        if (!readOnly) {
            EXPECT_FALSE(registry.openKey(key)->writeDword("ImageWidth", 1));
            EXPECT_EQ(registry.openKey(key)->readDword("ImageWidth"), 640u);
            EXPECT_EQ(registry.openKey(key)->readDword("ApWidth"), std::nullopt);
        }
        EXPECT_FALSE(registry.openKey("New"));
        EXPECT_EQ(snapshot(file), contents);
        EXPECT_EQ(disk.entries(), QStringList{"registry.json"});
    }
}

TEST(Registry, FirstWriteMakesTheDirectoryAndNoFileTooLargeToReadBack) {
    test::StartDir dir;
    const QString file = dir.path() + "/config/nimbacast/registry.json";
    platform::JsonRegistry registry(file);
    EXPECT_TRUE(registry.fault().text.isEmpty());
    const auto key = registry.createKey("K");
    ASSERT_TRUE(key);
    EXPECT_EQ(QFileInfo(dir.path() + "/config").permissions() & 0x0077, 0) << "private";
    EXPECT_FALSE(key->writeString("Big", QString(4 << 20, 'x')));
    EXPECT_EQ(key->readString("Big"), std::nullopt);
    EXPECT_TRUE(platform::JsonRegistry(file).openKey("k"));
}

// Each open reads the file and each write changes one value of a fresh reading of it under
// the file's lock: two processes writing different values of one key, each a hundred times,
// lose none of each other's writes, and no reader ever meets a half-written file.
TEST(Registry, TwoWritersKeepEachOthersValues) {
    test::StartDir dir;
    const QString file = dir.write("registry.json", registryWith(R"("K": {"Other": 5})"));
    constexpr int kWrites = 100;
    QProcess writers[2];
    const char* const names[] = {"First", "Second"};
    for (int i = 0; i < 2; ++i)
        test::startChild(writers[i],
                         {"--registry-writer", file, "k", names[i], QString::number(kWrites)});
    int reads = 0, unparsed = 0;
    const bool ended = test::waitUntil(
        [&] {
            QFile now(file);
            if (now.open(QIODevice::ReadOnly)) {
                ++reads;
                QJsonParseError error{};
                if (!QJsonDocument::fromJson(now.readAll(), &error).isObject())
                    ++unparsed;
            }
            return writers[0].state() == QProcess::NotRunning &&
                   writers[1].state() == QProcess::NotRunning;
        },
        60000);
    ASSERT_TRUE(ended);
    for (QProcess& writer : writers) {
        EXPECT_EQ(writer.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(writer.exitCode(), 0) << writer.readAllStandardError().toStdString();
    }
    EXPECT_GT(reads, 0);
    EXPECT_EQ(unparsed, 0);
    const auto key = platform::JsonRegistry(file).openKey("K");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->readDword("First"), std::uint32_t(kWrites));
    EXPECT_EQ(key->readDword("Second"), std::uint32_t(kWrites));
    EXPECT_EQ(key->readDword("Other"), 5u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"registry.json"});
}

// The file is read at every open: a file damaged while the program runs gives no key and
// is not written, and once mended it is used again.
TEST(Registry, AFileDamagedWhileRunningIsLeftAlone) {
    test::StartDir dir;
    const QString file = dir.write("registry.json", registryWith(R"("K": {"Width": 1})"));
    platform::JsonRegistry registry(file);
    const auto opened = registry.openKey("K");
    ASSERT_TRUE(opened);
    const QByteArray damaged = registryWith(R"("K": {"Width": 2,})");
    dir.write("registry.json", damaged);
    EXPECT_FALSE(registry.openKey("K"));
    EXPECT_FALSE(registry.createKey("New"));
    EXPECT_FALSE(opened->writeDword("Width", 3));
    EXPECT_EQ(snapshot(file), damaged);

    dir.write("registry.json", registryWith(R"("K": {"Width": 4})"));
    EXPECT_EQ(registry.openKey("K")->readDword("Width"), 4u);
    EXPECT_TRUE(opened->writeDword("Width", 5));
    EXPECT_EQ(registry.openKey("K")->readDword("Width"), 5u);
}

// The media-resources entry names the first installed driver at every start, so that the
// program finds the key of the camera that is there now; no driver's key is ever removed.
TEST(Registry, DevicePathFollowsTheFirstDriver) {
    test::StartDir dir;
    const QString file = dir.path() + "/registry.json";
    const QString media = settings::mediaResourcesKey({});
    const auto driver = [](int index, const char* path) {
        return QStringLiteral(R"({"index": %1, "devicePath": "%2"})")
            .arg(index)
            .arg(QString(path).replace("\\", "\\\\"));
    };
    struct Start {
        const char* what;
        QStringList drivers;
        const char* devicePath; // what the entry holds after the start
    };
    const Start starts[] = {
        {"first start", {driver(0, "\\\\?\\usb\\old")}, "\\\\?\\usb\\old"},
        {"the same camera", {driver(0, "\\\\?\\usb\\old")}, "\\\\?\\usb\\old"},
        {"the camera replaced", {driver(0, "\\\\?\\usb\\new")}, "\\\\?\\usb\\new"},
        {"the old one back behind it",
         {driver(1, "\\\\?\\usb\\old"), driver(0, "\\\\?\\usb\\new")},
         "\\\\?\\usb\\new"},
        {"only the second left", {driver(3, "\\\\?\\usb\\old")}, "\\\\?\\usb\\old"},
        {"no driver at all", {}, "\\\\?\\usb\\old"},
    };
    for (const Start& start : starts) {
        SCOPED_TRACE(start.what);
        platform::JsonRegistry registry(file);
        const platform::DriverTable drivers = test::simulatedDrivers(
            dir, QStringLiteral(R"({"drivers": [%1]})").arg(start.drivers.join(',')).toStdString());
        platform::installRegistryKeys(drivers, registry);
        EXPECT_EQ(registry.openKey(media)->readString("DevicePath"), start.devicePath);
        const QString keyPath = settings::deriveDriverKeyPath(registry, {});
        EXPECT_EQ(keyPath, platform::driverKeyPath(start.devicePath));
        EXPECT_TRUE(registry.openKey(keyPath));
    }
    platform::JsonRegistry registry(file);
    for (const char* path : {"\\\\?\\usb\\old", "\\\\?\\usb\\new"})
        EXPECT_TRUE(registry.openKey(platform::driverKeyPath(path))) << path;
}

} // namespace
