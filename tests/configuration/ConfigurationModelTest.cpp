#include "configuration/ConfigurationModel.h"

#include "foundation/CGlobal.h"
#include "foundation/IniFile.h"
#include "foundation/IniLocation.h"

#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace lumivex;

namespace {

const std::string kOutOfRange218 = "Out of range: 0 .. 32767 ";
const std::string kOutOfRange219 = "Out of range: -0.9999 .. 0.9999";
const std::string kEnterInteger = "Please enter an integer.";

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
    // The [SYSTEM] values as the settings file would store them.
    void expectStored(std::initializer_list<std::pair<const char*, std::string>> values) const
    {
        const auto ini = IniFile::parse(iniText(settings));
        for (const auto& [key, value] : values)
            EXPECT_EQ(ini.getString("SYSTEM", key, "", IniFile::kWholeValue), value) << key;
    }
};

} // namespace

// ---------------------------------------------------------------- filling

TEST_F(Configuration, opensWithTheConfiguredValuesAndOffersThoseOutsideTheListsSoThatOkKeepsThem)
{
    auto model = open();
    EXPECT_EQ(model.baudTexts(), (std::vector<std::string> {"9600", "19200", "38400", "57600", "115200"}));
    EXPECT_EQ(model.baudIndex(), 4);
    EXPECT_EQ(model.logLevelText, "9");
    EXPECT_EQ(model.stabilityFile, "StabilityReport.txt");
    EXPECT_EQ(model.chartTableIndex(), 0);

    settings.baudrate = 4800;
    settings.cieTabelle = 3;
    model = open();
    EXPECT_EQ(model.baudTexts().back(), "4800");
    EXPECT_EQ(model.baudIndex(), 5);
    EXPECT_EQ(model.chartTableIndex(), -1) << "nothing shown for a table that does not exist";
    const auto changes = apply(model);
    EXPECT_FALSE(changes.portOrRate) << "the port stays open";
    EXPECT_FALSE(changes.chartTable) << "and the chart as it is";

    // The log's name is the part after the last separator of either kind.
    for (const char* path : {"C:\\Lab\\logs\\run.log", "/var/log/lumivex/run.log", "run.log"}) {
        settings.logFile = path;
        EXPECT_EQ(open().logName, "run.log") << path;
    }
}

TEST_F(Configuration, portListOffersPresentPortsFirstAndComNamesOnlyWhereTheyExist)
{
    const std::string dash = " \x97 ";
    const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0";
    const std::vector<PortEntry> linuxPorts {{"/dev/ttyUSB0", "FT232R USB UART"}, {"/dev/ttyS0", ""},
        {byId, "link to /dev/ttyUSB0"}, {"/dev/ttyUSB0", "listed twice"}, {"SIM", ""}};
    struct Case {
        const char* name;
        std::vector<PortEntry> present;
        bool comNames;
        std::string configured;
        std::vector<std::string> firstLabels; // the head of the list, as shown
        std::size_t size;
        std::string last; // the name at the end of the list
    };
    const std::vector<Case> cases {
        {"linux: present ports with descriptions, no COM names, configured port kept at the end", linuxPorts, false,
            "/dev/pts/7",
            {"Auto", "/dev/ttyUSB0" + dash + "FT232R USB UART", "/dev/ttyS0", byId + dash + "link to /dev/ttyUSB0",
                "SIM"},
            6, "/dev/pts/7"},
        {"linux: a configured present port is not listed twice", linuxPorts, false, "/dev/ttyUSB0", {"Auto"}, 5, "SIM"},
        {"linux: nothing present leaves Auto and the configured name", {}, false, "COM1", {"Auto", "COM1"}, 2, "COM1"},
        {"windows: present COM3 first with its description, then COM1..COM256 without it again",
            {{"COM3", "USB Serial Port"}}, true, "COM1",
            {"Auto", "COM3" + dash + "USB Serial Port", "COM1", "COM2", "COM4"}, 1 + 256, "COM256"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings.comPort = c.configured;
        const auto model = open(c.present, c.comNames);
        ASSERT_EQ(model.portLabels().size(), model.portNames().size());
        ASSERT_EQ(model.portNames().size(), c.size);
        EXPECT_EQ(
            std::vector<std::string>(model.portLabels().begin(), model.portLabels().begin() + c.firstLabels.size()),
            c.firstLabels);
        EXPECT_EQ(model.portNames().back(), c.last);
        ASSERT_GE(model.portIndex(), 0);
        EXPECT_EQ(model.portNames()[static_cast<std::size_t>(model.portIndex())], c.configured);
    }
}

TEST_F(Configuration, portTakenOnOkIsTheNameWhetherPickedOrTyped)
{
    const std::vector<PortEntry> present {{"/dev/ttyUSB0", "FT232R USB UART"}, {"/dev/ttyACM0", "Sensor"}};
    struct Case {
        const char* name;
        std::string typed; // as the list's edit shows it
        std::string stored;
    };
    const std::vector<Case> cases {
        {"a label stores only its port name", "/dev/ttyUSB0 \x97 FT232R USB UART", "/dev/ttyUSB0"},
        {"a typed pseudo-terminal is kept", "/dev/pts/3", "/dev/pts/3"},
        {"blanks around a typed path are dropped", "  /dev/serial/by-id/usb-x  ", "/dev/serial/by-id/usb-x"},
        {"a typed name that is also listed", "/dev/ttyACM0", "/dev/ttyACM0"},
        {"Auto", "Auto", "Auto"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings.comPort = "COM1";
        auto model = open(present, false);
        model.typePort(c.typed);
        EXPECT_EQ(model.port(), c.stored);
        EXPECT_TRUE(apply(model).portOrRate);
        EXPECT_EQ(settings.comPort, c.stored);
    }
}

TEST_F(Configuration, atMostOneToleranceBoxIsOnAndOnlyItsEditIsEnabled)
{
    struct Case {
        const char* name;
        ToleranceOf of;
        int percentOn, absoluteOn; // as configured
        const char* clicks; // 'P'/'p' turns the percent box on/off, 'A'/'a' the absolute one
        std::array<int, 4> state; // percentOn, absoluteOn, percentEnabled, absoluteEnabled
    };
    const Case cases[] = {
        {"opening: the percent box wins", ToleranceOf::Intensity, 1, 1, "", {1, 0, 1, 0}},
        {"opening: absolute alone", ToleranceOf::Intensity, 0, 1, "", {0, 1, 0, 1}},
        {"opening: both off, no edit", ToleranceOf::Xy, 0, 0, "", {0, 0, 0, 0}},
        {"absolute on turns percent off", ToleranceOf::Intensity, 1, 1, "A", {0, 1, 0, 1}},
        {"turning a box off enables nothing", ToleranceOf::Intensity, 1, 1, "Aa", {0, 0, 0, 0}},
        {"percent on turns absolute off", ToleranceOf::Xy, 0, 1, "pAP", {1, 0, 1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool intensity = c.of == ToleranceOf::Intensity;
        (intensity ? settings.checkAbwIntens : settings.checkAbwXy) = c.percentOn;
        (intensity ? settings.checkAbwAbsIntens : settings.checkAbwAbsXy) = c.absoluteOn;
        auto model = open();
        for (const char* k = c.clicks; *k; ++k) {
            if (*k == 'P' || *k == 'p')
                model.clickPercent(c.of, *k == 'P');
            else
                model.clickAbsolute(c.of, *k == 'A');
        }
        const TolerancePair& p = model.tolerance(c.of);
        EXPECT_EQ((std::array<int, 4> {p.percentOn, p.absoluteOn, p.percentEnabled, p.absoluteEnabled}), c.state);
        const TolerancePair& other = model.tolerance(intensity ? ToleranceOf::Xy : ToleranceOf::Intensity);
        EXPECT_TRUE(other.percentEnabled && !other.absoluteEnabled) << "the other quantity is untouched";
        settings = loadSettings(IniFile {}, work);
    }
    const auto model = open();
    EXPECT_EQ(model.tolerance(ToleranceOf::Intensity).percentText, "10");
    EXPECT_EQ(model.tolerance(ToleranceOf::Intensity).absoluteText, "1000");
    EXPECT_EQ(model.tolerance(ToleranceOf::Xy).absoluteText, "0.01");
}

// ---------------------------------------------------------------- checks

TEST_F(Configuration, absoluteEditsAreCheckedOnceWhenTheyLoseTheFocusAfterAnEdit)
{
    auto model = open();
    EXPECT_FALSE(model.leaveAbsolute(ToleranceOf::Intensity)) << "not edited: no check";
    model.editAbsolute(ToleranceOf::Intensity, "-1");
    ASSERT_TRUE(model.leaveAbsolute(ToleranceOf::Intensity));
    EXPECT_FALSE(model.leaveAbsolute(ToleranceOf::Intensity)) << "the flag is cleared: the box comes once";

    const auto intens = ToleranceOf::Intensity;
    const auto xy = ToleranceOf::Xy;
    const struct {
        ToleranceOf of;
        const char* text;
        bool refused;
    } cases[] = {{intens, "-1", true}, {intens, "32768", true}, {intens, "abc", true}, {intens, "", true},
        {intens, "12x", true}, {intens, "0", false}, {intens, "32767", false}, {intens, " 0 ", false},
        {xy, "-0.0001", true}, {xy, "0.99991", true}, {xy, "x", true}, {xy, "0", false}, {xy, "0.9999", false},
        {xy, "1e-3", false}};
    for (const auto& c : cases) {
        model.editAbsolute(c.of, c.text);
        const auto refusal = model.leaveAbsolute(c.of);
        ASSERT_EQ(refusal.has_value(), c.refused) << c.text;
        if (!refusal)
            continue;
        EXPECT_EQ(refusal->message, c.of == intens ? kOutOfRange218 : kOutOfRange219) << c.text;
        EXPECT_EQ(refusal->field, c.of == intens ? ConfigField::IntensityAbsolute : ConfigField::XyAbsolute);
    }
}

TEST_F(Configuration, okRefusesTheFirstEditThatCannotBeTakenAndThenChangesNothing)
{
    struct Case {
        const char* name;
        const char* level;
        ToleranceOf of;
        bool absolute; // the edit below is the absolute one, its box turned on
        const char* text;
        std::optional<ConfigField> field; // nothing: OK goes through
        std::string message;
    };
    using enum ConfigField;
    const auto intens = ToleranceOf::Intensity;
    const auto xy = ToleranceOf::Xy;
    const Case cases[] = {
        {"a level that is no number", "nine", xy, false, "10", LogLevel, kEnterInteger},
        {"a level beyond 16 bits", "32768", xy, false, "10", LogLevel,
            "Please enter an integer between -32768 and 32767."},
        {"the lowest level", "-32768", xy, false, "10", std::nullopt, ""},
        {"the highest level", "32767", xy, false, "10", std::nullopt, ""},
        {"a percent over 100", "9", xy, false, "101", XyPercent, "Please enter an integer between 0 and 100."},
        {"a negative percent", "9", intens, false, "-1", IntensityPercent,
            "Please enter an integer between 0 and 100."},
        {"a percent that is no number", "9", xy, false, "ten", XyPercent, kEnterInteger},
        {"100 percent", "9", xy, false, "100", std::nullopt, ""},
        {"a negative tolerance would fail every sensor", "9", intens, true, "-5", IntensityAbsolute, kOutOfRange218},
        {"an xy tolerance of 1", "9", xy, true, "1", XyAbsolute, kOutOfRange219},
    };
    const std::string before = iniText(settings);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto model = open();
        model.logLevelText = c.level;
        if (c.absolute) {
            model.clickAbsolute(c.of, true);
            model.editAbsolute(c.of, c.text);
        } else {
            model.editPercent(c.of, c.text);
        }
        const auto refusal = model.validate();
        ASSERT_EQ(refusal.has_value(), c.field.has_value());
        if (!refusal)
            continue;
        EXPECT_EQ(refusal->field, *c.field);
        EXPECT_EQ(refusal->message, c.message);
        const auto changes = apply(model);
        EXPECT_FALSE(changes.portOrRate || changes.chartTable || changes.tolerancesForUnsetSensors);
        EXPECT_EQ(iniText(settings), before) << "a refused OK takes nothing";
    }
}

TEST_F(Configuration, aDisabledEditThatCannotBeTakenKeepsItsSetting)
{
    auto model = open();
    model.editPercent(ToleranceOf::Intensity, "150");
    model.clickAbsolute(ToleranceOf::Intensity, true); // disables the percent edit
    model.editAbsolute(ToleranceOf::Intensity, "250");
    ASSERT_FALSE(model.validate()) << "the user cannot correct an edit that is greyed";

    apply(model);
    expectStored({{"AbwIntens", "10"}, {"CheckAbwIntens", "0"}, {"CheckAbwAbsIntens", "1"}, {"AbwAbsIntens", "250"}});
}

// ---------------------------------------------------------------- OK

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
    model.editPercent(ToleranceOf::Intensity, "25");
    model.clickPercent(ToleranceOf::Xy, false);
    model.clickAbsolute(ToleranceOf::Xy, true);
    model.editAbsolute(ToleranceOf::Xy, "0.0125");
    model.noChangeXyOffset = 0;

    const auto changes = apply(model);
    EXPECT_TRUE(changes.portOrRate);
    EXPECT_TRUE(changes.logFile);
    EXPECT_TRUE(changes.chartTable);
    EXPECT_TRUE(changes.tolerancesForUnsetSensors);

    // The log moves into the working folder; the intensity's absolute box was turned off as the dialog opened.
    expectStored({{"COMPORT", "COM3"}, {"Baudrate", "19200"}, {"Log-Datei", work + kNativeSeparator + "bench.log"},
        {"Log-Level", "6"}, {"SeriellDatei", "1"}, {"ResultFile", "/reports/r.txt"},
        {"StabilityFile", "/reports/s.txt"}, {"SelectDatei", "1"}, {"SensorSettings", "/cfg/"}, {"CIETabelle", "2"},
        {"CheckAbwIntens", "1"}, {"AbwIntens", "25"}, {"CheckAbwAbsIntens", "0"}, {"CheckAbwXY", "0"},
        {"CheckAbwAbsXY", "1"}, {"AbwAbsXY", "0.0125"}, {"NoChangeXYOffset", "0"}});

    // Both log writers follow at once; level 0 silences them.
    EXPECT_EQ(mainLog.FilePath(), settings.logFile);
    EXPECT_EQ(serialLog.FilePath(), settings.logFile);
    EXPECT_EQ(mainLog.Level(), 6);
    EXPECT_EQ(serialLog.Level(), 6);
    model = open();
    model.logLevelText = "0";
    apply(model);
    EXPECT_EQ(mainLog.Level(), 0);
    EXPECT_EQ(serialLog.Level(), 0);
}

TEST_F(Configuration, samePortAndRateEmptyLogNameAndAllBoxesOffChangeNothingOutside)
{
    settings.logFile = "/elsewhere/old.log";
    auto model = open();
    model.selectPort(1); // COM1 again
    model.selectBaud(4);
    model.logName.clear();
    model.clickPercent(ToleranceOf::Intensity, false);
    model.clickPercent(ToleranceOf::Xy, false);
    const auto changes = apply(model);
    EXPECT_FALSE(changes.portOrRate || changes.chartTable || changes.tolerancesForUnsetSensors || changes.logFile);
    EXPECT_EQ(settings.logFile, "/elsewhere/old.log") << "the log stays where it is";
    EXPECT_EQ(mainLog.FilePath(), "/elsewhere/old.log");
}

TEST(UnsetSensorTolerances, carryOnlyTheQuantitiesWhoseBoxIsExactlyOne)
{
    Settings settings;
    settings.checkAbwIntens = 1;
    settings.abwIntens = 12;
    settings.checkAbwXy = 0;
    settings.checkAbwAbsIntens = 2;
    settings.checkAbwAbsXy = 1;
    settings.abwAbsXy = 0.02f;
    const auto tolerances = unsetSensorTolerances(settings);
    EXPECT_EQ(tolerances.intensityPercent, std::optional<std::int16_t>(12));
    EXPECT_FALSE(tolerances.xyPercent);
    EXPECT_FALSE(tolerances.intensityAbsolute);
    EXPECT_EQ(tolerances.xyAbsolute, std::optional<float>(0.02f));
}

// ---------------------------------------------------------------- "Change" buttons

TEST_F(Configuration, changeButtonsAskForAFileAndKeepTheTextOnCancel)
{
    test::RecordingDialogs dialogs;
    auto model = open();

    EXPECT_FALSE(model.chooseFile(FileChoice::TestReport, dialogs));
    EXPECT_EQ(model.resultFile, "TestReport.txt");
    ASSERT_EQ(dialogs.fileQuestions.size(), 1u);
    EXPECT_EQ(dialogs.fileQuestions[0].initialName, "TestReport.txt");
    EXPECT_EQ(dialogs.fileQuestions[0].filter, "Result file (*.txt)|*.txt| All files (*.*)|*.*||");

    const std::string chosen = std::string("/data") + kNativeSeparator + "lab" + kNativeSeparator + "run.txt";
    dialogs.fileAnswer = chosen;
    EXPECT_TRUE(model.chooseFile(FileChoice::StabilityReport, dialogs));
    EXPECT_EQ(model.stabilityFile, chosen);
    EXPECT_EQ(dialogs.fileQuestions[1].initialName, "StabilityReport.txt");
    EXPECT_EQ(dialogs.fileQuestions[1].filter, "Stability file (*.txt)|*.txt| All files (*.*)|*.*||");

    EXPECT_TRUE(model.chooseFile(FileChoice::SensorSettings, dialogs));
    EXPECT_EQ(model.sensorSettings, std::string("/data") + kNativeSeparator + "lab" + kNativeSeparator)
        << "the folder, with its separator";
    EXPECT_EQ(dialogs.fileQuestions[2].initialName, "New Path");
    EXPECT_EQ(dialogs.fileQuestions[2].filter, "All Files (*.*)|*.*||");
}
