#include "platform/imaging/BmpRows.h"

#include "platform/imaging/BmpHeaders.h"

#include <QtEndian>

#include <cstdint>
#include <cstring>

namespace platform {

QImage decodeBmpRows(QByteArrayView file) {
    const std::optional<BmpFileHeader> fileHeader = readBmpFileHeader(file);
    if (!fileHeader)
        return {};
    const Result<DibHeader> header = readDibHeader(file.sliced(kBmpFileHeader));
    if (!header || header->size != kBmpInfoHeader || header->compression != kDibRgb ||
        (header->bitCount != 24 && header->bitCount != 32) || header->width <= 0 ||
        header->height == 0)
        return {};
    const qint32 width = static_cast<qint32>(header->width);
    const qint32 height = static_cast<qint32>(header->height);
    const quint16 bitCount = header->bitCount;
    // A pixel offset left at 0 by the writer, or one inside the headers, is left to the
    // toolkit.
    const std::int64_t offset = fileHeader->pixelsAt;
    const qint64 rows = height < 0 ? -qint64(height) : height;
    const qint64 stride = ((qint64(width) * bitCount + 31) / 32) * 4;
    if (offset < kBmpFileHeader + kBmpInfoHeader || offset + stride * rows > file.size())
        return {};
    QImage picture(width, static_cast<int>(rows), QImage::Format_RGB32);
    if (picture.isNull())
        return {};
    const auto* pixels = reinterpret_cast<const std::uint8_t*>(file.data()) + offset;
    for (qint64 y = 0; y < rows; ++y) {
        // Bottom-up rows unless the height says otherwise.
        const std::uint8_t* in = pixels + (height > 0 ? rows - 1 - y : y) * stride;
        auto* out = reinterpret_cast<quint32*>(picture.scanLine(static_cast<int>(y)));
        if (bitCount == 32) {
            for (qint32 x = 0; x < width; ++x)
                out[x] = 0xFF000000u | qFromLittleEndian<quint32>(in + 4 * x);
            continue;
        }
        // B, G, R as the low three bytes of a little-endian word read one byte early for the
        // last pixel, so that no read passes the end of the file.
        qint32 x = 0;
        for (; x + 1 < width; ++x)
            out[x] = 0xFF000000u | qFromLittleEndian<quint32>(in + 3 * x);
        if (x < width)
            out[x] = 0xFF000000u | qFromLittleEndian<quint32>(in + 3 * x - 1) >> 8;
    }
    // The toolkit keeps the header's resolution with the picture.
    if (header->xDensity > 0)
        picture.setDotsPerMeterX(static_cast<int>(header->xDensity));
    if (header->yDensity > 0)
        picture.setDotsPerMeterY(static_cast<int>(header->yDensity));
    return picture;
}

QByteArray encodeBmpRows(const QImage& picture) {
    if (picture.format() != QImage::Format_RGB32 || picture.isNull())
        return {};
    const int width = picture.width();
    const int height = picture.height();
    const qint64 stride = ((qint64(width) * 24 + 31) / 32) * 4;
    const qint64 pixelBytes = stride * height;
    QByteArray file(kBmpFileHeader + kBmpInfoHeader + pixelBytes, '\0');
    putBmpFileHeader(file.data(), static_cast<std::uint32_t>(kBmpInfoHeader + pixelBytes),
                     kBmpInfoHeader);
    DibHeader header;
    header.width = width;
    header.height = height;
    header.bitCount = 24;
    header.imageSize = static_cast<std::uint32_t>(pixelBytes);
    header.xDensity = picture.dotsPerMeterX();
    header.yDensity = picture.dotsPerMeterY();
    putDibInfoHeader(file.data() + kBmpFileHeader, header);
    char* out = file.data() + kBmpFileHeader + kBmpInfoHeader;
    for (int y = 0; y < height; ++y) {
        const auto* in = reinterpret_cast<const quint32*>(picture.constScanLine(height - 1 - y));
        auto* row = reinterpret_cast<std::uint8_t*>(out + y * stride);
        for (int x = 0; x < width; ++x) {
            const quint32 p = in[x];
            row[3 * x] = std::uint8_t(p);
            row[3 * x + 1] = std::uint8_t(p >> 8);
            row[3 * x + 2] = std::uint8_t(p >> 16);
        }
    }
    return file;
}

} // namespace platform
