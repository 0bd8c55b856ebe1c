#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace lumivex::chartgen {

// 0xRRGGBB.
using Rgb = std::uint32_t;

constexpr Rgb MakeRgb(int r, int g, int b)
{
    return static_cast<Rgb>(r) << 16 | static_cast<Rgb>(g) << 8 | static_cast<Rgb>(b);
}

// An RGB raster, rows from the top, with the few drawing operations the charts need. Lines and
// discs are anti-aliased by coverage; axis-parallel rules are drawn pixel-exact.
class Image {
public:
    Image(int width, int height, Rgb background);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    Rgb At(int x, int y) const { return m_pixels[Index(x, y)]; }
    const std::vector<Rgb>& Pixels() const { return m_pixels; }

    void Set(int x, int y, Rgb colour);
    // Mixes `colour` into the pixel with weight alpha (0..1); outside the image nothing happens.
    void Blend(int x, int y, Rgb colour, double alpha);

    void Line(double x0, double y0, double x1, double y1, double width, Rgb colour);
    void Disc(double cx, double cy, double radius, Rgb colour);
    void Ring(double cx, double cy, double radius, double width, Rgb colour);

    // Text in the built-in 5 x 7 font, each font pixel `scale` x `scale`; (x, y) is the top-left
    // corner of the first glyph cell. Returns the width drawn.
    int Text(int x, int y, std::string_view text, int scale, Rgb colour);
    static int TextWidth(std::string_view text, int scale);
    static int TextHeight(int scale) { return 7 * scale; }

private:
    std::size_t Index(int x, int y) const
    {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x);
    }

    int m_width;
    int m_height;
    std::vector<Rgb> m_pixels;
};

} // namespace lumivex::chartgen
