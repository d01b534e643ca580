#pragma once

#include "platform/imaging/BmpHeaders.h"

#include <QByteArray>
#include <QFile>

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
    const QByteArray head = file.read(platform::kBmpFileHeader + platform::kBmpInfoHeader);
    h.fileSize = file.size();
    const auto fileHeader = platform::readBmpFileHeader(head);
    if (!head.startsWith("BM") || !fileHeader)
        return h;
    const auto info = platform::readDibHeader(head.sliced(platform::kBmpFileHeader));
    if (!info)
        return h;
    h.bfSize = fileHeader->fileSize;
    h.width = static_cast<std::int32_t>(info->width);
    h.height = static_cast<std::int32_t>(info->height);
    h.bitCount = info->bitCount;
    h.valid = true;
    return h;
}

} // namespace test
