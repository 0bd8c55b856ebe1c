#include "Chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace lumivex::chartgen {

namespace {

constexpr double kAxisEnd = 0.887;
constexpr double kMargin = 0.05;

struct Palette {
    Rgb background;
    Rgb gridMajor;
    Rgb gridMinor;
    Rgb axis;
    Rgb text;
    Rgb locusLine;
    Rgb overlay; // Planckian locus, isotemperature lines, white points (WhiteLed)
    Rgb inkOnFill; // labels placed on the fill
    double gridDarkening; // how much a grid line darkens the fill under it
};

Palette PaletteFor(ChartStyle style)
{
    if (style == ChartStyle::WhiteLed)
        return {MakeRgb(30, 38, 48), MakeRgb(74, 88, 104), MakeRgb(48, 58, 70), MakeRgb(170, 182, 196),
            MakeRgb(222, 230, 238), MakeRgb(20, 20, 20), MakeRgb(0, 0, 0), MakeRgb(0, 0, 0), 0.22};
    return {MakeRgb(0, 0, 0), MakeRgb(88, 88, 88), MakeRgb(44, 44, 44), MakeRgb(176, 176, 176), MakeRgb(224, 224, 224),
        MakeRgb(232, 232, 232), MakeRgb(0, 0, 0), MakeRgb(0, 0, 0), 0.30};
}

std::vector<std::vector<double>> ReadRows(const std::string& path, std::size_t columns)
{
    std::ifstream file(path);
    if (!file)
        throw std::runtime_error("cannot open " + path);
    std::vector<std::vector<double>> rows;
    std::string line;
    bool header = true;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        if (header) {
            header = false;
            continue;
        }
        std::vector<double> row;
        const char* p = line.c_str();
        while (true) {
            char* end = nullptr;
            row.push_back(std::strtod(p, &end));
            if (end == p)
                throw std::runtime_error("bad number in " + path + ": " + line);
            if (*end != ',')
                break;
            p = end + 1;
        }
        if (row.size() != columns)
            throw std::runtime_error("wrong column count in " + path + ": " + line);
        rows.push_back(std::move(row));
    }
    return rows;
}

bool Inside(const std::vector<std::pair<double, double>>& polygon, double x, double y)
{
    bool inside = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const auto [xi, yi] = polygon[i];
        const auto [xj, yj] = polygon[j];
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi)
            inside = !inside;
    }
    return inside;
}

double Encode(double linear)
{
    linear = std::clamp(linear, 0.0, 1.0);
    return linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
}

std::string Format(const char* format, double value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// (u, v) of CIE 1960 to (x, y).
std::pair<double, double> XyFromUv(double u, double v)
{
    const double d = 2 * u - 8 * v + 4;
    return {3 * u / d, 2 * v / d};
}

// Robertson's line at any reciprocal temperature, interpolated between the table's rows.
IsoLine IsoLineAt(const std::vector<IsoLine>& table, double mired)
{
    for (std::size_t i = 1; i < table.size(); ++i)
        if (mired <= table[i].mired) {
            const IsoLine& a = table[i - 1];
            const IsoLine& b = table[i];
            const double f = (mired - a.mired) / (b.mired - a.mired);
            return {mired, a.u + (b.u - a.u) * f, a.v + (b.v - a.v) * f, a.t + (b.t - a.t) * f};
        }
    return table.back();
}

} // namespace

double Axes::Column(double x) const
{
    const double mx = width * kMargin;
    return mx + (width - mx) * x / kAxisEnd;
}

double Axes::Row(double y) const
{
    const double my = height * kMargin;
    return height - my - (height - my) * y / kAxisEnd;
}

double Axes::XAt(double column) const
{
    const double mx = width * kMargin;
    return (column - mx) / (width - mx) * kAxisEnd;
}

double Axes::YAt(double row) const
{
    const double my = height * kMargin;
    return (height - my - row) / (height - my) * kAxisEnd;
}

std::vector<LocusPoint> ReadLocus(const std::string& path)
{
    std::vector<LocusPoint> locus;
    for (const auto& row : ReadRows(path, 4))
        locus.push_back({static_cast<int>(std::lround(row[0])), row[1], row[2]});
    if (locus.size() < 3)
        throw std::runtime_error("too few locus points in " + path);
    return locus;
}

std::vector<IsoLine> ReadRobertson(const std::string& path)
{
    std::vector<IsoLine> lines;
    for (const auto& row : ReadRows(path, 4))
        lines.push_back({row[0], row[1], row[2], row[3]});
    return lines;
}

Rgb ApproximateColour(double x, double y)
{
    const double X = x / y;
    const double Z = (1 - x - y) / y;
    double r = 3.2404542 * X - 1.5371385 - 0.4985314 * Z;
    double g = -0.9692660 * X + 1.8760108 + 0.0415560 * Z;
    double b = 0.0556434 * X - 0.2040259 + 1.0572252 * Z;
    r = std::max(r, 0.0);
    g = std::max(g, 0.0);
    b = std::max(b, 0.0);
    const double top = std::max({r, g, b, 1e-12});
    const auto byte = [&](double c) { return static_cast<int>(std::lround(255 * Encode(c / top))); };
    return MakeRgb(byte(r), byte(g), byte(b));
}

std::vector<Rgb> ChartInks(ChartStyle style)
{
    const Palette p = PaletteFor(style);
    return {p.background, p.gridMajor, p.gridMinor, p.axis, p.text, p.locusLine, p.overlay, p.inkOnFill};
}

Image RenderChart(const ChartOptions& options)
{
    const Palette colours = PaletteFor(options.style);
    const int size = options.size;
    const Axes axes {size, size};
    Image image(size, size, colours.background);

    std::vector<std::pair<double, double>> polygon;
    for (const LocusPoint& p : options.locus)
        if (polygon.empty() || polygon.back() != std::pair {p.x, p.y})
            polygon.emplace_back(p.x, p.y);

    // The horseshoe, filled.
    std::vector<bool> inside(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
    for (int row = 0; row < size; ++row)
        for (int column = 0; column < size; ++column) {
            const double x = axes.XAt(column + 0.5);
            const double y = axes.YAt(row + 0.5);
            if (y > 0 && Inside(polygon, x, y)) {
                inside[static_cast<std::size_t>(row) * static_cast<std::size_t>(size)
                    + static_cast<std::size_t>(column)]
                    = true;
                image.Set(column, row, ApproximateColour(x, y));
            }
        }
    const auto isInside = [&](int column, int row) {
        return inside[static_cast<std::size_t>(row) * static_cast<std::size_t>(size)
            + static_cast<std::size_t>(column)];
    };

    // Grid: darker over the fill, a rule colour on the ground. Every 0.1 two pixels wide, every
    // 0.05 between them one pixel.
    const auto gridPixel = [&](int column, int row, Rgb rule) {
        if (column < 0 || row < 0 || column >= size || row >= size)
            return;
        if (isInside(column, row))
            image.Blend(column, row, 0, colours.gridDarkening);
        else
            image.Set(column, row, rule);
    };
    const int originColumn = static_cast<int>(axes.Column(0));
    const int originRow = static_cast<int>(axes.Row(0));
    for (int step = 1; step <= 17; ++step) {
        const double value = step * 0.05;
        const bool major = step % 2 == 0;
        const int column = static_cast<int>(axes.Column(value));
        const int row = static_cast<int>(axes.Row(value));
        for (int k = originRow; k >= 0; --k) {
            gridPixel(column, k, major ? colours.gridMajor : colours.gridMinor);
            if (major)
                gridPixel(column - 1, k, colours.gridMajor);
        }
        for (int k = originColumn; k < size; ++k) {
            gridPixel(k, row, major ? colours.gridMajor : colours.gridMinor);
            if (major)
                gridPixel(k, row - 1, colours.gridMajor);
        }
    }

    // Axes with ticks and labels.
    for (int k = 0; k <= originRow; ++k) {
        image.Set(originColumn - 1, k, colours.axis);
        image.Set(originColumn, k, colours.axis);
    }
    for (int k = originColumn - 1; k < size; ++k) {
        image.Set(k, originRow - 1, colours.axis);
        image.Set(k, originRow, colours.axis);
    }
    const int scale = size >= 480 ? 2 : 1;
    const int textHeight = Image::TextHeight(scale);
    for (int step = 0; step <= 8; ++step) {
        const std::string label = step == 0 ? "0" : Format("%.1f", step / 10.0);
        const int column = static_cast<int>(axes.Column(step / 10.0));
        const int row = static_cast<int>(axes.Row(step / 10.0));
        const int width = Image::TextWidth(label, scale);
        image.Text(column - width / 2, originRow + 6, label, scale, colours.text);
        if (step > 0)
            image.Text(originColumn - 4 - width, row - textHeight / 2, label, scale, colours.text);
    }
    image.Text(size - Image::TextWidth("x", scale) - 6, originRow + 6, "x", scale, colours.text);
    image.Text(originColumn - 4 - Image::TextWidth("y", scale), 4, "y", scale, colours.text);

    // The spectral locus and the purple line.
    const auto at = [&](double x, double y) { return std::pair {axes.Column(x), axes.Row(y)}; };
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const auto [x0, y0] = at(polygon[i].first, polygon[i].second);
        const auto& next = polygon[(i + 1) % polygon.size()];
        const auto [x1, y1] = at(next.first, next.second);
        image.Line(x0, y0, x1, y1, 1.6, colours.locusLine);
    }

    // Wavelength ticks pointing away from the white region, with their labels.
    const auto [whiteColumn, whiteRow] = at(1.0 / 3, 1.0 / 3);
    for (const int nm : options.labelledWavelengths) {
        const auto it = std::find_if(options.locus.begin(), options.locus.end(), [&](auto& p) { return p.nm == nm; });
        if (it == options.locus.end() || it == options.locus.begin() || it + 1 == options.locus.end())
            throw std::runtime_error("no locus point at " + std::to_string(nm) + " nm");
        const auto [px, py] = at(it->x, it->y);
        const auto [ax, ay] = at((it - 1)->x, (it - 1)->y);
        const auto [bx, by] = at((it + 1)->x, (it + 1)->y);
        double nx = -(by - ay);
        double ny = bx - ax;
        const double length = std::hypot(nx, ny);
        nx /= length;
        ny /= length;
        if (nx * (px - whiteColumn) + ny * (py - whiteRow) < 0) {
            nx = -nx;
            ny = -ny;
        }
        const std::string label = std::to_string(nm);
        const int width = Image::TextWidth(label, scale);
        // Where the locus runs along the y axis there is no room outside it: the label goes inside,
        // in the ground colour, which reads on the bright fill.
        Rgb ink = colours.text;
        Rgb tick = colours.locusLine;
        if (px + nx * 13 + (nx - 1) * width / 2.0 < originColumn + 2) {
            nx = -nx;
            ny = -ny;
            ink = tick = colours.inkOnFill;
        }
        image.Line(px + nx * 2, py + ny * 2, px + nx * 9, py + ny * 9, 1.6, tick);
        const double cx = px + nx * 13 + nx * width / 2.0;
        const double cy = py + ny * 13 + ny * textHeight / 2.0;
        image.Text(static_cast<int>(std::lround(cx - width / 2.0)),
            static_cast<int>(std::lround(cy - textHeight / 2.0)), label, scale, ink);
    }

    if (options.style == ChartStyle::WhiteLed && !options.planckian.empty()) {
        // The Planckian locus from 1667 K to infinity, then isotemperature lines 0.02 long on
        // either side in u, v.
        const auto& table = options.planckian;
        for (double mired = table.front().mired; mired < table.back().mired; mired += 2) {
            const IsoLine a = IsoLineAt(table, mired);
            const IsoLine b = IsoLineAt(table, std::min(mired + 2, table.back().mired));
            const auto [xa, ya] = XyFromUv(a.u, a.v);
            const auto [xb, yb] = XyFromUv(b.u, b.v);
            const auto [ca, ra] = at(xa, ya);
            const auto [cb, rb] = at(xb, yb);
            image.Line(ca, ra, cb, rb, 2.0, colours.overlay);
        }
        // Below the locus the lines spread, above it they converge at low temperatures: most labels
        // go at the lower ends, 4000 and 6500 at the upper ends where their neighbours would crowd.
        struct Isotherm {
            int kelvin;
            bool labelAbove;
        };
        for (const Isotherm iso : {Isotherm {2000, false}, Isotherm {3000, false}, Isotherm {4000, true},
                 Isotherm {5000, false}, Isotherm {6500, true}, Isotherm {10000, false}}) {
            const IsoLine line = IsoLineAt(table, 1e6 / iso.kelvin);
            const double du = 0.02 / std::sqrt(1 + line.t * line.t);
            const double dv = line.t * du;
            const auto [x0, y0] = XyFromUv(line.u - du, line.v - dv);
            const auto [x1, y1] = XyFromUv(line.u + du, line.v + dv);
            const auto [c0, r0] = at(x0, y0);
            const auto [c1, r1] = at(x1, y1);
            image.Line(c0, r0, c1, r1, 1.4, colours.overlay);
            const bool firstIsUpper = r0 < r1;
            const bool useFirst = iso.labelAbove == firstIsUpper;
            const double lc = useFirst ? c0 : c1;
            const double lr = useFirst ? r0 : r1;
            const std::string label = std::to_string(iso.kelvin);
            const int top = iso.labelAbove ? static_cast<int>(lr) - 4 - textHeight : static_cast<int>(lr) + 4;
            image.Text(static_cast<int>(lc) - Image::TextWidth(label, scale) / 2, top, label, scale, colours.overlay);
        }
        struct WhitePoint {
            const char* name;
            double x;
            double y;
        };
        for (const WhitePoint& w : {WhitePoint {"A", 0.44757, 0.40745}, WhitePoint {"D65", 0.31271, 0.32902}}) {
            const auto [c, r] = at(w.x, w.y);
            image.Ring(c, r, 4, 1.5, colours.overlay);
            image.Text(static_cast<int>(c) - 6 - Image::TextWidth(w.name, scale), static_cast<int>(r) - 6 - textHeight,
                w.name, scale, colours.overlay);
        }
    }

    int titleRow = 10;
    for (const std::string& line : options.title) {
        image.Text(size - 12 - Image::TextWidth(line, scale), titleRow, line, scale, colours.text);
        titleRow += textHeight + 2 * scale + 2;
    }
    return image;
}

} // namespace lumivex::chartgen
