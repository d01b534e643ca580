#pragma once

#include "platform/imaging/BmpHeaders.h"

#include <QBuffer>
#include <QImage>

#include <cstdint>
#include <vector>

namespace test {

// Packed DIBs made by hand: an info header, an optional colour table or masks, and rows.
struct DibSpec {
    int width = 4;
    int height = 3; // negative: top-down rows
    int bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t coloursUsed = 0;
    std::uint32_t sizeImage = 0;
};

inline void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(v & 0xFF);
    out.push_back(v >> 8);
}
inline void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back((v >> (8 * i)) & 0xFF);
}

inline std::vector<std::uint8_t> infoHeader(const DibSpec& s) {
    std::vector<std::uint8_t> h;
    put32(h, 40);
    put32(h, static_cast<std::uint32_t>(s.width));
    put32(h, static_cast<std::uint32_t>(s.height));
    put16(h, 1);
    put16(h, static_cast<std::uint16_t>(s.bitCount));
    put32(h, s.compression);
    put32(h, s.sizeImage);
    put32(h, 2835);
    put32(h, 2835);
    put32(h, s.coloursUsed);
    put32(h, 0);
    return h;
}

// The packed DIB of a QImage, as the BMP writer makes it: the file minus its file header.
inline std::vector<std::uint8_t> dibOf(const QImage& image, const char* format = "BMP") {
    QByteArray file;
    QBuffer buffer(&file);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return std::vector<std::uint8_t>(file.begin() + platform::kBmpFileHeader, file.end());
}

} // namespace test
