#include "album/Export.h"

#include "album/Format.h"
#include "platform/imaging/BmpFile.h"
#include "platform/imaging/BmpHeaders.h"
#include "platform/imaging/Imaging.h"
#include "ui/ErrorReport.h"

#include <QFile>

#include <array>

namespace album {

namespace {

[[noreturn]] void refuse(const QString& path, const QString& fault) {
    throw ui::ToolkitError(
        QStringLiteral("Cannot read the frame file \"%1\": %2.").arg(path, fault));
}

int formatCodeOf(int sampling) {
    switch (sampling) {
    case 0:
        return platform::kJpegSampling411;
    case 1:
        return platform::kJpegSampling422;
    case 2:
        return platform::kJpegSampling444;
    default:
        return 0;
    }
}

} // namespace

FrameDib ReadFrameDib(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        refuse(path, file.errorString());
    using platform::kBmpFileHeader;
    std::array<char, kBmpFileHeader> head{};
    if (file.read(head.data(), kBmpFileHeader) != kBmpFileHeader)
        refuse(path, QStringLiteral("the file is shorter than a BMP file header"));
    const platform::BmpFileHeader header = *platform::readBmpFileHeader({head.data(), head.size()});
    const qint64 bfSize = header.fileSize;
    if (bfSize < kBmpFileHeader + platform::kBmpInfoHeader)
        refuse(path, QStringLiteral("its header gives a size of %1 bytes, too small for a picture")
                         .arg(bfSize));
    if (bfSize > file.size())
        refuse(path, QStringLiteral("its header gives a size of %1 bytes but the file holds %2")
                         .arg(bfSize)
                         .arg(file.size()));
    if (bfSize > kMaxFrameFile)
        refuse(path, QStringLiteral("its header gives a size of %1 bytes, more than the %2 MiB a "
                                    "frame may have")
                         .arg(bfSize)
                         .arg(kMaxFrameFile >> 20));
    QString why;
    const std::optional<std::int64_t> pixelOffset = header.dibPixelOffset(&why);
    if (!pixelOffset)
        refuse(path, why);

    FrameDib dib;
    dib.bytes.resize(static_cast<std::size_t>(bfSize - kBmpFileHeader));
    if (file.read(reinterpret_cast<char*>(dib.bytes.data()),
                  static_cast<qint64>(dib.bytes.size())) != static_cast<qint64>(dib.bytes.size()))
        refuse(path, file.errorString());
    dib.pixelOffset = *pixelOffset;
    return dib;
}

int SaveDibAsJpeg(FrameDib dib, const QString& path, const SaveSettings& settings) {
    platform::BitmapRecord bitmap;
    if (platform::L_ChangeFromDIB(&bitmap, std::move(dib.bytes), dib.pixelOffset) !=
        platform::kSuccess)
        throw ui::ToolkitError(
            QStringLiteral("Cannot save \"%1\": the frame holds no picture that can be converted.")
                .arg(path));
    const int format = formatCodeOf(settings.JpegSampling);
    std::string why;
    const int saved = format == 0
                          ? platform::kSuccess
                          : platform::L_SaveBitmap(path, &bitmap, format, bitmap.BitsPerPixel,
                                                   settings.JpegQuality, &why);
    platform::L_FreeBitmap(&bitmap);
    if (saved != platform::kSuccess)
        throw ui::ToolkitError(
            QStringLiteral("Cannot save \"%1\": %2.").arg(path, QString::fromStdString(why)));
    return 1;
}

void SavePictureAsBmp(const QImage& picture, const QString& path) {
    QString why;
    if (!platform::writeBmpFile(path, picture, &why))
        throw ui::ToolkitError(QStringLiteral("Cannot save \"%1\": %2.").arg(path, why));
}

} // namespace album
