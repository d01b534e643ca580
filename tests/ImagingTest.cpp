#include "DibBuilder.h"
#include "Support.h"

#include "platform/imaging/BmpHeaders.h"
#include "platform/imaging/BmpRows.h"
#include "platform/imaging/DibCheck.h"
#include "platform/imaging/Imaging.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QPainter>

#include <turbojpeg.h>

#include <gtest/gtest.h>

namespace {

using platform::BitmapRecord;

// A picture with detail in every colour channel, so that sampling and quality matter.
QImage testPicture(int width = 640, int height = 480) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(
                x, y, qRgb((x * 7 + y) & 0xFF, (y * 5 + x / 3) & 0xFF, ((x ^ y) * 3) & 0xFF));
    return picture;
}

struct JpegInfo {
    int width = 0, height = 0, subsamp = -1;
    qint64 size = 0;
    bool jfif = false;
};

JpegInfo readJpeg(const QString& path) {
    QFile file(path);
    JpegInfo info;
    if (!file.open(QIODevice::ReadOnly))
        return info;
    const QByteArray bytes = file.readAll();
    info.size = bytes.size();
    info.jfif = bytes.mid(6, 4) == "JFIF";
    tjhandle handle = tjInitDecompress();
    int colourspace = 0;
    if (tjDecompressHeader3(handle, reinterpret_cast<const unsigned char*>(bytes.constData()),
                            static_cast<unsigned long>(bytes.size()), &info.width, &info.height,
                            &info.subsamp, &colourspace) != 0)
        info.subsamp = -1;
    tjDestroy(handle);
    return info;
}

// kSuccess, or the code of the save's failure.
int saveJpeg(const QString& path, const QImage& picture, int format, int factor) {
    BitmapRecord bitmap;
    const auto dib = test::dibOf(picture);
    EXPECT_EQ(platform::L_ChangeFromDIB(&bitmap, dib.data(), dib.size()), platform::kSuccess);
    const platform::Result<> saved =
        platform::L_SaveBitmap(path, &bitmap, format, bitmap.BitsPerPixel, factor);
    platform::L_FreeBitmap(&bitmap);
    return saved ? platform::kSuccess : saved.failure().code();
}

TEST(Imaging, EachFormatCodeWritesItsChromaSampling) {
    test::StartDir dir;
    const QImage picture = testPicture();
    const std::pair<int, int> rows[] = {{platform::kJpegSampling411, TJSAMP_411},
                                        {platform::kJpegSampling422, TJSAMP_422},
                                        {platform::kJpegSampling444, TJSAMP_444}};
    for (const auto& [format, subsamp] : rows) {
        const QString path = dir.path() + QStringLiteral("/f%1.jpg").arg(format);
        ASSERT_EQ(saveJpeg(path, picture, format, 50), platform::kSuccess);
        const JpegInfo info = readJpeg(path);
        EXPECT_EQ(info.subsamp, subsamp) << "format " << format;
        EXPECT_EQ(info.width, 640);
        EXPECT_EQ(info.height, 480);
        EXPECT_TRUE(info.jfif);
    }
    EXPECT_EQ(saveJpeg(dir.path() + "/x.jpg", picture, 11, 50), platform::kErrorBadFormat);
    EXPECT_FALSE(QFile::exists(dir.path() + "/x.jpg"));
}

TEST(Imaging, TheFileShrinksAsTheQualityFactorRises) {
    test::StartDir dir;
    const QImage picture = testPicture();
    qint64 previous = std::numeric_limits<qint64>::max();
    for (int factor : {2, 20, 50, 80, 100}) {
        const QString path = dir.path() + QStringLiteral("/q%1.jpg").arg(factor);
        ASSERT_EQ(saveJpeg(path, picture, platform::kJpegSampling444, factor), platform::kSuccess);
        const qint64 size = readJpeg(path).size;
        EXPECT_LT(size, previous) << "factor " << factor;
        previous = size;
    }
}

TEST(Imaging, QualityFactorMapsLinearlyOntoLibjpegQuality) {
    const std::pair<int, int> rows[] = {{2, 100}, {100, 1}, {51, 51}, {50, 52},
                                        {3, 99},  {99, 2},  {0, 100}, {500, 1}};
    for (const auto& [factor, quality] : rows)
        EXPECT_EQ(platform::jpegQualityOf(factor), quality) << factor;
}

TEST(Imaging, ConvertsEveryDibVariantTheToolkitReads) {
    const QImage source = testPicture(13, 7);
    struct Row {
        const char* name;
        QImage image;
    } rows[] = {
        {"24-bit", source.convertToFormat(QImage::Format_RGB888)},
        {"32-bit", source.convertToFormat(QImage::Format_ARGB32)},
        {"8-bit palette", source.convertToFormat(QImage::Format_Indexed8)},
        {"1-bit", source.convertToFormat(QImage::Format_Mono)},
    };
    for (const Row& r : rows) {
        const auto dib = test::dibOf(r.image);
        BitmapRecord bitmap;
        ASSERT_EQ(platform::L_ChangeFromDIB(&bitmap, dib.data(), dib.size()), platform::kSuccess)
            << r.name;
        EXPECT_EQ(platform::pictureOf(bitmap).size(), QSize(13, 7)) << r.name;
        EXPECT_EQ(platform::pictureOf(bitmap).convertToFormat(QImage::Format_RGB32),
                  r.image.convertToFormat(QImage::Format_RGB32))
            << r.name;
        platform::L_FreeBitmap(&bitmap);
        EXPECT_TRUE(bitmap.empty());
    }
}

// Handing the DIB over gives the same picture as copying it, for kept rows (either order,
// a gap before the pixels) and for decoded kinds alike.
TEST(Imaging, AHandedOverDibConvertsAsACopiedOne) {
    const QImage source = testPicture(13, 7);
    struct Row {
        const char* name;
        std::vector<std::uint8_t> dib;
        std::int64_t pixelOffset;
    } rows[] = {
        {"24-bit bottom-up", test::dibOf(source.convertToFormat(QImage::Format_RGB888)), -1},
        {"32-bit", test::dibOf(source.convertToFormat(QImage::Format_ARGB32)), -1},
        {"8-bit palette", test::dibOf(source.convertToFormat(QImage::Format_Indexed8)), -1},
        {"24-bit top-down after a gap",
         [&] {
             auto dib = test::infoHeader({13, -7, 24});
             dib.resize(dib.size() + 16, 0xEE);
             for (int y = 0; y < 7; ++y)
                 for (int x = 0; x < 40; ++x)
                     dib.push_back(std::uint8_t(x * 5 + y * 11));
             return dib;
         }(),
         56},
    };
    for (Row& r : rows) {
        BitmapRecord copied, handed;
        ASSERT_EQ(platform::L_ChangeFromDIB(&copied, r.dib.data(), r.dib.size(), r.pixelOffset),
                  platform::kSuccess)
            << r.name;
        ASSERT_EQ(platform::L_ChangeFromDIB(&handed, std::move(r.dib), r.pixelOffset),
                  platform::kSuccess)
            << r.name;
        EXPECT_EQ(platform::pictureOf(handed), platform::pictureOf(copied)) << r.name;
        const auto a = platform::encodeJpeg(copied, platform::kJpegSampling422, 50);
        const auto b = platform::encodeJpeg(handed, platform::kJpegSampling422, 50);
        ASSERT_TRUE(a && b) << r.name;
        EXPECT_EQ(*a, *b) << r.name;
    }
    std::vector<std::uint8_t> damaged{40, 0, 0};
    BitmapRecord bitmap;
    EXPECT_NE(platform::L_ChangeFromDIB(&bitmap, std::move(damaged), -1), platform::kSuccess);
}

TEST(Imaging, HandMadeDibsOfEachDepthAndOrder) {
    // A 2 x 2 picture at 16 bits with bitfields, top-down, and a 4-bit RLE one.
    {
        test::DibSpec spec{2, -2, 16, 3};
        auto dib = test::infoHeader(spec);
        for (std::uint32_t mask : {0xF800u, 0x07E0u, 0x001Fu})
            test::put32(dib, mask);
        for (std::uint16_t pixel : {0xF800, 0x07E0, 0x001F, 0xFFFF})
            test::put16(dib, pixel); // two rows of 4 bytes: already 32-bit aligned
        BitmapRecord bitmap;
        ASSERT_EQ(platform::L_ChangeFromDIB(&bitmap, dib.data(), dib.size()), platform::kSuccess);
        EXPECT_EQ(bitmap.BitsPerPixel, 16);
        // 5-6-5 channels widened by shifting; the top row comes first.
        EXPECT_EQ(platform::pictureOf(bitmap).pixelColor(0, 0), QColor(248, 0, 0));
        EXPECT_EQ(platform::pictureOf(bitmap).pixelColor(1, 0), QColor(0, 252, 0));
        EXPECT_EQ(platform::pictureOf(bitmap).pixelColor(0, 1), QColor(0, 0, 248));
        EXPECT_EQ(platform::pictureOf(bitmap).pixelColor(1, 1), QColor(248, 252, 248));
    }
    {
        test::DibSpec spec{4, 2, 4, 2, 2};
        const std::vector<std::uint8_t> rle = {4, 0x01, 0, 0, 4, 0x10, 0, 1};
        spec.sizeImage = static_cast<std::uint32_t>(rle.size());
        auto dib = test::infoHeader(spec);
        for (std::uint32_t colour : {0x000000u, 0xFF0000u})
            test::put32(dib, colour);
        dib.insert(dib.end(), rle.begin(), rle.end());
        BitmapRecord bitmap;
        ASSERT_EQ(platform::L_ChangeFromDIB(&bitmap, dib.data(), dib.size()), platform::kSuccess);
        EXPECT_EQ(bitmap.BitsPerPixel, 4);
        EXPECT_EQ(platform::pictureOf(bitmap).pixelColor(1, 1),
                  QColor(255, 0, 0)); // bottom row: 0 1 0 1
        EXPECT_EQ(platform::pictureOf(bitmap).pixelColor(0, 0),
                  QColor(255, 0, 0)); // top row: 1 0 1 0
    }
}

TEST(Imaging, DamagedDibsAreRefused) {
    const auto good = test::dibOf(testPicture(8, 8).convertToFormat(QImage::Format_RGB888));
    const auto withHeader = [](test::DibSpec spec) {
        auto dib = test::infoHeader(spec);
        dib.resize(dib.size() + 4096, 0x55);
        return dib;
    };
    // A header field overwritten, or bytes appended after the header and its table.
    const auto with = [](std::vector<std::uint8_t> dib, std::size_t at, std::uint32_t value,
                         int bytes = 4) {
        for (int i = 0; i < bytes; ++i)
            dib[at + i] = (value >> (8 * i)) & 0xFF;
        return dib;
    };
    const auto masked = [](std::uint32_t r, std::uint32_t g, std::uint32_t b) {
        auto dib = test::infoHeader({2, 2, 16, 3});
        for (std::uint32_t mask : {r, g, b})
            test::put32(dib, mask);
        dib.resize(dib.size() + 8, 0);
        return dib;
    };
    // A 4 x 2 RLE8 picture of two colours, then the given codes.
    const auto rle8 = [](std::vector<std::uint8_t> codes) {
        auto dib = test::infoHeader({4, 2, 8, 1, 2, static_cast<std::uint32_t>(codes.size())});
        for (std::uint32_t colour : {0x000000u, 0xFF0000u})
            test::put32(dib, colour);
        dib.insert(dib.end(), codes.begin(), codes.end());
        return dib;
    };
    const auto indexed = [](std::uint8_t index) {
        auto dib = test::infoHeader({4, 1, 8, 0, 2});
        for (std::uint32_t colour : {0x000000u, 0xFF0000u})
            test::put32(dib, colour);
        for (std::uint8_t pixel : {std::uint8_t(0), std::uint8_t(1), index, std::uint8_t(0)})
            dib.push_back(pixel);
        return dib;
    };
    // Sound references for the rows below that change one thing.
    for (const auto& sound :
         {masked(0xF800, 0x07E0, 0x001F), rle8({4, 1, 0, 0, 4, 0, 0, 1}), indexed(1)})
        EXPECT_TRUE(platform::checkDib(sound.data(), sound.size(), -1));
    struct Row {
        const char* name;
        std::vector<std::uint8_t> dib;
    } rows[] = {
        {"empty", {}},
        {"three bytes", {40, 0, 0}},
        {"header only", test::infoHeader({})},
        {"truncated pixels", std::vector<std::uint8_t>(good.begin(), good.end() - 1)},
        {"zero width", withHeader({0, 4})},
        {"zero height", withHeader({4, 0})},
        {"negative width", withHeader({-4, 4})},
        {"odd bit count", withHeader({4, 4, 7})},
        {"huge picture", withHeader({1 << 20, 1 << 20})},
        {"more colours than the depth has", withHeader({4, 4, 8, 0, 300})},
        {"RLE without its length", withHeader({4, 4, 8, 1, 0, 0})},
        {"RLE longer than the DIB", withHeader({4, 4, 8, 1, 0, 100000})},
        {"top-down RLE", withHeader({4, -4, 8, 1, 0, 16})},
        {"unknown compression", withHeader({4, 4, 24, 9})},
        {"unknown header size",
         [] {
             auto dib = test::infoHeader({});
             dib[0] = 41;
             dib.resize(200);
             return dib;
         }()},
        {"two planes", with(withHeader({4, 4}), 12, 2, 2)},
        {"absurd resolution", with(withHeader({4, 4}), 24, 30'000'000)},
        {"negative resolution", with(withHeader({4, 4}), 28, 0xFFFFFFFF)},
        {"empty mask", masked(0xFF00, 0x00FF, 0)},
        {"overlapping masks", masked(0xF800, 0x0FE0, 0x001F)},
        {"mask in two pieces", masked(0xF801, 0x07E0, 0x001E)},
        {"mask beyond the pixel", masked(0x1F0000, 0x07E0, 0x001F)},
        {"masks at 24 bits", with(masked(0xFF0000, 0xFF00, 0xFF), 14, 24, 2)},
        {"colour index past the table", indexed(2)},
        {"RLE run past the row", rle8({5, 1, 0, 0, 4, 0, 0, 1})},
        {"RLE past the last row", rle8({4, 1, 0, 0, 4, 0, 0, 0, 4, 0, 0, 1})},
        {"RLE without an end mark", rle8({4, 1, 0, 0, 4, 0})},
        {"RLE jump out of the picture", rle8({0, 2, 5, 0, 0, 1})},
        {"RLE copy cut short", rle8({0, 4, 1, 0})},
        {"RLE colour past the table", rle8({4, 7, 0, 1})},
    };
    for (const Row& r : rows) {
        BitmapRecord bitmap;
        EXPECT_NE(platform::L_ChangeFromDIB(&bitmap, r.dib.data(), r.dib.size()),
                  platform::kSuccess)
            << r.name;
        EXPECT_TRUE(bitmap.empty()) << r.name;
        const auto checked = platform::checkDib(r.dib.data(), r.dib.size(), -1);
        ASSERT_FALSE(checked) << r.name;
        EXPECT_FALSE(checked.why().isEmpty()) << r.name;
    }
    BitmapRecord bitmap;
    EXPECT_NE(platform::L_ChangeFromDIB(&bitmap, nullptr, 100), platform::kSuccess);
    EXPECT_FALSE(platform::L_SaveBitmap("/nonexistent/x.jpg", &bitmap, 21, 24, 50));
}

// Where a file header puts the pixels of the DIB behind it, read once for the check, the
// conversion and the export alike.
TEST(Imaging, TheFileHeadersPixelOffset) {
    QByteArray head(platform::kBmpFileHeader, '\0');
    platform::putBmpFileHeader(head.data(), 100, 40);
    const auto written = platform::readBmpFileHeader(head);
    ASSERT_TRUE(written);
    EXPECT_EQ(written->fileSize, 114u);
    EXPECT_EQ(written->dibPixelOffset().value(), 40);
    EXPECT_FALSE(platform::readBmpFileHeader(head.left(platform::kBmpFileHeader - 1)));

    const struct {
        std::uint32_t pixelsAt;
        std::optional<std::int64_t> offset;
    } rows[] = {{0, -1}, {1, std::nullopt}, {13, std::nullopt}, {14, 0}, {1078, 1064}};
    for (const auto& r : rows) {
        const platform::BmpFileHeader header{0, r.pixelsAt};
        const auto offset = header.dibPixelOffset();
        ASSERT_EQ(offset.ok(), r.offset.has_value()) << r.pixelsAt;
        if (offset)
            EXPECT_EQ(*offset, *r.offset) << r.pixelsAt;
        else
            EXPECT_FALSE(offset.why().isEmpty()) << r.pixelsAt;
    }
}

TEST(Imaging, ABmpFileHeaderIsCheckedAgainstTheFile) {
    QByteArray sound;
    QBuffer buffer(&sound);
    buffer.open(QIODevice::WriteOnly);
    testPicture(8, 8).convertToFormat(QImage::Format_Indexed8).save(&buffer, "BMP");
    const auto with = [&](int at, std::uint32_t value) {
        QByteArray file = sound;
        for (int i = 0; i < 4; ++i)
            file[at + i] = char((value >> (8 * i)) & 0xFF);
        return file;
    };
    struct Row {
        const char* name;
        QByteArray file;
        bool refused;
    } rows[] = {
        {"sound", sound, false},
        {"size left as 0", with(2, 0), false},
        {"trailing bytes", sound + QByteArray(100, 'x'), false},
        {"not a BMP", "GIF89a" + sound.mid(6), true},
        {"only the magic", "BM", true},
        {"size beyond the file", with(2, sound.size() + 1), true},
        {"pixels inside the file header", with(10, 4), true},
        {"pixels beyond the file", with(10, sound.size() + 1), true},
        {"cut inside the pixels", sound.left(sound.size() - 1), true},
    };
    for (const Row& r : rows)
        EXPECT_EQ(!platform::checkBmpFile(r.file), r.refused) << r.name;
}

// The fast frame codec against the toolkit's BMP codec: the same bytes written, the same
// pixels read, for every row padding, both row orders and both depths.
TEST(Imaging, FrameRowsMatchTheToolkitsBmpCodec) {
    const auto toolkitBytes = [](const QImage& picture) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "BMP");
        return bytes;
    };
    const auto fileOf = [](std::vector<std::uint8_t> dib) {
        QByteArray file(platform::kBmpFileHeader, '\0');
        platform::putBmpFileHeader(file.data(), std::uint32_t(dib.size()), 40);
        return file + QByteArray(reinterpret_cast<const char*>(dib.data()), dib.size());
    };
    for (const QSize size :
         {QSize(1, 1), QSize(2, 3), QSize(3, 2), QSize(5, 7), QSize(13, 4), QSize(640, 480)}) {
        const std::string name = std::to_string(size.width()) + "x" + std::to_string(size.height());
        QImage picture = testPicture(size.width(), size.height());
        for (const int dpm : {0, 2835}) {
            if (dpm)
                picture.setDotsPerMeterX(dpm), picture.setDotsPerMeterY(dpm + 1);
            const QByteArray bytes = toolkitBytes(picture);
            EXPECT_EQ(platform::encodeBmpRows(picture), bytes) << name << " dpm " << dpm;
            const QImage decoded = platform::decodeBmpRows(bytes);
            EXPECT_EQ(decoded, QImage::fromData(bytes, "BMP")) << name;
            EXPECT_EQ(decoded.dotsPerMeterY(), QImage::fromData(bytes, "BMP").dotsPerMeterY());
        }
        // Top-down 24-bit rows and 32-bit rows with a junk fourth byte.
        for (const int bits : {24, 32}) {
            for (const int sign : {1, -1}) {
                auto dib = test::infoHeader({size.width(), sign * size.height(), bits});
                const int stride = (size.width() * bits + 31) / 32 * 4;
                for (int y = 0; y < size.height(); ++y)
                    for (int x = 0; x < stride; ++x)
                        dib.push_back(std::uint8_t(x * 31 + y * 7));
                const QByteArray file = fileOf(dib);
                ASSERT_TRUE(platform::checkBmpFile(file)) << name;
                EXPECT_EQ(platform::decodeBmpRows(file), QImage::fromData(file, "BMP"))
                    << name << " " << bits << " bits, sign " << sign;
            }
        }
    }
    // Other kinds are left to the toolkit.
    EXPECT_TRUE(platform::encodeBmpRows(testPicture(4, 4).convertToFormat(QImage::Format_RGB888))
                    .isEmpty());
    EXPECT_TRUE(platform::decodeBmpRows(
                    toolkitBytes(testPicture(4, 4).convertToFormat(QImage::Format_Indexed8)))
                    .isNull());
}

TEST(Imaging, AnUnwritableTargetFailsAndSaysWhy) {
    test::StartDir dir;
    BitmapRecord bitmap;
    const auto dib = test::dibOf(testPicture(16, 16));
    ASSERT_EQ(platform::L_ChangeFromDIB(&bitmap, dib.data(), dib.size()), platform::kSuccess);
    const platform::Result<> saved =
        platform::L_SaveBitmap(dir.path() + "/missing/x.jpg", &bitmap, 21, 24, 50);
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.failure().code(), platform::kErrorWrite);
    EXPECT_EQ(saved.why(), "No such file or directory");
}

// Public test pictures: the good ones pass the file check and convert to what the toolkit
// shows of the whole file; the bad ones are refused by the check and never crash the
// conversion.
TEST(Imaging, BmpSuite) {
    const QString suite = QStringLiteral(NIMBACAST_TESTDATA_DIR "/bmpsuite");
    if (!QDir(suite).exists())
        GTEST_SKIP() << "no " << suite.toStdString();
    int good = 0, converted = 0;
    for (const char* kind : {"g", "b"}) {
        QDirIterator it(suite + "/" + kind, {"*.bmp"}, QDir::Files);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            const platform::Result<> checked = platform::checkBmpFile(bytes);
            EXPECT_EQ(checked.ok(), std::string(kind) == "g")
                << path.toStdString() << ": " << (checked ? "" : checked.failure().utf8());
            if (bytes.size() <= platform::kBmpFileHeader)
                continue;
            const auto header = platform::readBmpFileHeader(bytes);
            std::vector<std::uint8_t> dib(bytes.begin() + platform::kBmpFileHeader, bytes.end());
            // A bad file's pixel offset inside the file header still goes through the
            // conversion, taken as none.
            BitmapRecord bitmap;
            const int result = platform::L_ChangeFromDIB(
                &bitmap, dib.data(), dib.size(),
                header->dibPixelOffset().ok() ? *header->dibPixelOffset() : -1);
            if (std::string(kind) == "g") {
                ++good;
                if (result == platform::kSuccess) {
                    ++converted;
                    EXPECT_EQ(platform::pictureOf(bitmap).convertToFormat(QImage::Format_ARGB32),
                              QImage(path).convertToFormat(QImage::Format_ARGB32))
                        << path.toStdString();
                }
            }
        }
    }
    EXPECT_GE(good, 20);
    EXPECT_EQ(converted, good);
}

} // namespace
