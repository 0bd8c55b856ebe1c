#include "multisensor/SensorSettingsForm.h"

#include "base/FormatText.h"
#include "device/ReplyRules.h"

#include <charconv>

namespace lumivex {

namespace {

constexpr int kMinUserTime = 1;
constexpr int kMaxUserTime = 10000;
constexpr int kMinGain = 1;
constexpr int kMaxGain = 500;
constexpr int kMaxPercent = 100;
constexpr int kMaxAbsIntensity = 32767;
// Bits 0..8: the record's pending sends.
constexpr std::uint16_t kPendingBits = 0x01FF;

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The whole text as a number, or nothing: "12abc", "" and "1e3" are not what an integer edit takes.
template<class T> std::optional<T> wholeNumber(std::string_view text)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    T value {};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<int> integerIn(const std::string& text, int low, int high)
{
    const auto value = wholeNumber<long>(text);
    if (!value || *value < low || *value > high)
        return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<float> decimalOf(const std::string& text)
{
    const auto value = wholeNumber<double>(text);
    if (!value || *value < -3.4e38 || *value > 3.4e38)
        return std::nullopt;
    return static_cast<float>(*value);
}

// A float as an edit shows it: its significant digits, no trailing zeros.
std::string floatText(float value)
{
    return formatText("%.*g", 6, static_cast<double>(value));
}

// The integer edits with their ranges, in the dialog's order (the first refusal is reported).
struct IntegerEdit {
    SettingsControl control;
    const char* label;
    int low;
    int high;
};
constexpr IntegerEdit kUserTimeEdit {SettingsControl::UserTime, "Usertime (ms)", kMinUserTime, kMaxUserTime};
constexpr IntegerEdit kGainEdit {SettingsControl::Gain, "Gain (%)", kMinGain, kMaxGain};
constexpr IntegerEdit kIntensPercentEdit {
    SettingsControl::IntensPercent, "Deviation for intensity, 0 .. 100%", 0, kMaxPercent};
constexpr IntegerEdit kIntensAbsEdit {
    SettingsControl::IntensAbs, "Deviation for intensity, absolute", 0, kMaxAbsIntensity};
constexpr IntegerEdit kXyPercentEdit {
    SettingsControl::XyPercent, "Deviation for CIE XY value, 0 .. 100%", 0, kMaxPercent};
constexpr const char* kXyAbsLabel = "Deviation for CIE XY value, absolute";

std::optional<SettingsRefusal> checkInteger(const IntegerEdit& edit, const std::string& text)
{
    if (integerIn(text, edit.low, edit.high))
        return std::nullopt;
    return SettingsRefusal {
        edit.control, formatText("%s: %s", edit.label, integerRangeMessage(edit.low, edit.high).c_str())};
}

void setBits(std::uint16_t& flags, std::uint16_t bits, bool on)
{
    flags = static_cast<std::uint16_t>(on ? flags | bits : flags & ~bits);
}

bool inList(int index, std::size_t entries)
{
    return index >= 0 && static_cast<std::size_t>(index) < entries;
}

} // namespace

SensorSettingsForm::SensorSettingsForm(CKonfList& record, const DeviationSettings& ini, int firmware)
    : m_index(record.Index)
{
    const bool intensGroup = ini.checkAbwIntens == 1 || ini.checkAbwAbsIntens == 1;
    const bool xyGroup = ini.checkAbwXy == 1 || ini.checkAbwAbsXy == 1;
    if (intensGroup) {
        m_intens.percentOn = (record.ChangeFlags & KonfChange::IntensPercent) != 0;
        if (m_intens.percentOn)
            setBits(record.OptionFlags, KonfOption::IntensAbs, false);
        m_intens.absoluteOn = (record.OptionFlags & KonfOption::IntensAbs) != 0;
    }
    if (xyGroup) {
        m_xy.percentOn = (record.ChangeFlags & KonfChange::XyPercent) != 0;
        if (m_xy.percentOn)
            setBits(record.OptionFlags, KonfOption::XyAbs, false);
        m_xy.absoluteOn = (record.OptionFlags & KonfOption::XyAbs) != 0;
    }
    m_keepXyOffset = ini.keepsXyOffsets() || (record.OptionFlags & KonfOption::KeepXyOffset) != 0;
    if (!(record.ChangeFlags & KonfChange::Pending))
        setBits(record.ChangeFlags, kPendingBits, false);

    testMode = record.TestMode;
    measureTime = record.MeasureTime;
    range = record.Range;
    pwmRuns = record.PwmRuns;
    userTime = formatText("%d", record.UserTime);
    gain = formatText("%d", record.Gain);
    xOffset = record.XOffset.str();
    yOffset = record.YOffset.str();
    distance = record.Distance.str();
    m_intens.percentText = formatText("%d", record.DevIntensPercent);
    m_intens.absoluteText = formatText("%d", record.DevIntensAbs);
    m_xy.percentText = formatText("%d", record.DevXYPercent);
    m_xy.absoluteText = floatText(record.DevXYAbs);
    m_opened = {testMode, measureTime, range, pwmRuns, userTime, gain, xOffset, yOffset, distance, m_intens, m_xy};

    applyTestModeRule();
    for (const auto& [group, on] :
        {std::pair(DeviationOf::Intensity, intensGroup), std::pair(DeviationOf::Xy, xyGroup)}) {
        const bool intensity = group == DeviationOf::Intensity;
        const DeviationBoxes& b = deviation(group);
        enable(intensity ? SettingsControl::IntensPercentOn : SettingsControl::XyPercentOn, on);
        enable(intensity ? SettingsControl::IntensAbsOn : SettingsControl::XyAbsOn, on);
        enable(intensity ? SettingsControl::IntensPercent : SettingsControl::XyPercent, on && b.percentOn);
        enable(intensity ? SettingsControl::IntensAbs : SettingsControl::XyAbs, on && b.absoluteOn);
    }
    enable(SettingsControl::Distance, firmware >= kFirmwareWideCounts);
    enable(SettingsControl::XOffset, !m_keepXyOffset);
    enable(SettingsControl::YOffset, !m_keepXyOffset);
    enable(SettingsControl::KeepXyOffset, !ini.keepsXyOffsets());
}

void SensorSettingsForm::enable(SettingsControl control, bool on)
{
    if (on)
        m_disabled.erase(control);
    else
        m_disabled.insert(control);
}

void SensorSettingsForm::applyTestModeRule()
{
    const bool userTimeChosen = measureTime == kKonfMeasureTimeUser;
    switch (testMode) {
    case kKonfManualCapture:
        enable(SettingsControl::MeasureTime, !userTimeChosen);
        enable(SettingsControl::Range, true);
        enable(SettingsControl::PwmRuns, false);
        enable(SettingsControl::UserTime, userTimeChosen);
        break;
    case kKonfUserCapture:
        enable(SettingsControl::MeasureTime, false);
        enable(SettingsControl::Range, true);
        enable(SettingsControl::PwmRuns, false);
        enable(SettingsControl::UserTime, true);
        break;
    case kKonfPwmCapture:
        enable(SettingsControl::MeasureTime, true);
        enable(SettingsControl::Range, true);
        enable(SettingsControl::PwmRuns, true);
        enable(SettingsControl::UserTime, userTimeChosen);
        break;
    default: // the blank entry changes nothing
        break;
    }
}

void SensorSettingsForm::selectTestMode(int index)
{
    if (!inList(index, kTestModeEntries.size()))
        return;
    testMode = index;
    applyTestModeRule();
}

void SensorSettingsForm::selectMeasureTime(int index)
{
    if (!inList(index, kMeasureTimeEntries.size()))
        return;
    measureTime = index;
    applyTestModeRule();
}

void SensorSettingsForm::clickPercent(DeviationOf of, bool on)
{
    const bool intensity = of == DeviationOf::Intensity;
    DeviationBoxes& b = boxes(of);
    b.percentOn = on;
    if (on)
        b.absoluteOn = false;
    enable(intensity ? SettingsControl::IntensPercent : SettingsControl::XyPercent, on);
    enable(intensity ? SettingsControl::IntensAbs : SettingsControl::XyAbs, false);
}

void SensorSettingsForm::clickAbsolute(DeviationOf of, bool on)
{
    const bool intensity = of == DeviationOf::Intensity;
    DeviationBoxes& b = boxes(of);
    b.absoluteOn = on;
    if (on)
        b.percentOn = false;
    enable(intensity ? SettingsControl::IntensAbs : SettingsControl::XyAbs, on);
    enable(intensity ? SettingsControl::IntensPercent : SettingsControl::XyPercent, false);
}

void SensorSettingsForm::clickKeepXyOffset(bool on)
{
    m_keepXyOffset = on;
    enable(SettingsControl::XOffset, !on);
    enable(SettingsControl::YOffset, !on);
}

std::optional<SettingsRefusal> SensorSettingsForm::validate() const
{
    // A disabled edit cannot be corrected by the user; apply() leaves out what it cannot take.
    const auto check = [this](const IntegerEdit& edit, const std::string& text) {
        return isEnabled(edit.control) ? checkInteger(edit, text) : std::nullopt;
    };
    if (auto refusal = check(kUserTimeEdit, userTime))
        return refusal;
    if (auto refusal = check(kGainEdit, gain))
        return refusal;
    if (auto refusal = check(kIntensPercentEdit, m_intens.percentText))
        return refusal;
    if (auto refusal = check(kIntensAbsEdit, m_intens.absoluteText))
        return refusal;
    if (auto refusal = check(kXyPercentEdit, m_xy.percentText))
        return refusal;
    if (isEnabled(SettingsControl::XyAbs) && !decimalOf(m_xy.absoluteText))
        return SettingsRefusal {SettingsControl::XyAbs, formatText("%s: Please enter a number.", kXyAbsLabel)};
    return std::nullopt;
}

bool SensorSettingsForm::apply(CKonfList& record) const
{
    if (validate())
        return false;
    bool changed = false;
    const auto pending = [&record, &changed](std::uint16_t flags) {
        record.ChangeFlags |= flags;
        changed = true;
    };
    // A list choice the user made and the record does not hold yet.
    const auto chosen = [](int now, int opened, std::uint8_t stored, std::size_t entries) {
        return now != opened && inList(now, entries) && now != stored;
    };
    // A number the user typed; one that does not fit (in an edit locked meanwhile) is left out.
    const auto typed = [](const std::string& now, const std::string& opened, const IntegerEdit& edit) {
        return now == opened ? std::nullopt : integerIn(now, edit.low, edit.high);
    };
    if (chosen(testMode, m_opened.testMode, record.TestMode, kTestModeEntries.size())) {
        record.TestMode = static_cast<std::uint8_t>(testMode);
        pending(KonfChange::Pending | KonfChange::TestMode);
    }
    if (chosen(measureTime, m_opened.measureTime, record.MeasureTime, kMeasureTimeEntries.size())) {
        record.MeasureTime = static_cast<std::uint8_t>(measureTime);
        pending(KonfChange::Pending | KonfChange::MeasureTime);
    }
    if (chosen(range, m_opened.range, record.Range, kRangeEntries.size())) {
        record.Range = static_cast<std::uint8_t>(range);
        pending(KonfChange::Pending | KonfChange::Range);
    }
    if (const auto value = typed(gain, m_opened.gain, kGainEdit); value && *value != record.Gain) {
        record.Gain = static_cast<std::int16_t>(*value);
        pending(KonfChange::Pending | KonfChange::Gain);
    }
    if (chosen(pwmRuns, m_opened.pwmRuns, record.PwmRuns, kPwmRunsEntries.size())) {
        record.PwmRuns = static_cast<std::uint8_t>(pwmRuns);
        pending(KonfChange::Pending | KonfChange::PwmRuns);
    }
    if (const auto value = typed(userTime, m_opened.userTime, kUserTimeEdit); value && *value != record.UserTime) {
        record.UserTime = static_cast<std::int16_t>(*value);
        // A new user time changes what every capture setting means on the device.
        pending(KonfChange::AllCapture);
    }
    // Texts longer than the record's field are cut, as the field always is.
    const auto edited = [](const std::string& now, const std::string& opened, const ShortText& stored) {
        return now != opened && ShortText(now) != stored;
    };
    if (edited(xOffset, m_opened.xOffset, record.XOffset)) {
        record.XOffset = xOffset;
        pending(KonfChange::Pending | KonfChange::XOffset);
    }
    if (edited(yOffset, m_opened.yOffset, record.YOffset)) {
        record.YOffset = yOffset;
        pending(KonfChange::Pending | KonfChange::YOffset);
    }
    if (edited(distance, m_opened.distance, record.Distance)) {
        record.Distance = distance;
        pending(KonfChange::Pending | KonfChange::Distance);
    }
    // The tolerances are the program's own: nothing to send.
    const auto tolerance = [&changed](std::int16_t& stored, std::optional<int> value) {
        if (value && *value != stored) {
            stored = static_cast<std::int16_t>(*value);
            changed = true;
        }
    };
    tolerance(record.DevIntensPercent, typed(m_intens.percentText, m_opened.intens.percentText, kIntensPercentEdit));
    tolerance(record.DevXYPercent, typed(m_xy.percentText, m_opened.xy.percentText, kXyPercentEdit));
    tolerance(record.DevIntensAbs, typed(m_intens.absoluteText, m_opened.intens.absoluteText, kIntensAbsEdit));
    if (m_xy.absoluteText != m_opened.xy.absoluteText) {
        if (const auto value = decimalOf(m_xy.absoluteText); value && *value != record.DevXYAbs) {
            record.DevXYAbs = *value;
            changed = true;
        }
    }

    // The switches follow the boxes the user changed; the others stay as the record has them.
    if (m_intens.absoluteOn != m_opened.intens.absoluteOn)
        setBits(record.OptionFlags, KonfOption::IntensAbs, m_intens.absoluteOn);
    if (m_xy.absoluteOn != m_opened.xy.absoluteOn)
        setBits(record.OptionFlags, KonfOption::XyAbs, m_xy.absoluteOn);
    if (m_intens.percentOn != m_opened.intens.percentOn)
        setBits(record.ChangeFlags, KonfChange::IntensPercent, m_intens.percentOn);
    if (m_xy.percentOn != m_opened.xy.percentOn)
        setBits(record.ChangeFlags, KonfChange::XyPercent, m_xy.percentOn);
    setBits(record.OptionFlags, KonfOption::KeepXyOffset, m_keepXyOffset);
    return changed;
}

} // namespace lumivex
