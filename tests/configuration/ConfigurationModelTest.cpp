#include "configuration/ConfigurationModel.h"

#include "foundation/CGlobal.h"
#include "foundation/IniFile.h"
#include "foundation/IniLocation.h"

#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace lumivex;
using Texts = std::vector<std::string>;

namespace {

const std::string kOutOfRange218 = "Out of range: 0 .. 32767 ";
const std::string kOutOfRange219 = "Out of range: -0.9999 .. 0.9999";
const std::string kEnterInteger = "Please enter an integer.";
const std::string kPercentRange = "Please enter an integer between 0 and 100.";
constexpr auto kIntens = ToleranceOf::Intensity;
constexpr auto kXy = ToleranceOf::Xy;

std::string iniText(const Settings& settings)
{
    IniFile ini;
    saveSettings(settings, ini);
    return ini.serialize();
}

struct Configuration : ::testing::Test {
    test::TempDir dir;
    std::string work = dir.path().string();
    Settings settings = loadSettings(IniFile {}, work);
    CGlobal mainLog;
    CGlobal serialLog;

    // Without present ports and with COM names, the list is the one every Windows machine shows.
    ConfigurationModel open(const std::vector<PortEntry>& present = {}, bool comNames = true) const
    {
        return ConfigurationModel(settings, work, present, comNames);
    }
    ConfigurationChanges apply(const ConfigurationModel& model) { return model.apply(settings, mainLog, serialLog); }
};

bool anyChange(const ConfigurationChanges& c)
{
    return c.portOrRate || c.chartTable || c.tolerancesForUnsetSensors || c.logFile;
}

} // namespace

TEST_F(Configuration, opensWithTheConfiguredValuesAndOkWithoutChangesLeavesPortChartAndLogAlone)
{
    auto model = open();
    EXPECT_EQ(model.baudTexts(), (Texts {"9600", "19200", "38400", "57600", "115200"}));
    const auto& [intens, xy] = std::pair(model.tolerance(kIntens), model.tolerance(kXy));
    EXPECT_EQ(
        (Texts {model.logLevelText, model.stabilityFile, intens.percentText, intens.absoluteText, xy.absoluteText}),
        (Texts {"9", "StabilityReport.txt", "10", "1000", "0.01"}));

    // Values outside the lists are offered, so that OK keeps them.
    settings.baudrate = 4800;
    settings.cieTabelle = 3;
    model = open();
    EXPECT_EQ(model.baudTexts().back(), "4800");
    EXPECT_EQ(model.baudIndex(), 5);
    EXPECT_EQ(model.chartTableIndex(), -1) << "nothing shown for a table that does not exist";
    const auto changes = apply(model);
    EXPECT_FALSE(changes.portOrRate || changes.chartTable) << "the port stays open and the chart as it is";

    // The same port picked again, an empty log name and all tolerance boxes off change nothing outside.
    settings.logFile = "/elsewhere/old.log";
    model = open();
    model.selectPort(1); // COM1 again
    model.logName.clear();
    model.clickPercent(kIntens, false);
    model.clickPercent(kXy, false);
    EXPECT_FALSE(anyChange(apply(model)));
    EXPECT_EQ(settings.logFile, "/elsewhere/old.log") << "the log stays where it is";
    EXPECT_EQ(mainLog.FilePath(), "/elsewhere/old.log");

    settings.logFile = "C:\\Lab\\logs\\run.log";
    EXPECT_EQ(open().logName, "run.log") << "the part after the last separator of either kind";
}

TEST_F(Configuration, portListOffersPresentPortsFirstAndComNamesOnlyWhereTheyExist)
{
    const std::string dash = " \x97 ";
    const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0";
    const struct {
        const char* name;
        std::vector<PortEntry> present;
        bool comNames;
        std::string configured;
        Texts firstLabels; // the head of the list, as shown
        std::size_t size;
    } cases[] = {
        {"linux: present ports with descriptions, no COM names, configured port kept at the end",
            {{"/dev/ttyUSB0", "FT232R USB UART"}, {"/dev/ttyS0", ""}, {byId, "link to /dev/ttyUSB0"},
                {"/dev/ttyUSB0", "listed twice"}, {"SIM", ""}},
            false, "/dev/pts/7",
            {"Auto", "/dev/ttyUSB0" + dash + "FT232R USB UART", "/dev/ttyS0", byId + dash + "link to /dev/ttyUSB0",
                "SIM", "/dev/pts/7"},
            6},
        {"linux: a configured present port is not listed twice", {{"/dev/ttyS0", ""}}, false, "/dev/ttyS0", {"Auto"}, 2},
        {"linux: nothing present leaves Auto and the configured name", {}, false, "COM1", {"Auto", "COM1"}, 2},
        {"windows: present COM3 first with its description, then COM1..COM256 without it again",
            {{"COM3", "USB Serial Port"}}, true, "COM1",
            {"Auto", "COM3" + dash + "USB Serial Port", "COM1", "COM2", "COM4"}, 1 + 256},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        settings.comPort = c.configured;
        const auto model = open(c.present, c.comNames);
        ASSERT_EQ(model.portLabels().size(), model.portNames().size());
        ASSERT_EQ(model.portNames().size(), c.size);
        EXPECT_EQ(Texts(model.portLabels().begin(), model.portLabels().begin() + c.firstLabels.size()), c.firstLabels);
        ASSERT_GE(model.portIndex(), 0);
        EXPECT_EQ(model.portNames()[static_cast<std::size_t>(model.portIndex())], c.configured);
    }
}

TEST_F(Configuration, portTakenOnOkIsTheNameWhetherPickedOrTyped)
{
    const std::pair<std::string, std::string> cases[] = {
        {"/dev/ttyUSB0 \x97 FT232R USB UART", "/dev/ttyUSB0"}, // a label stores only its port name
        {"  /dev/serial/by-id/usb-x  ", "/dev/serial/by-id/usb-x"}, // blanks around a typed path are dropped
        {"Auto", "Auto"},
    };
    for (const auto& [typed, stored] : cases) {
        settings.comPort = "COM1";
        auto model = open({{"/dev/ttyUSB0", "FT232R USB UART"}, {"/dev/ttyACM0", "Sensor"}}, false);
        model.typePort(typed);
        EXPECT_TRUE(apply(model).portOrRate) << typed;
        EXPECT_EQ(settings.comPort, stored);
    }
}

TEST_F(Configuration, atMostOneToleranceBoxIsOnAndOnlyItsEditIsEnabled)
{
    const struct {
        const char* name;
        ToleranceOf of;
        int percentOn, absoluteOn; // as configured
        const char* clicks; // 'P'/'p' turns the percent box on/off, 'A'/'a' the absolute one
        std::array<int, 4> state; // percentOn, absoluteOn, percentEnabled, absoluteEnabled
    } cases[] = {
        {"opening: the percent box wins", kIntens, 1, 1, "", {1, 0, 1, 0}},
        {"opening: absolute alone", kIntens, 0, 1, "", {0, 1, 0, 1}},
        {"opening: both off, no edit", kXy, 0, 0, "", {0, 0, 0, 0}},
        {"absolute on turns percent off", kIntens, 1, 1, "A", {0, 1, 0, 1}},
        {"turning a box off enables nothing", kIntens, 1, 1, "Aa", {0, 0, 0, 0}},
        {"percent on turns absolute off", kXy, 0, 1, "pAP", {1, 0, 1, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        settings = loadSettings(IniFile {}, work);
        const bool intensity = c.of == kIntens;
        (intensity ? settings.checkAbwIntens : settings.checkAbwXy) = c.percentOn;
        (intensity ? settings.checkAbwAbsIntens : settings.checkAbwAbsXy) = c.absoluteOn;
        auto model = open();
        for (const char* k = c.clicks; *k; ++k)
            (*k == 'P' || *k == 'p') ? model.clickPercent(c.of, *k == 'P') : model.clickAbsolute(c.of, *k == 'A');
        const TolerancePair& p = model.tolerance(c.of);
        EXPECT_EQ((std::array<int, 4> {p.percentOn, p.absoluteOn, p.percentEnabled, p.absoluteEnabled}), c.state);
    }
}

TEST_F(Configuration, absoluteEditsAreCheckedOnceWhenTheyLoseTheFocusAfterAnEditAndOnOk)
{
    auto model = open();
    EXPECT_FALSE(model.leaveAbsolute(kIntens)) << "not edited: no check";
    model.editAbsolute(kIntens, "-1");
    ASSERT_TRUE(model.leaveAbsolute(kIntens));
    EXPECT_FALSE(model.leaveAbsolute(kIntens)) << "the flag is cleared: the box comes once";

    const struct {
        ToleranceOf of;
        const char* text;
        bool refused; // -1: a negative tolerance would fail every sensor
    } cases[] = {{kIntens, "-1", true}, {kIntens, "32768", true}, {kIntens, "abc", true}, {kIntens, "", true},
        {kIntens, "12x", true}, {kIntens, "0", false}, {kIntens, "32767", false}, {kIntens, " 0 ", false},
        {kXy, "-0.0001", true}, {kXy, "0.99991", true}, {kXy, "1", true}, {kXy, "x", true}, {kXy, "0", false},
        {kXy, "0.9999", false}, {kXy, "1e-3", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        model = open();
        model.clickAbsolute(c.of, true);
        model.editAbsolute(c.of, c.text);
        for (const auto& refusal : {model.leaveAbsolute(c.of), model.validate()}) { // leaving the edit, then OK
            ASSERT_EQ(refusal.has_value(), c.refused);
            if (refusal) {
                EXPECT_EQ(std::pair(refusal->field, refusal->message),
                    c.of == kIntens ? std::pair(ConfigField::IntensityAbsolute, kOutOfRange218)
                                    : std::pair(ConfigField::XyAbsolute, kOutOfRange219));
            }
        }
    }
}

TEST_F(Configuration, okRefusesTheFirstEditThatCannotBeTakenAndThenChangesNothing)
{
    using enum ConfigField;
    const struct {
        const char* name;
        const char* level;
        ToleranceOf of;
        const char* percent;
        std::optional<ConfigField> field; // nothing: OK goes through
        std::string message;
    } cases[] = {
        {"a level that is no number", "nine", kXy, "10", LogLevel, kEnterInteger},
        {"the level before the percent", "nine", kXy, "101", LogLevel, kEnterInteger},
        {"a level beyond 16 bits", "32768", kXy, "10", LogLevel, "Please enter an integer between -32768 and 32767."},
        {"the lowest level", "-32768", kXy, "10", std::nullopt, ""},
        {"the highest level", "32767", kXy, "10", std::nullopt, ""},
        {"a percent over 100", "9", kXy, "101", XyPercent, kPercentRange},
        {"a negative percent", "9", kIntens, "-1", IntensityPercent, kPercentRange},
        {"a percent that is no number", "9", kXy, "ten", XyPercent, kEnterInteger},
        {"100 percent", "9", kXy, "100", std::nullopt, ""},
    };
    const std::string before = iniText(settings);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto model = open();
        model.logLevelText = c.level;
        model.editPercent(c.of, c.percent);
        const auto refusal = model.validate();
        ASSERT_EQ(refusal.has_value(), c.field.has_value());
        if (refusal) {
            EXPECT_EQ(std::pair(refusal->field, refusal->message), std::pair(*c.field, c.message));
            EXPECT_FALSE(anyChange(apply(model)));
            EXPECT_EQ(iniText(settings), before) << "a refused OK takes nothing";
        }
    }
}

TEST_F(Configuration, okTakesEveryValueWithTheStoredFormats)
{
    settings.logFile = "/elsewhere/old.log";
    auto model = open();
    model.selectPort(3);
    model.selectBaud(1);
    model.logName = "bench.log";
    model.logLevelText = " 6";
    model.seriellDatei = 1;
    model.resultFile = "/reports/r.txt";
    model.stabilityFile = "/reports/s.txt";
    model.selectDatei = 1;
    model.sensorSettings = "/cfg/";
    model.selectChartTable(2);
    model.editPercent(kIntens, "25");
    model.clickPercent(kXy, false);
    model.editPercent(kXy, "150"); // greyed, so the user cannot mend it: its setting is kept
    model.clickAbsolute(kXy, true);
    model.editAbsolute(kXy, "0.0125");
    model.noChangeXyOffset = 0;

    ASSERT_FALSE(model.validate()) << "an edit the user cannot mend does not refuse OK";
    const auto changes = apply(model);
    EXPECT_TRUE(changes.portOrRate && changes.logFile && changes.chartTable && changes.tolerancesForUnsetSensors);
    // The log moves into the working folder; the intensity's absolute box was turned off as the dialog opened.
    const auto ini = IniFile::parse(iniText(settings));
    const std::pair<const char*, std::string> stored[]
        = {{"COMPORT", "COM3"}, {"Baudrate", "19200"}, {"Log-Datei", work + kNativeSeparator + "bench.log"},
            {"Log-Level", "6"}, {"SeriellDatei", "1"}, {"ResultFile", "/reports/r.txt"},
            {"StabilityFile", "/reports/s.txt"}, {"SelectDatei", "1"}, {"SensorSettings", "/cfg/"}, {"CIETabelle", "2"},
            {"CheckAbwIntens", "1"}, {"AbwIntens", "25"}, {"CheckAbwAbsIntens", "0"}, {"CheckAbwXY", "0"},
            {"AbwXY", "10"}, {"CheckAbwAbsXY", "1"}, {"AbwAbsXY", "0.0125"}, {"NoChangeXYOffset", "0"}};
    for (const auto& [key, value] : stored)
        EXPECT_EQ(ini.getString("SYSTEM", key, "", IniFile::kWholeValue), value) << key;
    EXPECT_EQ(std::pair(mainLog.FilePath(), mainLog.Level()), std::pair(settings.logFile, 6));
    EXPECT_EQ(std::pair(serialLog.FilePath(), serialLog.Level()), std::pair(settings.logFile, 6));
}

TEST_F(Configuration, changeButtonsAskForAFileAndKeepTheTextOnCancel)
{
    test::RecordingDialogs dialogs;
    auto model = open();
    EXPECT_FALSE(model.chooseFile(FileChoice::TestReport, dialogs));
    EXPECT_EQ(model.resultFile, "TestReport.txt");

    const std::string folder = std::string("/data") + kNativeSeparator + "lab" + kNativeSeparator;
    dialogs.fileAnswer = folder + "run.txt";
    EXPECT_TRUE(model.chooseFile(FileChoice::StabilityReport, dialogs));
    EXPECT_EQ(model.stabilityFile, folder + "run.txt");
    EXPECT_TRUE(model.chooseFile(FileChoice::SensorSettings, dialogs));
    EXPECT_EQ(model.sensorSettings, folder) << "the folder, with its separator";
    EXPECT_EQ(dialogs.fileQuestions,
        (std::vector<test::RecordingDialogs::FileQuestion> {
            {"TestReport.txt", "Result file (*.txt)|*.txt| All files (*.*)|*.*||"},
            {"StabilityReport.txt", "Stability file (*.txt)|*.txt| All files (*.*)|*.*||"},
            {"New Path", "All Files (*.*)|*.*||"}}));
}
