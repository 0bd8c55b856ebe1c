#include "multisensor/CKonfList.h"

#include "foundation/Settings.h"

#include <algorithm>

namespace lumivex {

void ShortText::assign(std::string_view text)
{
    const std::size_t zero = text.find('\0');
    if (zero != std::string_view::npos)
        text = text.substr(0, zero);
    text = text.substr(0, std::min(text.size(), kMaxLength));
    m_bytes.fill('\0');
    std::copy(text.begin(), text.end(), m_bytes.begin());
}

std::string_view ShortText::view() const
{
    // The last byte is always zero, so the text ends within the field.
    return std::string_view(m_bytes.data());
}

DeviationSettings DeviationSettings::fromSettings(const Settings& settings)
{
    DeviationSettings d;
    d.checkAbwIntens = settings.checkAbwIntens;
    d.checkAbwXy = settings.checkAbwXy;
    d.abwIntens = settings.abwIntens;
    d.abwXy = settings.abwXy;
    d.checkAbwAbsIntens = settings.checkAbwAbsIntens;
    d.checkAbwAbsXy = settings.checkAbwAbsXy;
    d.abwAbsIntens = settings.abwAbsIntens;
    d.abwAbsXy = settings.abwAbsXy;
    d.noChangeXyOffset = settings.noChangeXyOffset;
    return d;
}

std::uint16_t DeviationSettings::defaultChangeFlags() const
{
    std::uint16_t flags = 0;
    if (checkAbwIntens == 1)
        flags |= KonfChange::IntensPercent;
    if (checkAbwXy == 1)
        flags |= KonfChange::XyPercent;
    return flags;
}

std::uint16_t DeviationSettings::defaultOptionFlags() const
{
    std::uint16_t flags = 0;
    if (checkAbwAbsIntens == 1)
        flags |= KonfOption::IntensAbs;
    if (checkAbwAbsXy == 1)
        flags |= KonfOption::XyAbs;
    if (noChangeXyOffset == 1)
        flags |= KonfOption::KeepXyOffset;
    return flags;
}

CKonfList CKonfList::Default(int index, const DeviationSettings& deviation)
{
    CKonfList record;
    record.Index = static_cast<std::int16_t>(index);
    record.SensorNo = static_cast<std::int16_t>(index);
    record.DevIntensPercent = deviation.abwIntens;
    record.DevXYPercent = deviation.abwXy;
    record.ChangeFlags = deviation.defaultChangeFlags();
    record.OptionFlags = deviation.defaultOptionFlags();
    record.DevIntensAbs = deviation.abwAbsIntens;
    record.DevXYAbs = deviation.abwAbsXy;
    return record;
}

} // namespace lumivex
