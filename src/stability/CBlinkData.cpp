#include "stability/CBlinkData.h"

#include "base/LittleEndian.h"

namespace lumivex {

std::array<std::uint8_t, kBlinkArchiveSize> archiveBlinkData(const CBlinkData& r)
{
    std::array<std::uint8_t, kBlinkArchiveSize> out {};
    le::put16(&out[0], r.ReadingNo);
    le::put16(&out[2], r.Flags);
    le::put16(&out[4], static_cast<std::uint16_t>(r.Red));
    le::put16(&out[6], static_cast<std::uint16_t>(r.Green));
    le::put16(&out[8], static_cast<std::uint16_t>(r.Blue));
    le::put32(&out[10], static_cast<std::uint32_t>(r.Intensity));
    le::put16(&out[14], static_cast<std::uint16_t>(r.Saturation));
    le::putFloat(&out[16], r.Hue);
    le::putFloat(&out[20], r.X);
    le::putFloat(&out[24], r.Y);
    return out;
}

std::optional<CBlinkData> unarchiveBlinkData(const std::uint8_t* in, std::size_t size)
{
    if (!in || size < kBlinkArchiveSize)
        return std::nullopt;
    CBlinkData r;
    r.ReadingNo = le::get16(&in[0]);
    r.Flags = le::get16(&in[2]);
    r.Red = static_cast<std::int16_t>(le::get16(&in[4]));
    r.Green = static_cast<std::int16_t>(le::get16(&in[6]));
    r.Blue = static_cast<std::int16_t>(le::get16(&in[8]));
    r.Intensity = static_cast<std::int32_t>(le::get32(&in[10]));
    r.Saturation = static_cast<std::int16_t>(le::get16(&in[14]));
    r.Hue = le::getFloat(&in[16]);
    r.X = le::getFloat(&in[20]);
    r.Y = le::getFloat(&in[24]);
    return r;
}

} // namespace lumivex
