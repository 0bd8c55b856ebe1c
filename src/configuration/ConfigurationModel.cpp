#include "configuration/ConfigurationModel.h"

#include "base/FormatText.h"

#include "app/Startup.h"
#include "base/Dialogs.h"
#include "foundation/CGlobal.h"
#include "foundation/IniLocation.h"
#include "foundation/StringTable.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace lumivex {

namespace {

// The dialog framework's own words for an edit whose text is not a number in its range.
constexpr std::string_view kEnterInteger = "Please enter an integer.";

std::string decimalText(long value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%ld", value);
    return text;
}

// A float as the framework puts it into an edit: its significant digits, no trailing zeros.
std::string floatText(float value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*g", 6, static_cast<double>(value));
    return text;
}

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The whole text as a number, or nothing: "12abc", "" and "1e99" are not numbers an edit takes.
std::optional<long> wholeInteger(std::string_view text)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<double> wholeDecimal(std::string_view text)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<std::int16_t> percentValue(const std::string& text)
{
    const auto value = wholeInteger(text);
    if (!value || *value < 0 || *value > 100)
        return std::nullopt;
    return static_cast<std::int16_t>(*value);
}

std::optional<std::int16_t> absIntensityValue(const std::string& text)
{
    const auto value = wholeInteger(text);
    if (!value || *value < 0 || *value > ConfigurationModel::kAbsIntensityMax)
        return std::nullopt;
    return static_cast<std::int16_t>(*value);
}

std::optional<float> absXyValue(const std::string& text)
{
    const auto value = wholeDecimal(text);
    if (!value || *value < 0.0 || *value > ConfigurationModel::kAbsXyMax)
        return std::nullopt;
    return static_cast<float>(*value);
}

ConfigRefusal absoluteRefusal(ToleranceOf of)
{
    if (of == ToleranceOf::Intensity)
        return {ConfigField::IntensityAbsolute, std::string(stringText(StringId::IntensityAbsOutOfRange))};
    return {ConfigField::XyAbsolute, std::string(stringText(StringId::XyAbsOutOfRange))};
}

// Opening the dialog: the percent box wins over the absolute one, and only the edit of the box
// that is on can be edited.
TolerancePair openPair(std::int32_t percentOn, std::int16_t percent, std::int32_t absoluteOn, std::string absText)
{
    TolerancePair pair;
    pair.percentOn = percentOn;
    pair.percentText = decimalText(percent);
    pair.absoluteOn = percentOn != 0 ? 0 : absoluteOn;
    pair.absoluteText = std::move(absText);
    pair.percentEnabled = pair.percentOn != 0;
    pair.absoluteEnabled = pair.percentOn == 0 && pair.absoluteOn != 0;
    return pair;
}

// The part of a path after its last separator; a log path written on Windows has backslashes.
std::string nameOf(const std::string& path)
{
    const auto cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

} // namespace

ConfigurationModel::ConfigurationModel(
    const Settings& settings, std::string workingFolder, const std::vector<PortEntry>& presentPorts, bool comNames)
    : m_workingFolder(std::move(workingFolder)), m_before(settings)
{
    const auto listed = [this](const std::string& name) {
        return std::find(m_portNames.begin(), m_portNames.end(), name) != m_portNames.end();
    };
    const auto offer = [this, &listed](const std::string& name, const std::string& description) {
        if (name.empty() || listed(name))
            return;
        m_portNames.push_back(name);
        // "/dev/ttyUSB0 — FT232R USB UART" (an em dash in Windows-1252).
        m_portLabels.push_back(description.empty() ? name : name + " \x97 " + description);
    };
    offer("Auto", {});
    for (const auto& port : presentPorts)
        offer(port.name, port.description);
    if (comNames) {
        for (int i = 1; i <= kComPortCount; ++i)
            offer("COM" + decimalText(i), {});
    }
    m_port = settings.comPort;
    offer(m_port, {});

    for (const auto rate : kBaudRates)
        m_baudTexts.push_back(decimalText(rate));
    m_baudrate = settings.baudrate;
    if (std::find(kBaudRates.begin(), kBaudRates.end(), m_baudrate) == kBaudRates.end())
        m_baudTexts.push_back(decimalText(m_baudrate));

    logName = nameOf(settings.logFile);
    logLevelText = decimalText(settings.logLevel);
    seriellDatei = settings.seriellDatei;
    resultFile = settings.resultFile;
    stabilityFile = settings.stabilityFile;
    selectDatei = settings.selectDatei;
    sensorSettings = settings.sensorSettings;
    m_chartTable = settings.cieTabelle;

    m_intens = openPair(
        settings.checkAbwIntens, settings.abwIntens, settings.checkAbwAbsIntens, decimalText(settings.abwAbsIntens));
    m_xy = openPair(settings.checkAbwXy, settings.abwXy, settings.checkAbwAbsXy, floatText(settings.abwAbsXy));
    noChangeXyOffset = settings.noChangeXyOffset;
}

int ConfigurationModel::portIndex() const
{
    const auto it = std::find(m_portNames.begin(), m_portNames.end(), m_port);
    return it == m_portNames.end() ? -1 : static_cast<int>(it - m_portNames.begin());
}

void ConfigurationModel::selectPort(int index)
{
    if (index >= 0 && index < static_cast<int>(m_portNames.size()))
        m_port = m_portNames[static_cast<std::size_t>(index)];
}

void ConfigurationModel::typePort(const std::string& text)
{
    const auto label = std::find(m_portLabels.begin(), m_portLabels.end(), text);
    if (label != m_portLabels.end())
        m_port = m_portNames[static_cast<std::size_t>(label - m_portLabels.begin())];
    else
        m_port = std::string(trimmed(text));
}

int ConfigurationModel::baudIndex() const
{
    const auto it = std::find(m_baudTexts.begin(), m_baudTexts.end(), decimalText(m_baudrate));
    return it == m_baudTexts.end() ? -1 : static_cast<int>(it - m_baudTexts.begin());
}

void ConfigurationModel::selectBaud(int index)
{
    if (index >= 0 && index < static_cast<int>(m_baudTexts.size()))
        m_baudrate = static_cast<std::int32_t>(*wholeInteger(m_baudTexts[static_cast<std::size_t>(index)]));
}

int ConfigurationModel::chartTableIndex() const
{
    return m_chartTable >= 0 && m_chartTable < static_cast<int>(kChartTables.size()) ? m_chartTable : -1;
}

void ConfigurationModel::selectChartTable(int index)
{
    if (index >= 0 && index < static_cast<int>(kChartTables.size()))
        m_chartTable = index;
}

void ConfigurationModel::clickPercent(ToleranceOf of, bool on)
{
    TolerancePair& p = pair(of);
    p.percentOn = on ? 1 : 0;
    p.percentEnabled = on;
    if (on) {
        p.absoluteOn = 0;
        p.absoluteEnabled = false;
    }
}

void ConfigurationModel::clickAbsolute(ToleranceOf of, bool on)
{
    TolerancePair& p = pair(of);
    p.absoluteOn = on ? 1 : 0;
    p.absoluteEnabled = on;
    if (on) {
        p.percentOn = 0;
        p.percentEnabled = false;
    }
}

void ConfigurationModel::editPercent(ToleranceOf of, std::string text)
{
    pair(of).percentText = std::move(text);
}

void ConfigurationModel::editAbsolute(ToleranceOf of, std::string text)
{
    TolerancePair& p = pair(of);
    p.absoluteText = std::move(text);
    p.absoluteChanged = true;
}

std::optional<ConfigRefusal> ConfigurationModel::leaveAbsolute(ToleranceOf of)
{
    TolerancePair& p = pair(of);
    if (!p.absoluteChanged)
        return std::nullopt;
    p.absoluteChanged = false;
    const bool fits = of == ToleranceOf::Intensity ? absIntensityValue(p.absoluteText).has_value()
                                                   : absXyValue(p.absoluteText).has_value();
    if (fits)
        return std::nullopt;
    return absoluteRefusal(of);
}

bool ConfigurationModel::chooseFile(FileChoice choice, Dialogs& dialogs)
{
    const Settings defaults;
    switch (choice) {
    case FileChoice::TestReport: {
        std::string path
            = dialogs.askOpenFileName(defaults.resultFile, std::string(stringText(StringId::ResultFileFilter)));
        if (path.empty())
            return false;
        resultFile = std::move(path);
        return true;
    }
    case FileChoice::StabilityReport: {
        std::string path
            = dialogs.askOpenFileName(defaults.stabilityFile, std::string(stringText(StringId::StabilityFileFilter)));
        if (path.empty())
            return false;
        stabilityFile = std::move(path);
        return true;
    }
    case FileChoice::SensorSettings: {
        const std::string path = dialogs.askOpenFileName(
            std::string(stringText(StringId::NewPath)), std::string(stringText(StringId::AllFilesFilter)));
        if (path.empty())
            return false;
        sensorSettings = folderWithSeparator(path);
        return true;
    }
    }
    return false;
}

std::optional<ConfigRefusal> ConfigurationModel::checkPair(ToleranceOf of) const
{
    const TolerancePair& p = tolerance(of);
    const bool intensity = of == ToleranceOf::Intensity;
    // A disabled edit cannot be corrected by the user; what it holds is left out instead (apply).
    if (p.percentEnabled && !percentValue(p.percentText))
        return ConfigRefusal {intensity ? ConfigField::IntensityPercent : ConfigField::XyPercent,
            wholeInteger(p.percentText) ? integerRangeMessage(0, 100) : std::string(kEnterInteger)};
    if (p.absoluteEnabled) {
        const bool fits
            = intensity ? absIntensityValue(p.absoluteText).has_value() : absXyValue(p.absoluteText).has_value();
        if (!fits)
            return absoluteRefusal(of);
    }
    return std::nullopt;
}

std::optional<ConfigRefusal> ConfigurationModel::validate() const
{
    const auto level = wholeInteger(logLevelText);
    if (!level)
        return ConfigRefusal {ConfigField::LogLevel, std::string(kEnterInteger)};
    if (*level < INT16_MIN || *level > INT16_MAX)
        return ConfigRefusal {ConfigField::LogLevel, integerRangeMessage(INT16_MIN, INT16_MAX)};
    if (auto refusal = checkPair(ToleranceOf::Intensity))
        return refusal;
    return checkPair(ToleranceOf::Xy);
}

ConfigurationChanges ConfigurationModel::apply(Settings& settings, CGlobal& mainLog, CGlobal& serialLog) const
{
    ConfigurationChanges changes;
    if (validate())
        return changes;

    changes.portOrRate = m_port != settings.comPort || m_baudrate != settings.baudrate;
    settings.comPort = m_port;
    settings.baudrate = m_baudrate;

    if (!logName.empty()) {
        std::string path = m_workingFolder + kNativeSeparator + logName;
        changes.logFile = path != settings.logFile;
        settings.logFile = std::move(path);
    }
    settings.logLevel = static_cast<std::int32_t>(*wholeInteger(logLevelText));
    applyLogSettings(settings, serialLog);
    applyLogSettings(settings, mainLog);

    settings.seriellDatei = seriellDatei;
    settings.resultFile = resultFile;
    settings.stabilityFile = stabilityFile;
    settings.selectDatei = selectDatei;
    settings.sensorSettings = sensorSettings;

    settings.checkAbwIntens = m_intens.percentOn;
    settings.abwIntens = percentValue(m_intens.percentText).value_or(m_before.abwIntens);
    settings.checkAbwAbsIntens = m_intens.absoluteOn;
    settings.abwAbsIntens = absIntensityValue(m_intens.absoluteText).value_or(m_before.abwAbsIntens);
    settings.checkAbwXy = m_xy.percentOn;
    settings.abwXy = percentValue(m_xy.percentText).value_or(m_before.abwXy);
    settings.checkAbwAbsXy = m_xy.absoluteOn;
    settings.abwAbsXy = absXyValue(m_xy.absoluteText).value_or(m_before.abwAbsXy);
    settings.noChangeXyOffset = noChangeXyOffset;
    changes.tolerancesForUnsetSensors = settings.checkAbwIntens != 0 || settings.checkAbwXy != 0
        || settings.checkAbwAbsIntens != 0 || settings.checkAbwAbsXy != 0;

    if (m_chartTable != settings.cieTabelle) {
        settings.cieTabelle = m_chartTable;
        changes.chartTable = true;
    }
    return changes;
}

} // namespace lumivex
