#include "platform/imaging/BmpHeaders.h"

#include <QtEndian>

namespace platform {

namespace {

template <typename T> T field(QByteArrayView bytes, qsizetype at) {
    return qFromLittleEndian<T>(bytes.data() + at);
}

template <typename T> void put(char*& out, T value) {
    qToLittleEndian<T>(value, out);
    out += sizeof(T);
}

} // namespace

Result<std::int64_t> BmpFileHeader::dibPixelOffset() const {
    if (pixelsAt == 0)
        return std::int64_t{-1};
    if (pixelsAt < kBmpFileHeader)
        return Failure(
            QStringLiteral("its pixels are said to start at byte %1, inside its file header")
                .arg(pixelsAt));
    return std::int64_t(pixelsAt) - kBmpFileHeader;
}

std::optional<BmpFileHeader> readBmpFileHeader(QByteArrayView head) {
    if (head.size() < kBmpFileHeader)
        return std::nullopt;
    return BmpFileHeader{field<quint32>(head, 2), field<quint32>(head, 10)};
}

void putBmpFileHeader(char* out, std::uint32_t dibSize, std::uint32_t pixelOffset) {
    *out++ = 'B';
    *out++ = 'M';
    put<quint32>(out, static_cast<quint32>(kBmpFileHeader + dibSize));
    put<quint32>(out, 0);
    put<quint32>(out, static_cast<quint32>(kBmpFileHeader + pixelOffset));
}

void putDibInfoHeader(char* out, const DibHeader& header) {
    put<quint32>(out, kBmpInfoHeader);
    put<qint32>(out, static_cast<qint32>(header.width));
    put<qint32>(out, static_cast<qint32>(header.height));
    put<quint16>(out, 1);
    put<quint16>(out, header.bitCount);
    put<quint32>(out, header.compression);
    put<quint32>(out, header.imageSize);
    put<qint32>(out, static_cast<qint32>(header.xDensity));
    put<qint32>(out, static_cast<qint32>(header.yDensity));
    put<quint32>(out, header.coloursUsed);
    put<quint32>(out, 0);
}

Result<DibHeader> readDibHeader(QByteArrayView dib) {
    if (dib.size() < 4)
        return Failure(QStringLiteral("it ends inside its picture header"));
    DibHeader h;
    h.size = field<quint32>(dib, 0);
    switch (h.size) {
    case kDibCoreHeader:
    case 40:
    case 52:
    case 56:
    case 64:
    case 108:
    case 124:
        break;
    default:
        return Failure(
            QStringLiteral("its picture header of %1 bytes is of no known kind").arg(h.size));
    }
    if (static_cast<std::uint64_t>(dib.size()) < h.size)
        return Failure(QStringLiteral("it ends inside its picture header"));
    if (h.core()) {
        h.width = field<quint16>(dib, 4);
        h.height = field<qint16>(dib, 6);
        h.planes = field<quint16>(dib, 8);
        h.bitCount = field<quint16>(dib, 10);
        return h;
    }
    h.width = field<qint32>(dib, 4);
    h.height = field<qint32>(dib, 8);
    h.planes = field<quint16>(dib, 12);
    h.bitCount = field<quint16>(dib, 14);
    h.compression = field<quint32>(dib, 16);
    h.imageSize = field<quint32>(dib, 20);
    h.xDensity = field<qint32>(dib, 24);
    h.yDensity = field<qint32>(dib, 28);
    h.coloursUsed = field<quint32>(dib, 32);
    return h;
}

} // namespace platform
