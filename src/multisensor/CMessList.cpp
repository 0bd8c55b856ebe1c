#include "multisensor/CMessList.h"

#include <cstdlib>

namespace lumivex {
namespace {

struct TextField {
    std::string CMessList::*member;
    std::size_t offset;
    std::size_t size;
};

// The layout of the reference record's texts, in file order.
constexpr std::array<TextField, 12> kTextFields {{
    {&CMessList::SensorText, 2, MessTextSize::Sensor},
    {&CMessList::RedText, 6, MessTextSize::Colour},
    {&CMessList::GreenText, 12, MessTextSize::Colour},
    {&CMessList::BlueText, 18, MessTextSize::Colour},
    {&CMessList::HueText, 24, MessTextSize::Value},
    {&CMessList::SatText, 34, MessTextSize::Value},
    {&CMessList::IntensText, 44, MessTextSize::Value},
    {&CMessList::XText, 54, MessTextSize::Value},
    {&CMessList::YText, 64, MessTextSize::Value},
    {&CMessList::TempText, 74, MessTextSize::Temp},
    {&CMessList::ModeText, 86, MessTextSize::Mode},
    {&CMessList::RangeText, 94, MessTextSize::Range},
}};
constexpr std::size_t kFlagsOffset = 100;

// atoi's reading: leading digits, 0 for anything else ("Overfl.", empty).
long readsAs(const std::string& text)
{
    return std::strtol(text.c_str(), nullptr, 10);
}

} // namespace

std::string fitText(std::string_view text, std::size_t size)
{
    const std::size_t zero = text.find('\0');
    if (zero != std::string_view::npos)
        text = text.substr(0, zero);
    return std::string(text.substr(0, size - 1));
}

CMessList CMessList::Empty(int index)
{
    CMessList record;
    record.Index = static_cast<std::int16_t>(index);
    record.SensorText = fitText(std::to_string(index), MessTextSize::Sensor);
    return record;
}

bool CMessList::dashRuleHolds(bool checkRgb) const
{
    const long intens = readsAs(IntensText);
    const bool noColour = readsAs(RedText) == 0 && readsAs(GreenText) == 0 && readsAs(BlueText) == 0;
    return (noColour || intens == 99999) && (checkRgb || intens == 99999 || intens == 0);
}

MessRecordBytes encodeMessRecord(const CMessList& record)
{
    MessRecordBytes out {};
    out[0] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(record.Index) & 0xFF);
    out[1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(record.Index) >> 8);
    for (const TextField& field : kTextFields) {
        const std::string text = fitText(record.*field.member, field.size);
        for (std::size_t i = 0; i < text.size(); ++i)
            out[field.offset + i] = static_cast<std::uint8_t>(text[i]);
    }
    out[kFlagsOffset] = static_cast<std::uint8_t>(record.ReadingFlags & 0xFF);
    out[kFlagsOffset + 1] = static_cast<std::uint8_t>(record.ReadingFlags >> 8);
    return out;
}

CMessList decodeMessRecord(std::span<const std::uint8_t, kMessRecordSize> in)
{
    CMessList record;
    record.Index = static_cast<std::int16_t>(in[0] | (in[1] << 8));
    for (const TextField& field : kTextFields) {
        const std::string_view raw(reinterpret_cast<const char*>(in.data() + field.offset), field.size);
        record.*field.member = fitText(raw, field.size);
    }
    record.ReadingFlags = static_cast<std::uint16_t>(in[kFlagsOffset] | (in[kFlagsOffset + 1] << 8));
    return record;
}

} // namespace lumivex
