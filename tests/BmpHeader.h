#pragma once

#include <QByteArray>
#include <QFile>
#include <QtEndian>

#include <cstdint>

namespace test {

// The fields of a BMP file's headers that the tests look at.
struct BmpHeader {
    bool valid = false;
    std::uint32_t bfSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0; // positive: bottom-up rows
    std::uint16_t bitCount = 0;
    qint64 fileSize = 0;
};

inline BmpHeader readBmpHeader(const QString& path) {
    BmpHeader h;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return h;
    const QByteArray head = file.read(54);
    h.fileSize = file.size();
    if (head.size() < 54 || !head.startsWith("BM"))
        return h;
    const auto* p = reinterpret_cast<const uchar*>(head.constData());
    h.bfSize = qFromLittleEndian<quint32>(p + 2);
    h.width = qFromLittleEndian<qint32>(p + 18);
    h.height = qFromLittleEndian<qint32>(p + 22);
    h.bitCount = qFromLittleEndian<quint16>(p + 28);
    h.valid = true;
    return h;
}

} // namespace test
