#include "platform/profile/Profile.h"

#include "platform/files/SmallFile.h"

#include <QFile>
#include <QStringDecoder>
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

// One pair of matching double or single quotes around a value is no part of it.
QStringView unquoted(QStringView value) {
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        return value.sliced(1, value.size() - 2);
    return value;
}

// Windows-1252 at 0x80 to 0x9F; its five unassigned bytes keep their Latin-1 code points, as
// the system's own conversion gives them. Every other byte is its Latin-1 character.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The file's text: UTF-8 when it is valid UTF-8, otherwise the Windows code page that files
// of this kind were written in.
QString decoded(const QByteArray& bytes) {
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    text.resize(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text[i] =
            QChar(byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : char16_t(byte));
    }
    return text;
}

} // namespace

Result<QString> privateProfileString(const QString& section, const QString& key,
                                     const QString& fallback, const QString& file) {
    const Result<QByteArray> bytes =
        readSmallFile(QFile::encodeName(file).toStdString(), kMaxProfileFile);
    if (isMissing(bytes))
        return fallback;
    if (!bytes)
        return Failure(
            QStringLiteral("Cannot read the settings file \"%1\": %2").arg(file, bytes.why()));

    QString text = decoded(*bytes);
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
            return unquoted(trimmedBlanks(line.sliced(equals + 1))).toString();
    }
    return fallback;
}

} // namespace platform
