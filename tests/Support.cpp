#include "Support.h"

#include <QDir>
#include <QFile>

#include <stdexcept>

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

platform::DriverTable simulatedDrivers(const StartDir& dir, const std::string& json) {
    const QString path = dir.write(QStringLiteral("drivers.json"), QByteArray::fromStdString(json));
    platform::LoadedDrivers loaded = platform::loadSimulatedDrivers(path.toStdString());
    if (!loaded.error.empty())
        throw std::runtime_error(loaded.error);
    return loaded.table;
}

TestProgram::TestProgram(const std::string& driversJson)
    : capture(simulatedDrivers(dir, driversJson)),
      program({capture, help, sound, messages, modal, fileDialogs, dir.path() + "/system"}) {}

} // namespace test
