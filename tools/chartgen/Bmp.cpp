#include "Bmp.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <stdexcept>
#include <unordered_map>

namespace lumivex::chartgen {

namespace {

constexpr std::uint32_t kHeaderBytes = 14 + 40;
constexpr std::int32_t kPixelsPerMetre = 2835; // 72 dpi
// Pale colours weigh up to this much more when the palette is chosen: small steps between them
// show, and the white region is where a white LED's cross-hair lands.
constexpr double kPaleWeight = 12;

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

std::uint32_t Stride(int width, int bitCount)
{
    return static_cast<std::uint32_t>((bitCount * width + 31) / 32 * 4);
}

std::vector<std::uint8_t> Headers(const Image& image, int bitCount, std::uint32_t tableEntries)
{
    const std::uint32_t imageSize = Stride(image.Width(), bitCount) * static_cast<std::uint32_t>(image.Height());
    const std::uint32_t offset = kHeaderBytes + 4 * tableEntries;
    std::vector<std::uint8_t> out;
    out.reserve(offset + imageSize);
    out.push_back('B');
    out.push_back('M');
    Put32(out, offset + imageSize);
    Put16(out, 0);
    Put16(out, 0);
    Put32(out, offset);
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(image.Width()));
    Put32(out, static_cast<std::uint32_t>(image.Height()));
    Put16(out, 1); // planes
    Put16(out, static_cast<std::uint32_t>(bitCount));
    Put32(out, 0); // BI_RGB
    Put32(out, imageSize);
    Put32(out, kPixelsPerMetre);
    Put32(out, kPixelsPerMetre);
    Put32(out, 0); // colours used: 0 means all 2^bitCount for an 8-bit image
    Put32(out, 0);
    return out;
}

int Channel(Rgb c, int channel)
{
    return static_cast<int>(c >> (16 - 8 * channel) & 0xFF);
}

struct Box {
    std::vector<std::pair<Rgb, std::uint32_t>> colours; // colour, pixel count
    double weight = 0;
    std::array<double, 3> mean {};
    std::array<double, 3> spread {}; // per channel: squared deviations times pixels times paleness weight

    void Measure()
    {
        weight = 0;
        mean = {};
        spread = {};
        for (const auto& [c, n] : colours) {
            weight += n;
            for (std::size_t k = 0; k < 3; ++k)
                mean[k] += static_cast<double>(Channel(c, static_cast<int>(k))) * n;
        }
        const auto importance = [](Rgb c) {
            const int low = std::min({Channel(c, 0), Channel(c, 1), Channel(c, 2)});
            return 1 + kPaleWeight * low / 255.0;
        };
        for (double& m : mean)
            m /= weight;
        for (const auto& [c, n] : colours)
            for (std::size_t k = 0; k < 3; ++k) {
                const double d = Channel(c, static_cast<int>(k)) - mean[k];
                spread[k] += d * d * n * importance(c);
            }
    }
    double Error() const { return colours.size() < 2 ? 0 : spread[0] + spread[1] + spread[2]; }
    Rgb Mean() const
    {
        const auto at = [&](std::size_t k) { return static_cast<int>(std::lround(mean[k])); };
        return MakeRgb(at(0), at(1), at(2));
    }
};

// Median cut that always splits the box with the largest squared error, across its widest channel.
std::vector<Rgb> MedianCut(std::vector<std::pair<Rgb, std::uint32_t>> colours, std::size_t wanted)
{
    std::vector<Box> boxes(1);
    boxes[0].colours = std::move(colours);
    boxes[0].Measure();
    while (boxes.size() < wanted) {
        const auto worst = std::max_element(
            boxes.begin(), boxes.end(), [](const Box& a, const Box& b) { return a.Error() < b.Error(); });
        if (worst->Error() <= 0)
            break;
        Box& box = *worst;
        const int channel
            = static_cast<int>(std::max_element(box.spread.begin(), box.spread.end()) - box.spread.begin());
        std::sort(box.colours.begin(), box.colours.end(),
            [&](const auto& a, const auto& b) { return Channel(a.first, channel) < Channel(b.first, channel); });
        double running = 0;
        std::size_t cut = 1;
        for (; cut < box.colours.size() - 1; ++cut) {
            running += box.colours[cut - 1].second;
            if (running * 2 >= box.weight)
                break;
        }
        Box upper;
        upper.colours.assign(box.colours.begin() + static_cast<std::ptrdiff_t>(cut), box.colours.end());
        box.colours.resize(cut);
        box.Measure();
        upper.Measure();
        boxes.push_back(std::move(upper));
    }
    std::vector<Rgb> palette;
    for (const Box& box : boxes)
        palette.push_back(box.Mean());
    return palette;
}

} // namespace

Indexed Quantise(const Image& image, std::span<const Rgb> exact)
{
    std::map<Rgb, std::uint32_t> counts;
    for (const Rgb pixel : image.Pixels())
        ++counts[pixel];

    Indexed result;
    result.indices.reserve(image.Pixels().size());
    if (counts.size() <= 256) {
        std::unordered_map<Rgb, std::uint8_t> index;
        for (const auto& [colour, n] : counts) {
            index[colour] = static_cast<std::uint8_t>(result.palette.size());
            result.palette.push_back(colour);
        }
        for (const Rgb pixel : image.Pixels())
            result.indices.push_back(index.at(pixel));
        return result;
    }

    // Rules and text keep their own entries; everything else shares the rest.
    std::unordered_map<Rgb, std::uint8_t> inks;
    for (const Rgb colour : exact)
        if (counts.contains(colour) && !inks.contains(colour)) {
            inks[colour] = static_cast<std::uint8_t>(result.palette.size());
            result.palette.push_back(colour);
        }
    if (inks.size() >= 256)
        throw std::runtime_error("too many exact colours for an 8-bit image");
    std::vector<std::pair<Rgb, std::uint32_t>> rest;
    for (const auto& [colour, n] : counts)
        if (!inks.contains(colour))
            rest.emplace_back(colour, n);
    const std::size_t firstShared = result.palette.size();
    for (const Rgb colour : MedianCut(std::move(rest), 256 - firstShared))
        result.palette.push_back(colour);

    std::unordered_map<Rgb, std::uint8_t> nearestCache;
    const auto nearest = [&](Rgb colour) {
        if (const auto it = nearestCache.find(colour); it != nearestCache.end())
            return it->second;
        std::size_t best = firstShared;
        int bestDistance = INT_MAX;
        for (std::size_t i = firstShared; i < result.palette.size(); ++i) {
            int distance = 0;
            for (int k = 0; k < 3; ++k) {
                const int d = Channel(colour, k) - Channel(result.palette[i], k);
                distance += d * d;
            }
            if (distance < bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        return nearestCache[colour] = static_cast<std::uint8_t>(best);
    };

    // Floyd-Steinberg error diffusion over the shared colours, so that the fill's gradients do not
    // break into bands. Ink pixels neither take nor pass on error.
    const int width = image.Width();
    const int height = image.Height();
    using Error = std::array<double, 3>;
    std::vector<Error> current(static_cast<std::size_t>(width));
    std::vector<Error> below(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        std::swap(current, below);
        std::fill(below.begin(), below.end(), Error {});
        for (int x = 0; x < width; ++x) {
            const Rgb pixel = image.At(x, y);
            if (const auto ink = inks.find(pixel); ink != inks.end()) {
                result.indices.push_back(ink->second);
                continue;
            }
            const Error& carried = current[static_cast<std::size_t>(x)];
            std::array<int, 3> want {};
            for (std::size_t k = 0; k < 3; ++k)
                want[k] = std::clamp(
                    static_cast<int>(std::lround(Channel(pixel, static_cast<int>(k)) + carried[k])), 0, 255);
            const std::uint8_t chosen = nearest(MakeRgb(want[0], want[1], want[2]));
            result.indices.push_back(chosen);
            const auto pass = [&](std::vector<Error>& row, int rowY, int column, double share) {
                if (column < 0 || column >= width || rowY >= height || inks.contains(image.At(column, rowY)))
                    return;
                for (std::size_t k = 0; k < 3; ++k)
                    row[static_cast<std::size_t>(column)][k]
                        += (want[k] - Channel(result.palette[chosen], static_cast<int>(k))) * share;
            };
            pass(current, y, x + 1, 7.0 / 16);
            pass(below, y + 1, x - 1, 3.0 / 16);
            pass(below, y + 1, x, 5.0 / 16);
            pass(below, y + 1, x + 1, 1.0 / 16);
        }
    }
    return result;
}

std::vector<std::uint8_t> EncodeBmp24(const Image& image)
{
    std::vector<std::uint8_t> out = Headers(image, 24, 0);
    const std::uint32_t stride = Stride(image.Width(), 24);
    for (int y = image.Height() - 1; y >= 0; --y) {
        const std::size_t rowStart = out.size();
        for (int x = 0; x < image.Width(); ++x) {
            const Rgb c = image.At(x, y);
            out.push_back(static_cast<std::uint8_t>(c));
            out.push_back(static_cast<std::uint8_t>(c >> 8));
            out.push_back(static_cast<std::uint8_t>(c >> 16));
        }
        out.resize(rowStart + stride, 0);
    }
    return out;
}

std::vector<std::uint8_t> EncodeBmp8(const Image& image, std::span<const Rgb> exact)
{
    const Indexed indexed = Quantise(image, exact);
    std::vector<std::uint8_t> out = Headers(image, 8, 256);
    for (std::size_t i = 0; i < 256; ++i) {
        const Rgb c = i < indexed.palette.size() ? indexed.palette[i] : 0;
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
        out.push_back(static_cast<std::uint8_t>(c >> 16));
        out.push_back(0);
    }
    const std::uint32_t stride = Stride(image.Width(), 8);
    for (int y = image.Height() - 1; y >= 0; --y) {
        const std::size_t rowStart = out.size();
        const auto first = indexed.indices.begin() + static_cast<std::ptrdiff_t>(y) * image.Width();
        out.insert(out.end(), first, first + image.Width());
        out.resize(rowStart + stride, 0);
    }
    return out;
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    // Written beside the target and renamed, so an interrupted build never leaves half an image.
    const std::string temporary = path + ".part";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!file)
            throw std::runtime_error("cannot write " + temporary);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0)
        throw std::runtime_error("cannot rename " + temporary + " to " + path);
}

} // namespace lumivex::chartgen
