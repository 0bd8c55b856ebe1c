#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>
#include <vector>

namespace lumivex {

// One entry of a bitmap's colour table, in the file's order.
struct DibColour {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
    std::uint8_t reserved = 0;
};

// A device-independent bitmap as read from a Windows BMP file: a 14-byte file header, a 40-byte
// info header with its colour table, and the pixel data. Every size in the headers is checked
// against the bytes the file really holds before anything is allocated for it, and the pixel count
// against kMaxPixels, so a hostile header ends in a failed read, never in a crash or a huge
// allocation.
class CDib {
public:
    // The message a caller shows when Read fails.
    static constexpr std::string_view kReadErrorText = "Read error";
    static constexpr std::size_t kFileHeaderSize = 14;
    static constexpr std::size_t kInfoHeaderSize = 40;
    // The most pixels an image may have: 4096 x 4096, 64 MiB once unpacked to 32 bits a pixel.
    // The program's own charts are 640 x 640; a one-bit file of a few megabytes could otherwise
    // unpack to gigabytes.
    static constexpr std::uint64_t kMaxPixels = 4096 * 4096;

    // Reads from the current position of an open file; true on success. On failure the object is
    // empty.
    bool Read(std::FILE* file);
    bool Read(std::span<const std::uint8_t> bytes);
    void Free();

    bool IsEmpty() const { return m_info.empty(); }
    int Width() const { return m_width; }
    // Rows in the image, whatever the order in which the file stores them.
    int Height() const { return m_height; }
    bool IsTopDown() const { return m_topDown; }
    int BitCount() const { return m_bitCount; }
    // Bytes of pixel data: the header's figure when not 0, else padded rows times height.
    std::uint32_t ImageSize() const { return static_cast<std::uint32_t>(m_bits.size()); }
    int ColourCount() const { return static_cast<int>(m_colours.size()); }
    // A painter makes its palette from the table; without one (16, 24 and 32 bits) it uses a
    // halftone palette on palette devices, or none.
    bool HasColourTable() const { return !m_colours.empty(); }
    const std::vector<DibColour>& ColourTable() const { return m_colours; }
    // The info header and colour table as read, as one block.
    std::span<const std::uint8_t> Info() const { return m_info; }
    std::span<const std::uint8_t> Bits() const { return m_bits; }

    // The colour of pixel (x, y), y counted from the top, as 0xRRGGBB; an index beyond the
    // colour table gives black.
    std::uint32_t PixelRgb(int x, int y) const;
    // All pixels, rows from the top, each 0xFFRRGGBB (a 32-bit image the ui can wrap as it is).
    std::vector<std::uint32_t> ToArgb32() const;

    // Where Read takes its bytes from (a file or memory); defined with the reader.
    class Source;

private:
    bool ReadFrom(Source& source);
    std::size_t RowStride() const;

    std::vector<std::uint8_t> m_info;
    std::vector<std::uint8_t> m_bits;
    std::vector<DibColour> m_colours;
    int m_width = 0;
    int m_height = 0;
    bool m_topDown = false;
    int m_bitCount = 0;
};

} // namespace lumivex
