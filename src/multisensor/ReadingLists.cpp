#include "multisensor/ReadingLists.h"

#include "base/AtomicFile.h"
#include "base/Dialogs.h"
#include "foundation/StringTable.h"
#include "multisensor/KonfListFile.h"
#include "multisensor/SensorSettingsList.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace lumivex {
namespace {

// Readings carry four decimals; this absorbs the binary error of a tolerance stored as a float
// (0.01f is a little below 0.01), so that a value exactly on a limit passes.
constexpr double kLimitSlack = 1e-7;

// Each `Index` 1..count mapped to the first record that has it: lookups by number without walking
// the list again for every number.
template<typename Record>
std::vector<Record*> tableByIndex(const std::vector<std::unique_ptr<Record>>& records, int count)
{
    std::vector<Record*> table(static_cast<std::size_t>(std::max(count, 0)) + 1, nullptr);
    for (const auto& record : records) {
        const int index = record->Index;
        if (index >= 1 && index <= count && !table[static_cast<std::size_t>(index)])
            table[static_cast<std::size_t>(index)] = record.get();
    }
    return table;
}

long readsAsInteger(const std::string& text)
{
    return std::strtol(text.c_str(), nullptr, 10);
}

double readsAsNumber(const std::string& text)
{
    return std::strtod(text.c_str(), nullptr);
}

// Values exactly on a limit pass; no tolerance (0 or less) means any difference deviates.
bool deviates(double measured, double reference, double tolerance)
{
    if (!(tolerance > 0))
        return measured != reference;
    return measured > reference + tolerance + kLimitSlack || measured < reference - tolerance - kLimitSlack;
}

void setBit(std::uint16_t& flags, std::uint16_t bit, bool on)
{
    flags = on ? static_cast<std::uint16_t>(flags | bit) : static_cast<std::uint16_t>(flags & ~bit);
}

const char* modePrefix(int testMode)
{
    switch (testMode) {
    case 0:
        return "MAN-";
    case 1:
        return "USR-";
    case 2:
        return "PWM-";
    default:
        return "";
    }
}

const char* modeSuffix(int measureTime)
{
    static constexpr const char* kSuffixes[] = {"DIS", "LOW", "MED", "HGH", "SUP", "ULT", "UTH", "SUH", "USR", "AKT"};
    if (measureTime < 0 || measureTime > 9)
        return "NNO";
    return kSuffixes[measureTime];
}

} // namespace

std::string referenceDataPath(const std::string& referencePath)
{
    return referencePath.substr(0, referencePath.size() < 3 ? 0 : referencePath.size() - 3) + "dat";
}

bool namesReferenceDataFile(const std::string& referencePath)
{
    if (referencePath.size() < 3)
        return false;
    // Any case, as Windows sees names.
    const std::string_view end = std::string_view(referencePath).substr(referencePath.size() - 3);
    return std::equal(end.begin(), end.end(), "dat", [](char a, char b) { return (a | 0x20) == b; });
}

ReadingLists::ReadingLists(Dialogs& dialogs)
    : m_dialogs(dialogs), m_baseTitle(stringText(StringId::MeasurementListTitle))
{
}

void ReadingLists::CreateEmptyReadings(int count)
{
    count = std::clamp(count, 0, kMaxRecords);
    m_results.clear();
    m_results.reserve(static_cast<std::size_t>(count));
    for (int index = 1; index <= count; ++index)
        m_results.push_back(std::make_unique<CMessList>(CMessList::Empty(index)));
    m_sensorCount = count;
}

CMessList* ReadingLists::resultByIndex(int index) const
{
    for (const auto& record : m_results) {
        if (record->Index == index)
            return record.get();
    }
    return nullptr;
}

bool ReadingLists::StoreReading(int index, const ReadingTexts& texts, int measureTime, int range, std::uint16_t flags)
{
    CMessList* record = resultByIndex(index);
    if (!record)
        return false;
    record->ReadingFlags = flags;
    record->SensorText = fitText(std::to_string(index), MessTextSize::Sensor);
    const auto keep = [](std::string& field, const std::string& text, std::size_t size) {
        if (!text.empty())
            field = fitText(text, size);
    };
    keep(record->RedText, texts.red, MessTextSize::Colour);
    keep(record->GreenText, texts.green, MessTextSize::Colour);
    keep(record->BlueText, texts.blue, MessTextSize::Colour);
    keep(record->HueText, texts.hue, MessTextSize::Value);
    keep(record->SatText, texts.sat, MessTextSize::Value);
    keep(record->IntensText, texts.intens, MessTextSize::Value);
    keep(record->XText, texts.x, MessTextSize::Value);
    keep(record->YText, texts.y, MessTextSize::Value);
    if (!texts.temp.empty())
        record->TempText = fitText(texts.temp == "0" ? texts.temp : texts.temp + " K", MessTextSize::Temp);
    if (measureTime == 0)
        record->ReadingFlags &= static_cast<std::uint16_t>(~ReadingFlag::Measured);
    record->ModeText = fitText(
        std::string(modePrefix(flags & ReadingFlag::TestModeMask)) + modeSuffix(measureTime), MessTextSize::Mode);
    record->RangeText = range != 0 ? "9 x 9" : "3 x 3";
    return true;
}

bool ReadingLists::CompareWithReference(const SensorSettingsList& settings)
{
    if (!m_referenceLoaded)
        return false;
    if (m_reference.empty())
        return true;
    const int count = static_cast<int>(std::min(m_reference.size(), m_results.size()));
    const auto references = tableByIndex(m_reference, count);
    const auto results = tableByIndex(m_results, count);
    const auto konf = tableByIndex(settings.records(), count);
    for (int k = 1; k <= count; ++k) {
        const CMessList* ref = references[static_cast<std::size_t>(k)];
        CMessList* result = results[static_cast<std::size_t>(k)];
        const CKonfList* sensor = konf[static_cast<std::size_t>(k)];
        if (!ref || !result || !sensor)
            continue;
        std::uint16_t& flags = result->ReadingFlags;
        if (!sensor->isEnabled()) {
            flags &= static_cast<std::uint16_t>(~(ReadingFlag::Measured | ReadingFlag::ComparisonBits));
            continue;
        }

        bool intensCompared = false;
        bool intensDeviates = false;
        if (m_checks.rgb || m_checks.hsi) {
            const double r = static_cast<double>(readsAsInteger(ref->IntensText));
            const double m = static_cast<double>(readsAsInteger(result->IntensText));
            if (sensor->ChangeFlags & KonfChange::IntensPercent) {
                const double p = sensor->DevIntensPercent;
                intensCompared = true;
                intensDeviates = p > 0 ? deviates(m, r, std::fabs(p * r / 100.0)) : m != r;
            } else if (sensor->OptionFlags & KonfOption::IntensAbs) {
                intensCompared = true;
                intensDeviates = deviates(m, r, sensor->DevIntensAbs);
            }
        }
        setBit(flags, ReadingFlag::IntensDeviation, intensDeviates);

        bool xyCompared = false;
        bool xDeviates = false;
        bool yDeviates = false;
        if (m_checks.xy) {
            const double rx = readsAsNumber(ref->XText);
            const double ry = readsAsNumber(ref->YText);
            const double mx = readsAsNumber(result->XText);
            const double my = readsAsNumber(result->YText);
            if (sensor->ChangeFlags & KonfChange::XyPercent) {
                xyCompared = true;
                const double p = sensor->DevXYPercent;
                xDeviates = p > 0 ? deviates(mx, rx, std::fabs(p * rx / 100.0)) : mx != rx;
                yDeviates = p > 0 ? deviates(my, ry, std::fabs(p * ry / 100.0)) : my != ry;
            } else if (sensor->OptionFlags & KonfOption::XyAbs) {
                xyCompared = true;
                xDeviates = deviates(mx, rx, sensor->DevXYAbs);
                yDeviates = deviates(my, ry, sensor->DevXYAbs);
            }
        }
        setBit(flags, ReadingFlag::XDeviation, xDeviates);
        setBit(flags, ReadingFlag::YDeviation, yDeviates);
        setBit(flags, ReadingFlag::Compared, intensCompared || xyCompared);
    }
    return true;
}

bool ReadingLists::rowOf(int index, ReadingRow& row) const
{
    const CMessList* record = resultByIndex(index);
    if (!record)
        return false;
    row = ReadingRow {};
    if (record->isCompared()) {
        row.state = record->hasDeviation() ? ReadingRow::State::Deviation : ReadingRow::State::Passed;
        row.intensCellDeviates = (record->ReadingFlags & ReadingFlag::IntensDeviation) != 0;
        row.xCellDeviates = (record->ReadingFlags & ReadingFlag::XDeviation) != 0;
        row.yCellDeviates = (record->ReadingFlags & ReadingFlag::YDeviation) != 0;
    }
    row.measured = record->isMeasured();
    row.no = record->SensorText;
    if (!row.measured) {
        row.red = row.green = row.blue = row.hue = row.sat = row.intens = "---";
        row.x = row.y = row.temp = row.mode = row.range = "---";
        return true;
    }
    const bool dash = record->dashRuleHolds(m_checks.rgb);
    const std::string dashes = "---";
    row.red = record->RedText;
    row.green = record->GreenText;
    row.blue = record->BlueText;
    row.intens = record->IntensText;
    row.hue = dash && record->HueText != "0.00" ? dashes : record->HueText;
    row.sat = dash ? dashes : record->SatText;
    row.x = dash ? dashes : record->XText;
    row.y = dash ? dashes : record->YText;
    row.temp = dash || readsAsInteger(record->TempText) == 0 ? dashes : record->TempText;
    row.mode = record->ModeText;
    row.range = record->RangeText;
    return true;
}

std::vector<const CMessList*> ReadingLists::resultsByNumber() const
{
    const auto table = tableByIndex(m_results, static_cast<int>(m_results.size()));
    return {table.begin() + 1, table.end()};
}

bool ReadingLists::anyFailed() const
{
    return std::any_of(m_results.begin(), m_results.end(),
        [](const auto& record) { return record->isCompared() && record->hasDeviation(); });
}

std::string ReadingLists::referenceDataBytes() const
{
    std::string bytes;
    for (const CMessList* record : resultsByNumber()) {
        if (!record)
            continue;
        const MessRecordBytes image = encodeMessRecord(*record);
        bytes.append(reinterpret_cast<const char*>(image.data()), image.size());
    }
    return bytes;
}

bool ReadingLists::writeReferenceData(const std::string& path)
{
    m_reference.clear();
    const std::string bytes = referenceDataBytes();
    // No results: nothing to keep, and an existing data file is not emptied for it.
    if (bytes.empty())
        return false;
    if (const auto written = writeFileAtomically(path, bytes); !written) {
        m_dialogs.message(writeFailureMessage(stringText(StringId::SavingMeasurementsFailed), path, written));
        return false;
    }
    for (const CMessList* record : resultsByNumber()) {
        if (record)
            m_reference.push_back(std::make_unique<CMessList>(*record));
    }
    return true;
}

bool ReadingLists::loadReferenceDataBytes(std::string_view bytes)
{
    // A trailing part of a record is not a record.
    const std::size_t count = bytes.size() / kMessRecordSize;
    if (count > static_cast<std::size_t>(kMaxRecords))
        return false;
    m_results.clear();
    m_reference.clear();
    for (std::size_t i = 0; i < count; ++i) {
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data()) + i * kMessRecordSize;
        const CMessList stored
            = decodeMessRecord(std::span<const std::uint8_t, kMessRecordSize>(data, kMessRecordSize));
        auto result = std::make_unique<CMessList>(stored);
        result->ReadingFlags &= static_cast<std::uint16_t>(~ReadingFlag::ComparisonBits);
        m_results.push_back(std::move(result));
        m_reference.push_back(std::make_unique<CMessList>(stored));
    }
    return true;
}

void ReadingLists::setReferenceLoaded(bool loaded)
{
    m_referenceLoaded = loaded;
    m_baseTitle = std::string(stringText(StringId::MeasurementListTitle));
    if (loaded)
        m_baseTitle += std::string(stringText(StringId::ReferenceFileTitle)) + m_referenceFileName;
}

bool ReadingLists::SaveReference(const std::string& path, SensorSettingsList& settings)
{
    m_referenceFileName = std::filesystem::path(path).filename().string();
    setReferenceLoaded(false);
    // A chosen name ending in "dat" would make the data overwrite the settings just written.
    if (namesReferenceDataFile(path)) {
        m_dialogs.message(std::string(stringText(StringId::SavingMeasurementsFailed)));
        return false;
    }
    // Settings without data are no reference, and an existing pair is not spoilt for them.
    if (m_results.empty()) {
        m_dialogs.message(std::string(stringText(StringId::NoMeasurementData)));
        return false;
    }
    // Without its settings the data is no reference: stop when they could not be written
    // (the settings list has told the user).
    if (!settings.SaveSettingsFile(path))
        return false;
    setReferenceLoaded(writeReferenceData(referenceDataPath(path)));
    return m_referenceLoaded;
}

bool ReadingLists::LoadReference(const std::string& path, SensorSettingsList& settings)
{
    m_referenceFileName = std::filesystem::path(path).filename().string();
    setReferenceLoaded(false);
    // Refused like saving one: the file would be read as settings and as data at once.
    if (namesReferenceDataFile(path)) {
        m_dialogs.message(std::string(stringText(StringId::SavingMeasurementsFailed)));
        return false;
    }
    // Data judged against settings that are not the reference's own would be judged wrongly, so a
    // settings half without a whole record ends the load before anything is replaced.
    const std::size_t maxSettingsBytes
        = static_cast<std::size_t>(SensorSettingsList::kMaxRecords + 1) * kKonfRecordSize - 1;
    const auto settingsBytes = readBoundedFile(path, maxSettingsBytes);
    if (!settingsBytes || settingsBytes->size() < kKonfRecordSize || !settings.loadSettingsBytes(*settingsBytes))
        return false;
    // A data file without a whole record holds no reference: the results stay as they are.
    const std::size_t maxDataBytes = static_cast<std::size_t>(kMaxRecords + 1) * kMessRecordSize - 1;
    const auto dataBytes = readBoundedFile(referenceDataPath(path), maxDataBytes);
    if (!dataBytes || dataBytes->size() < kMessRecordSize || !loadReferenceDataBytes(*dataBytes))
        return false;
    setReferenceLoaded(true);
    return true;
}

} // namespace lumivex
