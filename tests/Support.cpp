#include "Support.h"

#include "ui/ErrorReport.h"

#include "capture/FitWindow.h"
#include "platform/capture/DriverKeys.h"
#include "platform/capture/drivers/DriversFile.h"
#include <QCoreApplication>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QThread>

#include <stdexcept>

#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace test {

StartDir::StartDir() : previous_(QDir::currentPath()) {
    if (!dir_.isValid() || !QDir::setCurrent(dir_.path()))
        throw std::runtime_error("cannot make a temporary start-up directory");
}

StartDir::~StartDir() {
    QDir::setCurrent(previous_);
}

QString StartDir::write(const QString& name, const QByteArray& contents) const {
    const QString path = dir_.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
        throw std::runtime_error("cannot write " + path.toStdString());
    return path;
}

ReportsTo::ReportsTo(ui::Messages& messages, std::optional<QString> title)
    : previousMessages_(ui::application().messages()), previousTitle_(ui::application().title()) {
    ui::application().setMessages(&messages);
    if (title)
        ui::application().setTitle(*title);
}

ReportsTo::~ReportsTo() {
    ui::application().setMessages(previousMessages_);
    ui::application().setTitle(previousTitle_);
}

ScopedEnvironment::ScopedEnvironment(const char* name, std::optional<QByteArray> value)
    : name_(name) {
    if (qEnvironmentVariableIsSet(name))
        previous_ = qgetenv(name);
    if (value)
        qputenv(name, *value);
    else
        qunsetenv(name);
}

ScopedEnvironment::~ScopedEnvironment() {
    if (previous_)
        qputenv(name_, *previous_);
    else
        qunsetenv(name_);
}

SmallDisk::SmallDisk(int kibibytes) {
    const QByteArray options = "size=" + QByteArray::number(kibibytes) + "k";
    mounted_ = dir_.isValid() && ::mount("tmpfs", QFile::encodeName(dir_.path()).constData(),
                                         "tmpfs", 0, options.constData()) == 0;
}

SmallDisk::~SmallDisk() {
    if (mounted_)
        ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
}

void SmallDisk::fill(qint64 free) const {
    struct statvfs room {};
    if (::statvfs(QFile::encodeName(dir_.path()).constData(), &room) != 0)
        throw std::runtime_error("cannot measure the small disk");
    const qint64 available = qint64(room.f_bavail) * qint64(room.f_frsize);
    QFile filler(dir_.filePath(QStringLiteral("filler")));
    if (!filler.open(QIODevice::WriteOnly) ||
        filler.write(QByteArray(std::max<qint64>(0, available - free), 'f')) < 0 || !filler.flush())
        throw std::runtime_error("cannot fill the small disk");
}

bool SmallDisk::makeReadOnly() const {
    return ::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs",
                   MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

QStringList SmallDisk::entries() const {
    QStringList names =
        QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    names.removeAll(QStringLiteral("filler"));
    return names;
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QJsonObject registryKey(const QString& registryFile, const QString& path) {
    QFile file(registryFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll())
        .object()
        .value(QStringLiteral("HKEY_LOCAL_MACHINE"))
        .toObject()
        .value(path)
        .toObject();
}

OpenWatch::OpenWatch(const QString& path) : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (fd_ >= 0)
        watch_ = ::inotify_add_watch(fd_, QFile::encodeName(path).constData(), IN_OPEN);
}

OpenWatch::~OpenWatch() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool OpenWatch::opened() {
    bool any = false;
    char events[4096];
    while (fd_ >= 0 && ::read(fd_, events, sizeof events) > 0)
        any = true;
    return any;
}

bool waitUntil(const std::function<bool()>& condition, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
    return true;
}

void settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

platform::DriverTable simulatedDrivers(const StartDir& dir, const std::string& json) {
    const QString path = dir.write(QStringLiteral("drivers.json"), QByteArray::fromStdString(json));
    platform::Result<platform::DriverTable> loaded =
        platform::loadSimulatedDrivers(path.toStdString());
    if (!loaded)
        throw std::runtime_error(loaded.failure().utf8());
    return std::move(loaded).value();
}

namespace {

// The drivers of the file, their keys installed in the registry as the machine does.
platform::DriverTable installed(platform::DriverTable drivers, platform::Registry& registry) {
    platform::installRegistryKeys(drivers, registry, capture::frameTableWidths());
    return drivers;
}

// The registry file of the run, with the settings file beside it when one is given.
QString writtenFiles(const StartDir& dir, const std::string& registryJson,
                     const std::string& cameraIni, const QString& preparedRegistry) {
    if (!cameraIni.empty())
        dir.write(QStringLiteral("Camera.ini"), QByteArray::fromStdString(cameraIni));
    if (!preparedRegistry.isEmpty())
        return preparedRegistry;
    if (!registryJson.empty())
        dir.write(QStringLiteral("registry.json"), QByteArray::fromStdString(registryJson));
    return dir.path() + QStringLiteral("/registry.json");
}

} // namespace

TestProgram::TestProgram(const std::string& driversJson, const std::string& registryJson,
                         const std::string& cameraIni, const QString& preparedRegistry)
    : TestProgram([&](const StartDir& in) { return simulatedDrivers(in, driversJson); },
                  registryJson, cameraIni, preparedRegistry) {}

TestProgram::TestProgram(const std::function<platform::DriverTable(const StartDir&)>& drivers,
                         const std::string& registryJson, const std::string& cameraIni,
                         const QString& preparedRegistry)
    : registryFile(writtenFiles(dir, registryJson, cameraIni, preparedRegistry)),
      registry(registryFile),
      capture(
          installed(drivers(dir), registry), &registry,
          [this](QDialog& dialog) {
              return driverDialogs ? driverDialogs(dialog) : int(QDialog::Rejected);
          },
          capture::frameTableWidths()),
      program(
          {capture, help, sound, messages, modal, fileDialogs, dir.path() + "/system", registry}) {}

} // namespace test
