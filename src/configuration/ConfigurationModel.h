#pragma once

#include "device/PortDirectory.h"
#include "foundation/Settings.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumivex {

class CGlobal;
class Dialogs;

// The edits the configuration dialog checks before it lets OK through.
enum class ConfigField { LogLevel, IntensityPercent, IntensityAbsolute, XyPercent, XyAbsolute };

struct ConfigRefusal {
    ConfigField field;
    std::string message;
};

// The two quantities with a percent and an absolute tolerance.
enum class ToleranceOf { Intensity, Xy };

// One quantity's pair of tolerances. At most one of the two boxes is on; only its edit is enabled.
struct TolerancePair {
    std::int32_t percentOn = 0;
    std::string percentText;
    std::int32_t absoluteOn = 0;
    std::string absoluteText;
    bool percentEnabled = false;
    bool absoluteEnabled = false;
    bool absoluteChanged = false; // edited since the edit last lost the focus
};

// The three paths with a "Change" button.
enum class FileChoice { TestReport, StabilityReport, SensorSettings };

// What OK changed that others must follow.
struct ConfigurationChanges {
    bool portOrRate = false; // the port is closed; the next command opens it with the new values
    bool logFile = false;
    bool chartTable = false; // the xy chart's image is read again
    // At least one tolerance box is on: sensor settings records that were never set take the
    // global tolerances (the settings list applies them).
    bool tolerancesForUnsetSensors = false;
};

// The configuration dialog without its widgets: a copy of the settings it shows, the lists, the
// rules of the tolerance boxes, the checks of the edits and OK, which takes the values back into
// the settings and the log writers. Nothing reaches the settings before apply(), so Cancel is
// simply dropping the model.
class ConfigurationModel {
public:
    static constexpr int kComPortCount = 256;
    static constexpr std::array<std::int32_t, 5> kBaudRates {9600, 19200, 38400, 57600, 115200};
    static constexpr std::array<std::string_view, 3> kChartTables {
        "CIE 1931-2", "CIE 1964-10", "CIE Chromaticity space"};
    static constexpr std::int16_t kAbsIntensityMax = 32767;
    static constexpr double kAbsXyMax = 0.9999;

    // `presentPorts`: the serial ports there are now (and the simulated device's), offered right
    // after "Auto"; `comNames`: "COM1".."COM256" follow (only where the platform has such names).
    ConfigurationModel(
        const Settings& settings, std::string workingFolder, const std::vector<PortEntry>& presentPorts, bool comNames);

    // "Interface": the port list and the chosen name. A configured name that is not in the list
    // is added to its end, so that OK keeps it. The list shows labels (name and description);
    // only the name is ever stored.
    const std::vector<std::string>& portNames() const { return m_portNames; }
    const std::vector<std::string>& portLabels() const { return m_portLabels; }
    int portIndex() const;
    void selectPort(int index);
    // Text typed into the list: a label of the list means its port, anything else is taken as the
    // port name itself (a pseudo-terminal, a link), without the blanks around it.
    void typePort(const std::string& text);
    const std::string& port() const { return m_port; }
    // The rate list as texts; a configured rate that is not one of them is added to its end.
    const std::vector<std::string>& baudTexts() const { return m_baudTexts; }
    int baudIndex() const;
    void selectBaud(int index);
    std::int32_t baudrate() const { return m_baudrate; }

    // "Logfile": the name after the last separator of "Log-Datei"; the level as typed.
    std::string logName;
    std::string logLevelText;
    std::int32_t seriellDatei = 0;

    // "Storage" and the chart image choice (-1: a configured value outside the list).
    std::string resultFile;
    std::string stabilityFile;
    std::int32_t selectDatei = 0;
    std::string sensorSettings;
    int chartTableIndex() const;
    void selectChartTable(int index);

    // The deviation boxes.
    const TolerancePair& tolerance(ToleranceOf of) const { return of == ToleranceOf::Intensity ? m_intens : m_xy; }
    void clickPercent(ToleranceOf of, bool on);
    void clickAbsolute(ToleranceOf of, bool on);
    void editPercent(ToleranceOf of, std::string text);
    void editAbsolute(ToleranceOf of, std::string text);
    // The absolute edit lost the focus: when it was edited, its value is checked once (strings
    // 218 and 219); the caller shows the message and gives the edit the focus back.
    std::optional<ConfigRefusal> leaveAbsolute(ToleranceOf of);
    std::int32_t noChangeXyOffset = 0;

    // A "Change" button: the open-file dialog; a chosen path goes into the edit (for the sensor
    // settings only its folder). False when the user cancelled.
    bool chooseFile(FileChoice choice, Dialogs& dialogs);

    // OK: the first edit that cannot be taken, with its message; nothing when all can.
    std::optional<ConfigRefusal> validate() const;
    // Takes the values into the settings and gives both log writers the log path and level. Does
    // nothing (and reports no change) when validate() refuses.
    ConfigurationChanges apply(Settings& settings, CGlobal& mainLog, CGlobal& serialLog) const;

private:
    TolerancePair& pair(ToleranceOf of) { return of == ToleranceOf::Intensity ? m_intens : m_xy; }
    std::optional<ConfigRefusal> checkPair(ToleranceOf of) const;

    std::string m_workingFolder;
    std::vector<std::string> m_portNames;
    std::vector<std::string> m_portLabels;
    std::string m_port;
    std::vector<std::string> m_baudTexts;
    std::int32_t m_baudrate = 0;
    std::int32_t m_chartTable = 0;
    TolerancePair m_intens;
    TolerancePair m_xy;
    // The settings as they were, for the values of disabled edits that cannot be taken.
    Settings m_before;
};

} // namespace lumivex
