#include "Image.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <string>

namespace lumivex::chartgen {

namespace {

struct Glyph {
    char code;
    std::array<std::string_view, 7> rows; // '#' set; all rows of one glyph have the same width
};

// Only the characters the charts use; a missing one stops the generator rather than leaving a gap.
constexpr Glyph kFont[] = {
    {' ', {"...", "...", "...", "...", "...", "...", "..."}},
    {'.', {"..", "..", "..", "..", "..", "##", "##"}},
    {',', {"..", "..", "..", "..", "##", ".#", "#."}},
    {'-', {"....", "....", "....", "####", "....", "....", "...."}},
    {'\xB0', {".##.", "#..#", "#..#", ".##.", "....", "....", "...."}},
    {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
    {'3', {"#####", "...#.", "..#..", "...#.", "....#", "#...#", ".###."}},
    {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
    {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
    {'6', {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."}},
    {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
    {'8', {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."}},
    {'9', {".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."}},
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'D', {"###..", "#..#.", "#...#", "#...#", "#...#", "#..#.", "###.."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'I', {"###", ".#.", ".#.", ".#.", ".#.", ".#.", "###"}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'a', {".....", ".....", ".###.", "....#", ".####", "#...#", ".####"}},
    {'b', {"#....", "#....", "#.##.", "##..#", "#...#", "#...#", "####."}},
    {'c', {".....", ".....", ".###.", "#....", "#....", "#...#", ".###."}},
    {'e', {".....", ".....", ".###.", "#...#", "#####", "#....", ".###."}},
    {'i', {".#.", "...", "##.", ".#.", ".#.", ".#.", "###"}},
    {'k', {"#...", "#...", "#..#", "#.#.", "##..", "#.#.", "#..#"}},
    {'l', {"##.", ".#.", ".#.", ".#.", ".#.", ".#.", "###"}},
    {'m', {".....", ".....", "##.#.", "#.#.#", "#.#.#", "#...#", "#...#"}},
    {'n', {".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"}},
    {'o', {".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."}},
    {'r', {".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."}},
    {'s', {".....", ".....", ".###.", "#....", ".###.", "....#", "####."}},
    {'u', {".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#"}},
    {'v', {".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'x', {".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"}},
    {'y', {".....", ".....", "#...#", "#...#", ".####", "....#", ".###."}},
};

const Glyph& GlyphFor(char code)
{
    for (const Glyph& glyph : kFont)
        if (glyph.code == code)
            return glyph;
    throw std::runtime_error(std::string("chart font has no glyph for '") + code + "'");
}

double SegmentDistance(double px, double py, double x0, double y0, double x1, double y1)
{
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    const double lengthSquared = dx * dx + dy * dy;
    double t = lengthSquared > 0 ? ((px - x0) * dx + (py - y0) * dy) / lengthSquared : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - (x0 + t * dx), py - (y0 + t * dy));
}

} // namespace

Image::Image(int width, int height, Rgb background)
    : m_width(width),
      m_height(height),
      m_pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), background)
{
}

void Image::Set(int x, int y, Rgb colour)
{
    if (x >= 0 && y >= 0 && x < m_width && y < m_height)
        m_pixels[Index(x, y)] = colour;
}

void Image::Blend(int x, int y, Rgb colour, double alpha)
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height || alpha <= 0)
        return;
    alpha = std::min(alpha, 1.0);
    Rgb& pixel = m_pixels[Index(x, y)];
    const auto mix = [&](int shift) {
        const double a = (pixel >> shift) & 0xFF;
        const double b = (colour >> shift) & 0xFF;
        return static_cast<Rgb>(std::lround(a + (b - a) * alpha)) << shift;
    };
    pixel = mix(16) | mix(8) | mix(0);
}

void Image::Line(double x0, double y0, double x1, double y1, double width, Rgb colour)
{
    const double reach = width / 2 + 1;
    const int left = static_cast<int>(std::floor(std::min(x0, x1) - reach));
    const int right = static_cast<int>(std::ceil(std::max(x0, x1) + reach));
    const int top = static_cast<int>(std::floor(std::min(y0, y1) - reach));
    const int bottom = static_cast<int>(std::ceil(std::max(y0, y1) + reach));
    for (int y = std::max(top, 0); y <= std::min(bottom, m_height - 1); ++y)
        for (int x = std::max(left, 0); x <= std::min(right, m_width - 1); ++x) {
            const double d = SegmentDistance(x + 0.5, y + 0.5, x0, y0, x1, y1);
            Blend(x, y, colour, width / 2 + 0.5 - d);
        }
}

void Image::Disc(double cx, double cy, double radius, Rgb colour)
{
    for (int y = static_cast<int>(cy - radius - 1); y <= static_cast<int>(cy + radius + 1); ++y)
        for (int x = static_cast<int>(cx - radius - 1); x <= static_cast<int>(cx + radius + 1); ++x)
            Blend(x, y, colour, radius + 0.5 - std::hypot(x + 0.5 - cx, y + 0.5 - cy));
}

void Image::Ring(double cx, double cy, double radius, double width, Rgb colour)
{
    const double outer = radius + width / 2;
    for (int y = static_cast<int>(cy - outer - 1); y <= static_cast<int>(cy + outer + 1); ++y)
        for (int x = static_cast<int>(cx - outer - 1); x <= static_cast<int>(cx + outer + 1); ++x) {
            const double d = std::abs(std::hypot(x + 0.5 - cx, y + 0.5 - cy) - radius);
            Blend(x, y, colour, width / 2 + 0.5 - d);
        }
}

int Image::Text(int x, int y, std::string_view text, int scale, Rgb colour)
{
    int pen = x;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const Glyph& glyph = GlyphFor(text[i]);
        const int columns = static_cast<int>(glyph.rows[0].size());
        for (int row = 0; row < 7; ++row)
            for (int column = 0; column < columns; ++column)
                if (glyph.rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] == '#')
                    for (int dy = 0; dy < scale; ++dy)
                        for (int dx = 0; dx < scale; ++dx)
                            Set(pen + column * scale + dx, y + row * scale + dy, colour);
        pen += (columns + 1) * scale;
    }
    return pen - x - (text.empty() ? 0 : scale);
}

int Image::TextWidth(std::string_view text, int scale)
{
    int width = 0;
    for (const char c : text)
        width += (static_cast<int>(GlyphFor(c).rows[0].size()) + 1) * scale;
    return text.empty() ? 0 : width - scale;
}

} // namespace lumivex::chartgen
