#pragma once

#include "colour/CDib.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace lumivex::test {

// A Windows bitmap file laid out by hand, so that each header field can be made to lie.
struct BmpFile {
    using Bytes = std::vector<std::uint8_t>;
    std::string type = "BM";
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bitCount = 24;
    std::uint32_t infoSize = 40;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::uint32_t coloursUsed = 0;
    std::vector<DibColour> table {};
    std::size_t gap = 0; // zero bytes between the table and the pixels
    Bytes pixels {}; // as stored: bottom-up rows, padded
    std::int64_t offset = -1; // -1: right after the table and gap

    std::uint32_t DataOffset() const { return std::uint32_t(offset >= 0 ? offset : 54 + 4 * table.size() + gap); }

    Bytes Build() const
    {
        const std::uint32_t dataOffset = DataOffset();
        // The file header (size, reserved, offset), then the info header: its size, width, height,
        // planes, bits, compression, image size, resolution x and y, colours used and important.
        const std::pair<std::uint32_t, int> fields[]
            = {{dataOffset + static_cast<std::uint32_t>(pixels.size()), 4}, {0, 4}, {dataOffset, 4}, {infoSize, 4},
                {static_cast<std::uint32_t>(width), 4}, {static_cast<std::uint32_t>(height), 4}, {1, 2}, {bitCount, 2},
                {compression, 4}, {sizeImage, 4}, {2835, 4}, {2835, 4}, {coloursUsed, 4}, {0, 4}};
        Bytes out(type.begin(), type.end());
        for (const auto& [value, count] : fields)
            for (int i = 0; i < count; ++i)
                out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        for (const DibColour& c : table)
            out.insert(out.end(), {c.blue, c.green, c.red, c.reserved});
        out.insert(out.end(), gap, 0);
        out.insert(out.end(), pixels.begin(), pixels.end());
        return out;
    }
};

// A 24-bit bitmap of one colour, as the chart reader accepts it.
inline std::string uniformBitmap(int width, int height, int red, int green, int blue)
{
    const std::size_t stride = static_cast<std::size_t>(width * 3 + 3) / 4 * 4, row = std::size_t(width) * 3;
    BmpFile file {.width = width, .height = height, .pixels = BmpFile::Bytes(stride * std::size_t(height))};
    for (std::size_t i = 0; i < file.pixels.size(); ++i)
        if (i % stride < row)
            file.pixels[i] = static_cast<std::uint8_t>(i % stride % 3 == 0 ? blue : i % stride % 3 == 1 ? green : red);
    file.sizeImage = static_cast<std::uint32_t>(file.pixels.size());
    const BmpFile::Bytes bytes = file.Build();
    return {bytes.begin(), bytes.end()};
}

} // namespace lumivex::test
