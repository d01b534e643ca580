#include "platform/profile/Profile.h"

#include "platform/files/SmallFile.h"

#include <QFile>
#include <QStringView>

namespace platform {

namespace {

// An INI file is a few lines by hand; read no more than this.
constexpr qint64 kMaxProfileFile = 1 << 20;

QStringView trimmedBlanks(QStringView text) {
    qsizetype first = 0, last = text.size();
    while (first < last && (text[first] == u' ' || text[first] == u'\t'))
        ++first;
    while (last > first && (text[last - 1] == u' ' || text[last - 1] == u'\t'))
        --last;
    return text.sliced(first, last - first);
}

bool sameName(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

QString privateProfileString(const QString& section, const QString& key, const QString& fallback,
                             const QString& file, QString* fault) {
    QByteArray bytes;
    bool missing = false;
    const std::string why =
        readSmallFile(QFile::encodeName(file).toStdString(), kMaxProfileFile, bytes, &missing);
    if (!why.empty()) {
        if (fault && !missing)
            *fault = QStringLiteral("Cannot read the settings file \"%1\": %2")
                         .arg(file, QString::fromStdString(why));
        return fallback;
    }

    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    bool inside = false;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        line = trimmedBlanks(line);
        if (line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            // Only the first section of that name is looked in.
            if (inside)
                break;
            qsizetype end = line.indexOf(u']');
            if (end < 0)
                end = line.size();
            inside = sameName(trimmedBlanks(line.sliced(1, end - 1)), section);
            continue;
        }
        if (!inside)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals >= 0 && sameName(trimmedBlanks(line.first(equals)), key))
            return trimmedBlanks(line.sliced(equals + 1)).toString();
    }
    return fallback;
}

} // namespace platform
