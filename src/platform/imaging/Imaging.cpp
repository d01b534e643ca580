#include "platform/imaging/Imaging.h"

#include <QSaveFile>

#include <turbojpeg.h>

#include <cmath>
#include <memory>

namespace platform {

namespace {

std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
std::uint16_t le16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | p[1] << 8);
}

void put32(QByteArray& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kAlphaBitfields = 6;
// Larger pictures than this are no frames of ours and not worth the memory.
constexpr std::int64_t kMaxPixels = std::int64_t(1) << 26;

// Where the pixels start inside the packed DIB, or -1 when its header does not hold
// together with its size.
std::int64_t pixelOffset(const std::uint8_t* dib, std::size_t size) {
    if (size < 4)
        return -1;
    const std::uint32_t headerSize = le32(dib);
    const bool core = headerSize == 12;
    if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 64 &&
        headerSize != 108 && headerSize != 124)
        return -1;
    if (size < headerSize)
        return -1;

    std::int64_t width, height;
    std::uint16_t planes, bitCount;
    std::uint32_t compression = kRgb, coloursUsed = 0, imageSize = 0;
    if (core) {
        width = le16(dib + 4);
        height = std::int16_t(le16(dib + 6));
        planes = le16(dib + 8);
        bitCount = le16(dib + 10);
    } else {
        width = std::int32_t(le32(dib + 4));
        height = std::int32_t(le32(dib + 8));
        planes = le16(dib + 12);
        bitCount = le16(dib + 14);
        compression = le32(dib + 16);
        imageSize = le32(dib + 20);
        coloursUsed = le32(dib + 32);
    }
    const std::int64_t rows = height < 0 ? -height : height;
    if (planes != 1 || width <= 0 || rows == 0 || width * rows > kMaxPixels)
        return -1;
    switch (bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return -1;
    }

    std::int64_t offset = headerSize;
    if (headerSize == 40 && (compression == kBitfields || compression == kAlphaBitfields))
        offset += compression == kBitfields ? 12 : 16;
    std::int64_t colours = coloursUsed;
    if (bitCount <= 8) {
        if (colours == 0)
            colours = std::int64_t(1) << bitCount;
        if (colours > (std::int64_t(1) << bitCount))
            return -1;
    } else if (colours > 256) {
        return -1;
    }
    offset += colours * (core ? 3 : 4);

    std::int64_t pixelBytes;
    if (compression == kRgb || compression == kBitfields || compression == kAlphaBitfields) {
        if ((compression != kRgb) && bitCount != 16 && bitCount != 32)
            return -1;
        pixelBytes = ((width * bitCount + 31) / 32) * 4 * rows;
    } else if ((compression == kRle8 && bitCount == 8) || (compression == kRle4 && bitCount == 4)) {
        if (height < 0 || imageSize == 0)
            return -1; // compressed rows run bottom-up and need their length
        pixelBytes = imageSize;
    } else {
        return -1;
    }
    if (offset + pixelBytes > static_cast<std::int64_t>(size))
        return -1;
    return offset;
}

struct TjDestroy {
    void operator()(void* handle) const { tjDestroy(handle); }
};
struct TjFree {
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};

void say(std::string* why, const std::string& text) {
    if (why)
        *why = text;
}

} // namespace

int jpegQualityOf(int qualityFactor) {
    const int f = std::clamp(qualityFactor, kQualityFactorBest, kQualityFactorSmallest);
    return static_cast<int>(std::lround(100.0 - (f - kQualityFactorBest) * 99.0 / 98.0));
}

int L_ChangeFromDIB(BitmapRecord* bitmap, const std::uint8_t* dib, std::size_t size) {
    if (!bitmap || !dib)
        return kErrorBadDib;
    const std::int64_t offset = pixelOffset(dib, size);
    if (offset < 0)
        return kErrorBadDib;

    // A BMP file around the DIB, so that the toolkit's own reader decodes every variant; it
    // reads from this copy only.
    constexpr std::uint32_t kFileHeader = 14;
    QByteArray file;
    file.reserve(static_cast<qsizetype>(kFileHeader + size));
    file.append("BM", 2);
    put32(file, static_cast<std::uint32_t>(kFileHeader + size));
    put32(file, 0);
    put32(file, static_cast<std::uint32_t>(kFileHeader + offset));
    file.append(reinterpret_cast<const char*>(dib), static_cast<qsizetype>(size));

    QImage image;
    if (!image.loadFromData(file, "BMP") || image.isNull())
        return kErrorBadDib;
    const std::uint32_t headerSize = le32(dib);
    bitmap->BitsPerPixel = headerSize == 12 ? le16(dib + 10) : le16(dib + 14);
    bitmap->image = std::move(image);
    return kSuccess;
}

int L_SaveBitmap(const QString& path, const BitmapRecord* bitmap, int format, int bitsPerPixel,
                 int qualityFactor, std::string* why) {
    (void)bitsPerPixel; // every picture is written in colour at the chosen sampling
    if (!bitmap || bitmap->image.isNull()) {
        say(why, "there is no picture to save");
        return kErrorNoBitmap;
    }
    int sampling;
    switch (format) {
    case kJpegSampling411:
        sampling = TJSAMP_411;
        break;
    case kJpegSampling422:
        sampling = TJSAMP_422;
        break;
    case kJpegSampling444:
        sampling = TJSAMP_444;
        break;
    default:
        say(why, "unknown JPEG format code " + std::to_string(format));
        return kErrorBadFormat;
    }

    const QImage pixels = bitmap->image.format() == QImage::Format_RGB32
                              ? bitmap->image
                              : bitmap->image.convertToFormat(QImage::Format_RGB32);
    std::unique_ptr<void, TjDestroy> encoder(tjInitCompress());
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    // RGB32 is 0xffRRGGBB per little-endian word: B, G, R, X in memory.
    const int status =
        encoder ? tjCompress2(encoder.get(), pixels.constBits(), pixels.width(),
                              static_cast<int>(pixels.bytesPerLine()), pixels.height(), TJPF_BGRX,
                              &out, &outSize, sampling, jpegQualityOf(qualityFactor), 0)
                : -1;
    std::unique_ptr<unsigned char, TjFree> jpeg(out);
    if (status != 0) {
        say(why, std::string("the JPEG encoder failed: ") + tjGetErrorStr2(encoder.get()));
        return kErrorEncode;
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(jpeg.get()), static_cast<qint64>(outSize)) !=
            static_cast<qint64>(outSize) ||
        !file.commit()) {
        say(why, file.errorString().toStdString());
        return kErrorWrite;
    }
    return kSuccess;
}

void L_FreeBitmap(BitmapRecord* bitmap) {
    if (bitmap)
        *bitmap = BitmapRecord{};
}

} // namespace platform
