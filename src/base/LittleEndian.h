#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace lumivex::le {

// The files' numbers: little-endian whatever the machine, floats as IEEE single precision.

inline void put16(std::uint8_t* at, std::uint16_t value)
{
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void put32(std::uint8_t* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline void putFloat(std::uint8_t* at, float value)
{
    put32(at, std::bit_cast<std::uint32_t>(value));
}

inline std::uint16_t get16(const std::uint8_t* at)
{
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

inline std::uint32_t get32(const std::uint8_t* at)
{
    return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8)
        | (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

inline float getFloat(const std::uint8_t* at)
{
    return std::bit_cast<float>(get32(at));
}

} // namespace lumivex::le
