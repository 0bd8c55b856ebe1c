#pragma once

#include "Image.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace lumivex::chartgen {

// A Windows BMP, bottom-up rows, 40-byte info header, no compression.
std::vector<std::uint8_t> EncodeBmp24(const Image& image);

// An 8-bit BMP with a 256-entry colour table. Up to 256 distinct colours are kept exactly;
// otherwise `exact` colours (text, rules) keep their own entries and the rest are reduced by
// median cut.
std::vector<std::uint8_t> EncodeBmp8(const Image& image, std::span<const Rgb> exact = {});

// The palette EncodeBmp8 would choose and each pixel's index into it.
struct Indexed {
    std::vector<Rgb> palette;
    std::vector<std::uint8_t> indices; // rows from the top
};
Indexed Quantise(const Image& image, std::span<const Rgb> exact);

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

} // namespace lumivex::chartgen
