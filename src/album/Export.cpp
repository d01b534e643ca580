#include "album/Export.h"

#include "album/Format.h"
#include "platform/imaging/BmpFile.h"
#include "platform/imaging/BmpHeaders.h"
#include "platform/imaging/Imaging.h"
#include "ui/ErrorReport.h"

#include <QFile>
#include <QFileInfo>

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
    const platform::Result<std::int64_t> pixelOffset = header.dibPixelOffset();
    if (!pixelOffset)
        refuse(path, pixelOffset.why());

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
    const platform::Result<> saved =
        format == 0 ? platform::done()
                    : platform::L_SaveBitmap(path, &bitmap, format, bitmap.BitsPerPixel,
                                             settings.JpegQuality);
    platform::L_FreeBitmap(&bitmap);
    if (!saved)
        throw ui::ToolkitError(QStringLiteral("Cannot save \"%1\": %2.").arg(path, saved.why()));
    return 1;
}

void RefuseRunFrame(const QString& path, std::span<const QString> framePaths) {
    // The same file whatever way the user typed its folder: through a link, with "..".
    const auto place = [](const QString& file) {
        const QFileInfo info(file);
        const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
        return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + info.fileName();
    };
    const QString target = place(path);
    if (target.isEmpty())
        return;
    for (std::size_t i = 0; i < framePaths.size(); ++i)
        if (!framePaths[i].isEmpty() && place(framePaths[i]) == target)
            throw ui::ToolkitError(
                QStringLiteral("Cannot save \"%1\": it is the file of frame %2 of the album, which "
                               "a later capture writes over and which is removed when the "
                               "program closes. Choose another name.")
                    .arg(path)
                    .arg(i));
}

void SavePictureAsBmp(const QImage& picture, const QString& path) {
    if (const platform::Result<> written = platform::writeBmpFile(path, picture); !written)
        throw ui::ToolkitError(QStringLiteral("Cannot save \"%1\": %2.").arg(path, written.why()));
}

} // namespace album
