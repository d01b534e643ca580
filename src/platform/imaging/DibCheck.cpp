#include "platform/imaging/DibCheck.h"

#include <QtEndian>

#include <bit>

namespace platform {

namespace {

// Larger pictures than this are not worth the memory of decoding them.
constexpr std::int64_t kMaxPixels = std::int64_t(1) << 26;
// 25 400 dots per inch; a denser header is damaged, not a picture of something.
constexpr std::int64_t kMaxPixelsPerMetre = 1'000'000;

// Each colour mask must be a single run of bits, inside the pixel, apart from the others.
Result<> checkMasks(const std::uint32_t masks[3], int bitCount) {
    static const char* const names[3] = {"red", "green", "blue"};
    const std::uint64_t inside = (std::uint64_t(1) << bitCount) - 1;
    std::uint32_t seen = 0;
    for (int i = 0; i < 3; ++i) {
        const std::uint32_t m = masks[i];
        const QString name = QString::fromLatin1(names[i]);
        if (m == 0)
            return Failure(QStringLiteral("its %1 mask is empty").arg(name));
        if (m > inside)
            return Failure(QStringLiteral("its %1 mask lies outside the %2-bit pixel")
                               .arg(name)
                               .arg(bitCount));
        const std::uint32_t shifted = m >> std::countr_zero(m);
        if ((shifted & (shifted + 1)) != 0)
            return Failure(QStringLiteral("its %1 mask is not one run of bits").arg(name));
        if (seen & m)
            return Failure(QStringLiteral("its %1 mask overlaps another").arg(name));
        seen |= m;
    }
    return done();
}

// Every colour index of uncompressed rows must name an entry of the table.
Result<> checkIndexes(const std::uint8_t* pixels, const DibLayout& l, std::int64_t entries) {
    const std::int64_t rows = l.height < 0 ? -l.height : l.height;
    const int bits = l.bitCount;
    if (entries >= (std::int64_t(1) << bits))
        return done();
    for (std::int64_t y = 0; y < rows; ++y) {
        const std::uint8_t* row = pixels + y * l.stride;
        for (std::int64_t x = 0; x < l.width; ++x) {
            const std::int64_t bit = x * bits;
            const int index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
            if (index >= entries) {
                return Failure(QStringLiteral("pixel (%1, %2) uses colour %3 of a table of %4")
                                   .arg(x)
                                   .arg(l.height < 0 ? y : rows - 1 - y)
                                   .arg(index)
                                   .arg(entries));
            }
        }
    }
    return done();
}

// Walks run-length compressed rows (bottom-up, the only order they come in) from the first
// code to the end mark: every run, copy and jump must stay inside the picture and the data.
Result<> checkRuns(const std::uint8_t* data, std::int64_t size, const DibLayout& l,
                   std::int64_t entries) {
    const bool four = l.compression == kDibRle4;
    const std::int64_t rows = l.height;
    std::int64_t x = 0, y = 0, p = 0;
    const auto checkIndex = [&](int index) -> Result<> {
        if (index < entries)
            return done();
        return Failure(QStringLiteral("its compressed row %1 uses colour %2 of a table of %3")
                           .arg(y)
                           .arg(index)
                           .arg(entries));
    };
    const auto checkRun = [&](std::int64_t count) -> Result<> {
        if (y < rows && x + count <= l.width)
            return done();
        return Failure(y >= rows ? QStringLiteral("its compressed pixels go past the last row")
                                 : QStringLiteral("a compressed run of %1 pixels passes the end "
                                                  "of row %2")
                                       .arg(count)
                                       .arg(y));
    };
    for (;;) {
        if (p + 2 > size)
            return Failure(QStringLiteral("its compressed pixels end without an end mark"));
        const int count = data[p], code = data[p + 1];
        p += 2;
        if (count > 0) {
            if (Result<> fits = checkRun(count); !fits)
                return fits;
            if (Result<> first = checkIndex(four ? code >> 4 : code); !first)
                return first;
            if (four && count > 1)
                if (Result<> second = checkIndex(code & 0x0F); !second)
                    return second;
            x += count;
        } else if (code == 0) {
            x = 0;
            ++y;
        } else if (code == 1) {
            return done();
        } else if (code == 2) {
            if (p + 2 > size)
                return Failure(QStringLiteral("its compressed pixels end inside a jump"));
            x += data[p];
            y += data[p + 1];
            p += 2;
            if (x > l.width || y > rows)
                return Failure(QStringLiteral("a jump in its compressed pixels leaves the "
                                              "picture"));
        } else {
            const std::int64_t bytes = four ? (code + 1) / 2 : code;
            const std::int64_t padded = bytes + (bytes & 1);
            if (p + padded > size)
                return Failure(QStringLiteral("its compressed pixels end inside a copy"));
            if (Result<> fits = checkRun(code); !fits)
                return fits;
            for (int i = 0; i < code; ++i)
                if (Result<> index = checkIndex(four ? (data[p + i / 2] >> (i % 2 ? 0 : 4)) & 0x0F
                                                     : data[p + i]);
                    !index)
                    return index;
            x += code;
            p += padded;
        }
    }
}

} // namespace

Result<DibLayout> checkDib(const std::uint8_t* dib, std::size_t size, std::int64_t pixelOffset) {
    const Result<DibHeader> header =
        readDibHeader(QByteArrayView(dib, static_cast<qsizetype>(size)));
    if (!header)
        return header.failure();
    const bool core = header->core();
    const std::uint32_t headerSize = header->size;
    const std::int64_t width = header->width, height = header->height;
    const std::int64_t xDensity = header->xDensity, yDensity = header->yDensity;
    const std::uint16_t planes = header->planes, bitCount = header->bitCount;
    const std::uint32_t compression = header->compression, coloursUsed = header->coloursUsed,
                        imageSize = header->imageSize;
    const std::int64_t rows = height < 0 ? -height : height;
    if (planes != 1)
        return Failure(QStringLiteral("it claims %1 colour planes; a BMP has one").arg(planes));
    if (width <= 0 || rows == 0)
        return Failure(
            QStringLiteral("its size of %1 x %2 pixels is empty").arg(width).arg(height));
    if (width * rows > kMaxPixels)
        return Failure(QStringLiteral("its %1 x %2 pixels are more than %3 million")
                           .arg(width)
                           .arg(rows)
                           .arg(kMaxPixels / 1'000'000));
    if (xDensity < 0 || yDensity < 0 || xDensity > kMaxPixelsPerMetre ||
        yDensity > kMaxPixelsPerMetre)
        return Failure(QStringLiteral("its resolution of %1 x %2 pixels per metre is impossible")
                           .arg(xDensity)
                           .arg(yDensity));
    switch (bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return Failure(QStringLiteral("%1 bits per pixel is no depth of a BMP").arg(bitCount));
    }

    const bool masked =
        !core && (compression == kDibBitfields || compression == kDibAlphaBitfields);
    std::int64_t offset = headerSize;
    if (masked) {
        if (bitCount != 16 && bitCount != 32)
            return Failure(
                QStringLiteral("colour masks do not go with %1 bits per pixel").arg(bitCount));
        if (headerSize == 40)
            offset += compression == kDibBitfields ? 12 : 16;
        if (size < static_cast<std::size_t>(headerSize == 40 ? offset : 52))
            return Failure(QStringLiteral("it ends inside its colour masks"));
        const std::uint32_t masks[3] = {qFromLittleEndian<quint32>(dib + 40),
                                        qFromLittleEndian<quint32>(dib + 44),
                                        qFromLittleEndian<quint32>(dib + 48)};
        if (Result<> checked = checkMasks(masks, bitCount); !checked)
            return checked.failure();
    }
    std::int64_t colours = coloursUsed;
    if (bitCount <= 8) {
        if (colours == 0)
            colours = std::int64_t(1) << bitCount;
        if (colours > (std::int64_t(1) << bitCount))
            return Failure(QStringLiteral("its colour table claims %1 colours; %2 bits per pixel "
                                          "have at most %3")
                               .arg(coloursUsed)
                               .arg(bitCount)
                               .arg(std::int64_t(1) << bitCount));
    } else if (colours > 256) {
        return Failure(
            QStringLiteral("its colour table claims %1 colours, more than 256").arg(coloursUsed));
    }
    const std::int64_t entrySize = core ? 3 : 4;
    const std::int64_t paletteStart = offset;
    offset += colours * entrySize;
    // A file may say where its pixels start, leaving a gap after the colour table (or
    // ending a table that claims more entries early); its word counts.
    if (pixelOffset >= 0) {
        if (pixelOffset < paletteStart || pixelOffset > static_cast<std::int64_t>(size))
            return Failure(QStringLiteral("its pixels are said to start at byte %1, outside the "
                                          "picture's %2 bytes after its headers")
                               .arg(pixelOffset)
                               .arg(size));
        offset = pixelOffset;
    }
    // The entries actually there before the pixels begin.
    const std::int64_t entries =
        bitCount <= 8 ? std::min(colours, (offset - paletteStart) / entrySize) : 0;
    if (paletteStart + entries * entrySize > static_cast<std::int64_t>(size))
        return Failure(QStringLiteral("it ends inside its colour table"));

    const std::int64_t stride = ((width * bitCount + 31) / 32) * 4;
    const DibLayout layout{offset, width, height, stride, bitCount, core ? kDibRgb : compression,
                           colours};
    const std::int64_t available = static_cast<std::int64_t>(size) - offset;
    if (compression == kDibRgb || masked || core) {
        if (stride * rows > available)
            return Failure(QStringLiteral("its %1 rows need %2 bytes of pixels, but only %3 are "
                                          "there")
                               .arg(rows)
                               .arg(stride * rows)
                               .arg(available));
        if (imageSize > available)
            return Failure(
                QStringLiteral("it gives its pixel data as %1 bytes, but only %2 are there")
                    .arg(imageSize)
                    .arg(available));
        if (bitCount <= 8)
            if (Result<> checked = checkIndexes(dib + offset, layout, entries); !checked)
                return checked.failure();
        return layout;
    }
    if ((compression == kDibRle8 && bitCount == 8) || (compression == kDibRle4 && bitCount == 4)) {
        if (height < 0)
            return Failure(QStringLiteral("its compressed rows claim to run top-down"));
        if (imageSize == 0 || imageSize > available)
            return Failure(QStringLiteral("it gives its compressed pixels as %1 bytes, but %2 are "
                                          "there")
                               .arg(imageSize)
                               .arg(available));
        if (Result<> checked = checkRuns(dib + offset, imageSize, layout, entries); !checked)
            return checked.failure();
        return layout;
    }
    return Failure(QStringLiteral("its compression %1 does not go with %2 bits per pixel")
                       .arg(compression)
                       .arg(bitCount));
}

Result<> checkBmpFile(QByteArrayView file) {
    if (!file.startsWith("BM"))
        return Failure(QStringLiteral("it is not a BMP file (it does not begin with \"BM\")"));
    const std::optional<BmpFileHeader> header = readBmpFileHeader(file);
    if (!header)
        return Failure(QStringLiteral("it ends inside its file header"));
    if (header->fileSize > static_cast<std::uint64_t>(file.size()))
        return Failure(QStringLiteral("its header gives its size as %1 bytes, but the file has %2")
                           .arg(header->fileSize)
                           .arg(file.size()));
    const Result<std::int64_t> pixelOffset = header->dibPixelOffset();
    if (!pixelOffset)
        return pixelOffset.failure();
    const Result<DibLayout> layout =
        checkDib(reinterpret_cast<const std::uint8_t*>(file.data()) + kBmpFileHeader,
                 static_cast<std::size_t>(file.size() - kBmpFileHeader), *pixelOffset);
    if (!layout)
        return layout.failure();
    return done();
}

} // namespace platform
