#include "colour/CDib.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace lumivex {

// Where the bytes come from. Append grows `out` only by what has really been read, so a header
// that promises gigabytes costs nothing beyond the bytes that are there.
class CDib::Source {
public:
    virtual ~Source() = default;
    // Appends exactly `count` bytes to `out`; false when fewer are left.
    virtual bool Append(std::vector<std::uint8_t>& out, std::uint64_t count) = 0;
};

namespace {

class FileSource final : public CDib::Source {
public:
    explicit FileSource(std::FILE* file) : m_file(file) { }
    bool Append(std::vector<std::uint8_t>& out, std::uint64_t count) override
    {
        constexpr std::uint64_t kChunk = 1 << 16;
        while (count > 0) {
            const auto chunk = static_cast<std::size_t>(std::min(count, kChunk));
            const std::size_t old = out.size();
            out.resize(old + chunk);
            const std::size_t got = std::fread(out.data() + old, 1, chunk, m_file);
            if (got < chunk) {
                out.resize(old + got);
                return false;
            }
            count -= chunk;
        }
        return true;
    }

private:
    std::FILE* m_file;
};

class SpanSource final : public CDib::Source {
public:
    explicit SpanSource(std::span<const std::uint8_t> bytes) : m_bytes(bytes) { }
    bool Append(std::vector<std::uint8_t>& out, std::uint64_t count) override
    {
        if (count > m_bytes.size() - m_position)
            return false;
        const auto first = m_bytes.begin() + static_cast<std::ptrdiff_t>(m_position);
        out.insert(out.end(), first, first + static_cast<std::ptrdiff_t>(count));
        m_position += static_cast<std::size_t>(count);
        return true;
    }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_position = 0;
};

std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8
        | static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t U16(std::span<const std::uint8_t> b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

std::int32_t S32(std::span<const std::uint8_t> b, std::size_t at)
{
    return static_cast<std::int32_t>(U32(b, at));
}

constexpr std::uint32_t kUncompressed = 0; // BI_RGB

} // namespace

bool CDib::Read(std::FILE* file)
{
    FileSource source(file);
    return ReadFrom(source);
}

bool CDib::Read(std::span<const std::uint8_t> bytes)
{
    SpanSource source(bytes);
    return ReadFrom(source);
}

void CDib::Free()
{
    m_info.clear();
    m_info.shrink_to_fit();
    m_bits.clear();
    m_bits.shrink_to_fit();
    m_colours.clear();
    m_width = 0;
    m_height = 0;
    m_topDown = false;
    m_bitCount = 0;
}

bool CDib::ReadFrom(Source& source)
{
    Free();
    const auto fail = [this] {
        Free();
        return false;
    };

    std::vector<std::uint8_t> header;
    if (!source.Append(header, kFileHeaderSize) || header[0] != 'B' || header[1] != 'M')
        return fail();
    const std::uint32_t offset = U32(header, 10);
    if (offset < kFileHeaderSize + kInfoHeaderSize)
        return fail();
    if (!source.Append(m_info, offset - kFileHeaderSize) || U32(m_info, 0) != kInfoHeaderSize)
        return fail();

    const std::int32_t width = S32(m_info, 4);
    const std::int32_t height = S32(m_info, 8);
    const int bitCount = U16(m_info, 14);
    const std::uint32_t compression = U32(m_info, 16);
    const std::uint32_t sizeImage = U32(m_info, 20);
    const std::uint32_t coloursUsed = U32(m_info, 32);

    // Only layouts a painter can turn into pixels: uncompressed rows of a standard depth.
    static constexpr int kDepths[] = {1, 4, 8, 16, 24, 32};
    if (std::find(std::begin(kDepths), std::end(kDepths), bitCount) == std::end(kDepths))
        return fail();
    if (compression != kUncompressed || width < 0 || height == INT_MIN)
        return fail();

    m_width = width;
    m_height = height < 0 ? -height : height;
    m_topDown = height < 0;
    m_bitCount = bitCount;
    if (static_cast<std::uint64_t>(m_width) * static_cast<std::uint64_t>(m_height) > kMaxPixels)
        return fail();

    const std::uint64_t colourCount = coloursUsed != 0 ? coloursUsed : bitCount <= 8 ? 1u << bitCount : 0;
    // The colour table lies inside the block just read; a count that reaches beyond it is a lie.
    if (colourCount * 4 > m_info.size() - kInfoHeaderSize)
        return fail();
    m_colours.resize(static_cast<std::size_t>(colourCount));
    for (std::size_t i = 0; i < m_colours.size(); ++i) {
        const std::size_t at = kInfoHeaderSize + 4 * i;
        m_colours[i] = {m_info[at], m_info[at + 1], m_info[at + 2], m_info[at + 3]};
    }

    const std::uint64_t needed = RowStride() * static_cast<std::uint64_t>(m_height);
    const std::uint64_t imageSize = sizeImage != 0 ? sizeImage : needed;
    // Painting reads every row, so the data must cover them all.
    if (imageSize < needed || imageSize > UINT32_MAX || !source.Append(m_bits, imageSize))
        return fail();
    return true;
}

std::size_t CDib::RowStride() const
{
    return static_cast<std::size_t>((static_cast<std::uint64_t>(m_bitCount) * m_width + 31) / 32 * 4);
}

std::uint32_t CDib::PixelRgb(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return 0;
    const std::size_t row = static_cast<std::size_t>(m_topDown ? y : m_height - 1 - y);
    const std::uint8_t* p = m_bits.data() + row * RowStride();
    const auto ux = static_cast<std::size_t>(x);
    const auto fromTable = [this](unsigned index) -> std::uint32_t {
        if (index >= m_colours.size())
            return 0;
        const DibColour& c = m_colours[index];
        return static_cast<std::uint32_t>(c.red) << 16 | static_cast<std::uint32_t>(c.green) << 8 | c.blue;
    };
    const auto rgb = [](unsigned r, unsigned g, unsigned b) -> std::uint32_t { return r << 16 | g << 8 | b; };
    switch (m_bitCount) {
    case 1:
        return fromTable(p[ux / 8] >> (7 - ux % 8) & 1);
    case 4:
        return fromTable(ux % 2 == 0 ? p[ux / 2] >> 4 : p[ux / 2] & 0x0F);
    case 8:
        return fromTable(p[ux]);
    case 16: {
        // 5-5-5, the layout of an uncompressed 16-bit bitmap.
        const unsigned v = static_cast<unsigned>(p[2 * ux] | p[2 * ux + 1] << 8);
        const auto expand = [](unsigned five) { return five * 255 / 31; };
        return rgb(expand(v >> 10 & 31), expand(v >> 5 & 31), expand(v & 31));
    }
    case 24:
        return rgb(p[3 * ux + 2], p[3 * ux + 1], p[3 * ux]);
    default:
        return rgb(p[4 * ux + 2], p[4 * ux + 1], p[4 * ux]);
    }
}

std::vector<std::uint32_t> CDib::ToArgb32() const
{
    std::vector<std::uint32_t> pixels;
    if (m_width == 0 || m_height == 0)
        return pixels;
    pixels.reserve(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height));
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x)
            pixels.push_back(0xFF000000u | PixelRgb(x, y));
    return pixels;
}

} // namespace lumivex
