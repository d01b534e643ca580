#include "platform/imaging/Imaging.h"

#include "platform/imaging/BmpHeaders.h"
#include "platform/imaging/DibCheck.h"

#include "platform/files/WholeFile.h"

#include <turbojpeg.h>

#include <cmath>
#include <cstring>
#include <memory>

namespace platform {

namespace {

// Whether the DIB's rows are kept as they are: uncompressed 24- or 32-bit ones.
bool keepsRows(const DibLayout& l) {
    return l.compression == kDibRgb && (l.bitCount == 24 || l.bitCount == 32);
}

// Describes the kept rows of the DIB in `bitmap`, whose `rows` and `firstRow` are set.
void describeRows(BitmapRecord* bitmap, const DibLayout& l) {
    bitmap->layout = l.bitCount == 24 ? BitmapRecord::Rows::Bgr24 : BitmapRecord::Rows::Bgrx32;
    bitmap->width = static_cast<int>(l.width);
    bitmap->height = static_cast<int>(l.height < 0 ? -l.height : l.height);
    bitmap->pitch = static_cast<int>(l.stride);
    bitmap->bottomUp = l.height > 0;
    bitmap->BitsPerPixel = l.bitCount;
}

struct TjDestroy {
    void operator()(void* handle) const { tjDestroy(handle); }
};
struct TjFree {
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};

} // namespace

int jpegQualityOf(int qualityFactor) {
    const int f = std::clamp(qualityFactor, kQualityFactorBest, kQualityFactorSmallest);
    return static_cast<int>(std::lround(100.0 - (f - kQualityFactorBest) * 99.0 / 98.0));
}

namespace {

// Decodes a checked DIB of a kind whose rows are not kept into `bitmap`.
int decodeDib(BitmapRecord* bitmap, const std::uint8_t* dib, std::size_t size,
              const DibLayout& layout) {
    const std::int64_t offset = layout.offset;
    // A BMP file around the DIB, so that the toolkit's own reader decodes every variant; it
    // reads from this copy only.
    QByteArray file(static_cast<qsizetype>(kBmpFileHeader + size), Qt::Uninitialized);
    putBmpFileHeader(file.data(), static_cast<std::uint32_t>(size),
                     static_cast<std::uint32_t>(offset));
    std::memcpy(file.data() + kBmpFileHeader, dib, size);

    QImage image;
    if (!image.loadFromData(file, "BMP") || image.isNull())
        return kErrorBadDib;
    bitmap->BitsPerPixel = layout.bitCount;
    bitmap->image = std::move(image);
    return kSuccess;
}

} // namespace

int L_ChangeFromDIB(BitmapRecord* bitmap, const std::uint8_t* dib, std::size_t size,
                    std::int64_t pixelOffset) {
    if (!bitmap || !dib)
        return kErrorBadDib;
    const Result<DibLayout> checked = checkDib(dib, size, pixelOffset);
    if (!checked)
        return kErrorBadDib;
    const DibLayout& layout = *checked;
    *bitmap = BitmapRecord{};
    if (!keepsRows(layout))
        return decodeDib(bitmap, dib, size, layout);
    const std::uint8_t* first = dib + layout.offset;
    const std::int64_t rows = layout.height < 0 ? -layout.height : layout.height;
    bitmap->rows.assign(first, first + layout.stride * rows);
    describeRows(bitmap, layout);
    return kSuccess;
}

int L_ChangeFromDIB(BitmapRecord* bitmap, std::vector<std::uint8_t>&& dib,
                    std::int64_t pixelOffset) {
    if (!bitmap)
        return kErrorBadDib;
    const Result<DibLayout> checked = checkDib(dib.data(), dib.size(), pixelOffset);
    if (!checked)
        return kErrorBadDib;
    const DibLayout& layout = *checked;
    *bitmap = BitmapRecord{};
    if (!keepsRows(layout))
        return decodeDib(bitmap, dib.data(), dib.size(), layout);
    bitmap->rows = std::move(dib);
    bitmap->firstRow = static_cast<std::size_t>(layout.offset);
    describeRows(bitmap, layout);
    return kSuccess;
}

Result<std::vector<std::uint8_t>> encodeJpeg(const BitmapRecord& bitmap, int format,
                                             int qualityFactor) {
    if (bitmap.empty())
        return Failure("there is no picture to save", kErrorNoBitmap);
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
        return Failure("unknown JPEG format code " + std::to_string(format), kErrorBadFormat);
    }

    // Rows kept from the DIB go to the encoder as they lie; decoded pictures as RGB32, which
    // is 0xffRRGGBB per little-endian word: B, G, R, X in memory.
    QImage decoded;
    const unsigned char* pixels;
    int width, height, pitch, pixelFormat, flags = 0;
    if (bitmap.layout != BitmapRecord::Rows::None) {
        pixels = bitmap.rowData();
        width = bitmap.width;
        height = bitmap.height;
        pitch = bitmap.pitch;
        pixelFormat = bitmap.layout == BitmapRecord::Rows::Bgr24 ? TJPF_BGR : TJPF_BGRX;
        flags = bitmap.bottomUp ? TJFLAG_BOTTOMUP : 0;
    } else {
        decoded = bitmap.image.format() == QImage::Format_RGB32
                      ? bitmap.image
                      : bitmap.image.convertToFormat(QImage::Format_RGB32);
        pixels = decoded.constBits();
        width = decoded.width();
        height = decoded.height();
        pitch = static_cast<int>(decoded.bytesPerLine());
        pixelFormat = TJPF_BGRX;
    }
    std::unique_ptr<void, TjDestroy> encoder(tjInitCompress());
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    const int status =
        encoder ? tjCompress2(encoder.get(), pixels, width, pitch, height, pixelFormat, &out,
                              &outSize, sampling, jpegQualityOf(qualityFactor), flags)
                : -1;
    std::unique_ptr<unsigned char, TjFree> owned(out);
    if (status != 0)
        return Failure(std::string("the JPEG encoder failed: ") + tjGetErrorStr2(encoder.get()),
                       kErrorEncode);
    return std::vector<std::uint8_t>(out, out + outSize);
}

Result<> L_SaveBitmap(const QString& path, const BitmapRecord* bitmap, int format, int bitsPerPixel,
                      int qualityFactor) {
    (void)bitsPerPixel; // every picture is written in colour at the chosen sampling
    if (!bitmap)
        return Failure("there is no picture to save", kErrorNoBitmap);
    const Result<std::vector<std::uint8_t>> jpeg = encodeJpeg(*bitmap, format, qualityFactor);
    if (!jpeg)
        return jpeg.failure();
    if (Result<> written = writeWholeFile(
            path, QByteArray::fromRawData(reinterpret_cast<const char*>(jpeg->data()),
                                          static_cast<qsizetype>(jpeg->size())));
        !written)
        return Failure(written.why(), kErrorWrite);
    return done();
}

QImage pictureOf(const BitmapRecord& bitmap) {
    if (bitmap.layout == BitmapRecord::Rows::None)
        return bitmap.image;
    // DIB rows are B, G, R(, X) in memory.
    const QImage picture = bitmap.layout == BitmapRecord::Rows::Bgr24
                               ? QImage(bitmap.rowData(), bitmap.width, bitmap.height, bitmap.pitch,
                                        QImage::Format_RGB888)
                                     .rgbSwapped()
                               : QImage(bitmap.rowData(), bitmap.width, bitmap.height, bitmap.pitch,
                                        QImage::Format_RGB32)
                                     .copy();
    return bitmap.bottomUp ? picture.mirrored(false, true) : picture;
}

void L_FreeBitmap(BitmapRecord* bitmap) {
    if (bitmap)
        *bitmap = BitmapRecord{};
}

} // namespace platform
