#pragma once

#include <QImage>
#include <QString>

#include <cstdint>
#include <span>
#include <vector>

namespace album {

struct SaveSettings;

// The largest frame file the export reads.
inline constexpr std::int64_t kMaxFrameFile = std::int64_t(64) << 20;

// The packed DIB of a frame file and where its pixels start in it, as the file header says
// (-1 when the header gives no place: right after the colour table).
struct FrameDib {
    std::vector<std::uint8_t> bytes;
    std::int64_t pixelOffset = -1;
};

// The packed DIB of a frame file, in a block sized from the file's own header. A file that
// cannot be opened or whose header does not hold together raises the toolkit error, naming
// the file and the fault; nothing is read past the block.
FrameDib ReadFrameDib(const QString& path);

// Converts the packed DIB and writes it to `path` as JPEG with the sampling and quality of
// the settings. Returns 0 when the conversion failed, 1 after a save attempt. A failure to
// convert or to write is reported by the toolkit error.
int SaveDibAsJpeg(FrameDib dib, const QString& path, const SaveSettings& settings);

// Raises the toolkit error when `path` names one of the run's frame files: the album owns
// them, a later capture writes over them and the close removes them, so an export there
// would be lost without a word.
void RefuseRunFrame(const QString& path, std::span<const QString> framePaths);

// Writes a picture as a BMP file, whole or not at all; a failure raises the toolkit error.
void SavePictureAsBmp(const QImage& picture, const QString& path);

} // namespace album
