#pragma once

#include <cstdint>
#include <string>

namespace lumivex::test {

// A 24-bit Windows bitmap of one colour, as the chart reader accepts it.
inline std::string uniformBitmap(int width, int height, int red, int green, int blue)
{
    const int stride = (width * 3 + 3) / 4 * 4;
    const std::uint32_t imageSize = static_cast<std::uint32_t>(stride * height);
    std::string bytes;
    auto put = [&bytes](std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i)
            bytes.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
    };
    bytes += "BM";
    put(54 + imageSize, 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(static_cast<std::uint32_t>(width), 4);
    put(static_cast<std::uint32_t>(height), 4);
    put(1, 2);
    put(24, 2);
    put(0, 4);
    put(imageSize, 4);
    put(2835, 4);
    put(2835, 4);
    put(0, 4); // colours used
    put(0, 4); // important colours
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bytes.push_back(static_cast<char>(blue));
            bytes.push_back(static_cast<char>(green));
            bytes.push_back(static_cast<char>(red));
        }
        bytes.append(static_cast<std::size_t>(stride - width * 3), '\0');
    }
    return bytes;
}

} // namespace lumivex::test
