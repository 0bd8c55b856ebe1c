// The test report of the measurement list: tab-separated text with CR LF line ends, its columns
// decided by the check switches and the firmware.
#include "multisensor/ReadingLists.h"

#include "base/AtomicFile.h"
#include "base/Dialogs.h"
#include "foundation/StringTable.h"

#include <cstdio>
#include <cstdlib>

namespace lumivex {

std::string ReadingLists::reportLine(const CMessList& r) const
{
    const bool measured = r.isMeasured();
    const bool dash = r.dashRuleHolds(m_checks.rgb);
    const bool newFirmware = m_checks.newFirmware();
    std::string line = r.SensorText + "\t";
    if (m_checks.rgb) {
        line += measured ? r.RedText + "\t" + r.GreenText + "\t" + r.BlueText + "\t" : "---\t---\t---\t";
        if (!m_checks.hsi)
            line += measured ? r.IntensText + "\t" : "---\t";
    }
    if (m_checks.hsi) {
        if (!measured)
            line += "---\t---\t---\t";
        else
            line += (dash && r.HueText != "0.00" ? std::string("---") : r.HueText) + "\t" + r.SatText + "\t"
                + r.IntensText + "\t";
    }
    if (m_checks.xy) {
        if (!measured) {
            line += newFirmware ? "---\t---\t---\t" : "---\t---\t";
        } else {
            line += dash ? "---\t---\t" : r.XText + "\t" + r.YText + "\t";
            if (newFirmware)
                line += r.TempText != "0" && !dash ? r.TempText + "\t" : "---\t";
        }
    }
    if (r.isCompared() && measured) {
        line += "\t";
        if (r.hasDeviation()) {
            line += std::string(stringText(StringId::ReportComparisonError)) + "\t -";
            if (r.ReadingFlags & ReadingFlag::IntensDeviation)
                line += "I-";
            if (r.ReadingFlags & ReadingFlag::XDeviation)
                line += "X-";
            if (r.ReadingFlags & ReadingFlag::YDeviation)
                line += "Y-";
        } else {
            line += " -OK- ";
        }
    } else {
        line += "\t --- ";
    }
    return line + "\r\n";
}

std::string ReadingLists::testReportText(const std::string& path, const std::tm& now) const
{
    if (m_results.empty() || (!m_checks.rgb && !m_checks.hsi && !m_checks.xy))
        return {};
    const auto text = [](StringId id) { return std::string(stringText(id)); };
    const bool newFirmware = m_checks.newFirmware();
    const std::string xyHead = text(newFirmware ? StringId::ReportHeadXyTemp : StringId::ReportHeadXy);

    std::string report = path + "\r\n\r\n";
    char date[32];
    char time[32];
    std::snprintf(date, sizeof date, "%02d.%02d.%d", now.tm_mday, now.tm_mon + 1, now.tm_year + 1900);
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", now.tm_hour, now.tm_min, now.tm_sec);
    const std::string dateTimeFormat = text(StringId::ReportDateTime);
    char dateTime[128];
    std::snprintf(dateTime, sizeof dateTime, dateTimeFormat.c_str(), date, time);
    report += dateTime;

    report += text(StringId::ReportHeadSensor);
    if (m_checks.rgb) {
        report += text(m_checks.hsi ? StringId::ReportHeadRgb : StringId::ReportHeadRgbi);
        if (m_checks.hsi)
            report += "\t" + text(StringId::ReportHeadHsi);
        if (m_checks.xy)
            report += "\t" + xyHead;
    } else if (m_checks.hsi) {
        report += text(StringId::ReportHeadHsi);
        if (m_checks.xy)
            report += "\t" + xyHead;
    } else {
        report += "\t" + xyHead;
    }
    report += newFirmware ? "\t\t" : "\t";
    report += text(StringId::ReportHeadComparison) + "\r\n\r\n";

    for (const CMessList* record : resultsByNumber()) {
        if (record)
            report += reportLine(*record);
    }
    return report;
}

bool ReadingLists::WriteTestReport(const std::string& path)
{
    const std::time_t seconds = std::time(nullptr);
    std::tm now {};
    if (const std::tm* local = std::localtime(&seconds))
        now = *local;
    // One replace: a failed write leaves the previous report whole, and the user is told, since
    // the caller does not look at the result.
    const auto written = writeFileAtomically(path, testReportText(path, now));
    if (!written)
        m_dialogs.message(writeFailureMessage(stringText(StringId::SavingMeasurementsFailed), path, written));
    return static_cast<bool>(written);
}

} // namespace lumivex
