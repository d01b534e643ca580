#include "ChildRoles.h"

#include "platform/registry/Registry.h"

#include <QCoreApplication>

#include <cstdio>
#include <optional>

namespace test {

namespace {

int writeInALoop(const QString& file, const QString& key, const QString& name, int count) {
    platform::JsonRegistry registry(file);
    for (int i = 1; i <= count; ++i) {
        const auto opened = registry.openKey(key);
        if (!opened || !opened->writeDword(name, std::uint32_t(i))) {
            std::fprintf(stderr, "write %d of %s failed\n", i, qPrintable(name));
            return 1;
        }
    }
    return 0;
}

} // namespace

std::optional<int> playChildRole() {
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype argc = arguments.size();
    if (argc == 6 && arguments[1] == QLatin1String("--registry-writer"))
        return writeInALoop(arguments[2], arguments[3], arguments[4], arguments[5].toInt());
    return std::nullopt;
}

void startChild(QProcess& child, const QStringList& arguments) {
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.start(QCoreApplication::applicationFilePath(), arguments);
}

} // namespace test
