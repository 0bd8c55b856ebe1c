#include "stability/StabilityFiles.h"

#include "base/AtomicFile.h"
#include "base/Dialogs.h"
#include "base/FormatText.h"
#include "base/LittleEndian.h"
#include "foundation/Settings.h"
#include "foundation/StringTable.h"
#include "stability/StabilityRun.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace lumivex {

namespace {

std::string text(StringId id)
{
    return std::string(stringText(id));
}

void putInt(std::string& out, std::int32_t value)
{
    std::uint8_t bytes[4];
    le::put32(bytes, static_cast<std::uint32_t>(value));
    out.append(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

std::int32_t getInt(const std::uint8_t* at)
{
    return static_cast<std::int32_t>(le::get32(at));
}

std::array<std::uint8_t, kStabilityReadingSize> encodeReading(const CBlinkData& r)
{
    std::array<std::uint8_t, kStabilityReadingSize> out {};
    le::put16(&out[0], r.ReadingNo);
    le::put16(&out[2], r.Flags);
    le::put16(&out[4], static_cast<std::uint16_t>(r.Red));
    le::put16(&out[6], static_cast<std::uint16_t>(r.Green));
    le::put16(&out[8], static_cast<std::uint16_t>(r.Blue));
    le::put32(&out[12], static_cast<std::uint32_t>(r.Intensity));
    le::put16(&out[16], static_cast<std::uint16_t>(r.Saturation));
    le::putFloat(&out[20], r.Hue);
    le::putFloat(&out[24], r.X);
    le::putFloat(&out[28], r.Y);
    return out;
}

CBlinkData decodeReading(const std::uint8_t* in)
{
    CBlinkData r;
    r.ReadingNo = le::get16(&in[0]);
    r.Flags = le::get16(&in[2]);
    r.Red = static_cast<std::int16_t>(le::get16(&in[4]));
    r.Green = static_cast<std::int16_t>(le::get16(&in[6]));
    r.Blue = static_cast<std::int16_t>(le::get16(&in[8]));
    r.Intensity = getInt(&in[12]);
    r.Saturation = static_cast<std::int16_t>(le::get16(&in[16]));
    r.Hue = le::getFloat(&in[20]);
    r.X = le::getFloat(&in[24]);
    r.Y = le::getFloat(&in[28]);
    return r;
}

bool inRange(int value, int low, int high)
{
    return value >= low && value <= high;
}

bool plausible(const StabilitySetup& s)
{
    return s.ledIndex >= -1 && inRange(s.rangeIndex, 0, 11) && inRange(s.testMode, 0, 2) && inRange(s.averaging, 0, 15)
        && s.durationMs >= 0;
}

// Windows sees "a.DAT" and "a.dat" as one file.
bool endsInDat(const std::string& path)
{
    if (path.size() < 3)
        return false;
    const std::string_view end = std::string_view(path).substr(path.size() - 3);
    return std::equal(end.begin(), end.end(), "dat", [](char a, char b) { return (a | 0x20) == b; });
}

// What only writing the bytes can meet (a full disk, an I/O error); any other failure means the
// file could not be created or replaced at all.
const int kWriteErrors[] = {
    ENOSPC,
    EFBIG,
    EIO,
#ifdef EDQUOT
    EDQUOT,
#endif
};

bool failedWhileWriting(const FileWriteResult& result)
{
    return result.status == FileWriteStatus::Failed
        && std::any_of(std::begin(kWriteErrors), std::end(kWriteErrors),
            [&](int error) { return result.reason == std::generic_category().message(error); });
}

} // namespace

std::vector<CBlinkData> readingsByNumber(const std::vector<CBlinkData>& readings)
{
    int highest = 0;
    for (const CBlinkData& r : readings)
        highest = std::max(highest, static_cast<int>(r.ReadingNo));
    std::vector<const CBlinkData*> byNumber(static_cast<std::size_t>(highest) + 1, nullptr);
    for (const CBlinkData& r : readings) {
        if (r.ReadingNo > 0 && !byNumber[r.ReadingNo])
            byNumber[r.ReadingNo] = &r;
    }
    std::vector<CBlinkData> ordered;
    for (const CBlinkData* r : byNumber) {
        if (r)
            ordered.push_back(*r);
    }
    return ordered;
}

std::string stabilityCompanionBytes(const StabilitySetup& setup, const std::vector<CBlinkData>& readings)
{
    const std::vector<CBlinkData> ordered = readingsByNumber(readings);
    std::string out;
    out.reserve(kStabilityHeaderSize + ordered.size() * kStabilityReadingSize);
    putInt(out, ordered.empty() ? 0 : ordered.back().ReadingNo);
    for (const int value :
        {setup.ledIndex, setup.rangeIndex, setup.testMode, setup.averaging, setup.userArea, setup.durationMs})
        putInt(out, value);
    for (const CBlinkData& r : ordered) {
        const auto image = encodeReading(r);
        out.append(reinterpret_cast<const char*>(image.data()), image.size());
    }
    return out;
}

std::optional<StabilityCompanion> parseStabilityCompanion(std::string_view bytes)
{
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (bytes.size() < kStabilityCountSize)
        return std::nullopt;
    StabilityCompanion companion;
    companion.declaredCount = getInt(data);
    if (companion.declaredCount <= 0)
        return std::nullopt;
    if (bytes.size() < kStabilityHeaderSize)
        return companion;
    StabilitySetup setup;
    setup.ledIndex = getInt(data + 4);
    setup.rangeIndex = getInt(data + 8);
    setup.testMode = getInt(data + 12);
    setup.averaging = getInt(data + 16);
    setup.userArea = getInt(data + 20);
    setup.durationMs = getInt(data + 24);
    if (!plausible(setup))
        return std::nullopt;
    companion.setup = setup;
    // The count comes from the bytes, never from N: a trailing part of a reading ends the list.
    const std::size_t held = (bytes.size() - kStabilityHeaderSize) / kStabilityReadingSize;
    companion.readings.reserve(held);
    for (std::size_t i = 0; i < held; ++i) {
        const CBlinkData r = decodeReading(data + kStabilityHeaderSize + i * kStabilityReadingSize);
        if (r.ReadingNo == 0)
            continue;
        if (!std::isfinite(r.Hue) || !std::isfinite(r.X) || !std::isfinite(r.Y))
            return std::nullopt;
        companion.readings.push_back(r);
    }
    return companion;
}

StabilityGroups groupsOfFlags(std::uint16_t flags)
{
    return {(flags & BlinkFlag::Rgbi) != 0, (flags & BlinkFlag::Hsi) != 0, (flags & BlinkFlag::Xy) != 0};
}

std::string stabilityCompanionPath(const std::string& reportPath)
{
    return reportPath.substr(0, reportPath.size() < 3 ? 0 : reportPath.size() - 3) + "dat";
}

std::string stabilityReportText(const std::string& reportPath, const std::tm& now, const std::string& title,
    const StabilityGroups& groups, const std::vector<CBlinkData>& readings)
{
    if (!groups.rgbi && !groups.hsi && !groups.xy)
        return {};
    const std::string date = formatText("%02d.%02d.%d", now.tm_mday, now.tm_mon + 1, now.tm_year + 1900);
    const std::string time = formatText("%02d:%02d:%02d", now.tm_hour, now.tm_min, now.tm_sec);
    const std::string dateTimeFormat = text(StringId::ReportDateTime);
    std::string report = reportPath + "   ";
    report += formatText(dateTimeFormat.c_str(), date.c_str(), time.c_str());
    report += title + "\r\n\r\n";

    report += text(StringId::NoCaption);
    if (groups.rgbi)
        report += "\t" + text(groups.hsi ? StringId::ReportHeadRgb : StringId::ReportHeadRgbi);
    if (groups.hsi)
        report += "\t" + text(StringId::ReportHeadHsi);
    if (groups.xy)
        report += "\t" + text(StringId::ReportHeadXy);
    report += "\r\n\r\n";

    // The intensity is written once: with the colours when HSI is off, else with hue and saturation.
    for (const CBlinkData& r : readingsByNumber(readings)) {
        report += formatText("%d\t", r.ReadingNo);
        if (groups.rgbi) {
            report += formatText("%d\t%d\t%d\t", r.Red, r.Green, r.Blue);
            if (!groups.hsi)
                report += formatText("%d\t", r.Intensity);
        }
        if (groups.hsi)
            report += formatText("%.2f\t%d\t%d\t", static_cast<double>(r.Hue), r.Saturation, r.Intensity);
        if (groups.xy)
            report += formatText("%.4f\t%.4f\t", static_cast<double>(r.X), static_cast<double>(r.Y));
        report += "\r\n";
    }
    return report;
}

std::string stabilityReportPath(const Settings& settings, Dialogs& dialogs, bool forSaving)
{
    if (settings.selectDatei != 1)
        return settings.stabilityFile;
    const std::string filter = text(StringId::TestReportFilter);
    return forSaving ? dialogs.askSaveFileName(kStabilityReportDialogName, filter)
                     : dialogs.askOpenFileName(kStabilityReportDialogName, filter);
}

bool saveStabilityReport(const StabilityReportInput& input, const Settings& settings, Dialogs& dialogs)
{
    const std::time_t seconds = std::time(nullptr);
    std::tm now {};
    if (const std::tm* local = std::localtime(&seconds))
        now = *local;
    return saveStabilityReportAt(input, settings, dialogs, now);
}

bool saveStabilityReportAt(
    const StabilityReportInput& input, const Settings& settings, Dialogs& dialogs, const std::tm& now)
{
    const std::string path = stabilityReportPath(settings, dialogs, true);
    // A cancelled dialog or no configured path: nothing to write and nothing to tell.
    if (path.empty())
        return false;
    const bool anyNumbered = std::any_of(
        input.readings.begin(), input.readings.end(), [](const CBlinkData& r) { return r.ReadingNo > 0; });
    if (!anyNumbered) {
        dialogs.message(text(StringId::NoStabilityData));
        return false;
    }
    const std::string companionPath = stabilityCompanionPath(path);
    // A report named "...dat" would be its own companion: the text would overwrite the data.
    if (endsInDat(path)) {
        const FileWriteResult refused {FileWriteStatus::Failed, "the report would be its own data file"};
        dialogs.message(writeFailureMessage(text(StringId::SavingAnalysisFailed), path, refused));
        return false;
    }
    if (const auto written = writeFileAtomically(companionPath, stabilityCompanionBytes(input.setup, input.readings));
        !written) {
        dialogs.message(writeFailureMessage(text(StringId::SavingAnalysisFailed), companionPath, written));
        return false;
    }
    const std::string report = stabilityReportText(path, now, input.title, input.groups, input.readings);
    if (const auto written = writeFileAtomically(path, report); !written) {
        const StringId message = failedWhileWriting(written) && !report.empty() ? StringId::SavingMeasurementsFailed
                                                                                : StringId::SavingAnalysisFailed;
        dialogs.message(writeFailureMessage(text(message), path, written));
        return false;
    }
    return true;
}

std::optional<LoadedStability> loadStabilityReport(const Settings& settings, Dialogs& dialogs)
{
    const std::string path = stabilityReportPath(settings, dialogs, false);
    // A cancelled dialog loads nothing (not a file named just "dat" in the current folder).
    if (path.empty())
        return std::nullopt;
    const std::string companionPath = stabilityCompanionPath(path);
    std::error_code error;
    if (!std::filesystem::exists(companionPath, error)) {
        dialogs.message(text(StringId::PathOrFileNotFound));
        return std::nullopt;
    }
    const auto bytes = readWholeFile(companionPath, kStabilityMaxCompanionBytes);
    auto companion = bytes ? parseStabilityCompanion(*bytes) : std::nullopt;
    if (!companion) {
        dialogs.message(text(StringId::NoStabilityData));
        return std::nullopt;
    }
    LoadedStability loaded;
    loaded.setup = companion->setup;
    loaded.readingsSetting = std::min(companion->declaredCount, StabilityRun::kMaxReadings);
    if (!companion->readings.empty()) {
        const auto first = std::find_if(companion->readings.begin(), companion->readings.end(),
            [](const CBlinkData& r) { return r.ReadingNo == 1; });
        // Without a reading 1 the first one held says which groups the run took.
        loaded.groups
            = groupsOfFlags((first != companion->readings.end() ? *first : companion->readings.front()).Flags);
    }
    loaded.readings = std::move(companion->readings);
    return loaded;
}

bool openStabilityReport(const Settings& settings, Dialogs& dialogs)
{
    const std::string path = stabilityReportPath(settings, dialogs, false);
    if (path.empty())
        return false;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        dialogs.message(text(StringId::PathOrFileNotFound));
        return false;
    }
    if (dialogs.openInAssociatedProgram(path))
        return true;
    dialogs.message(text(StringId::CannotReadTestReport));
    return false;
}

} // namespace lumivex
