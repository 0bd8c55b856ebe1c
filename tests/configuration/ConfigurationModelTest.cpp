#include "configuration/ConfigurationModel.h"

#include "app/Startup.h"
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

    void SetUp() override
    {
        applyLogSettings(settings, mainLog);
        applyLogSettings(settings, serialLog);
    }
    // Without present ports and with COM names, the list is the one every Windows machine shows.
    ConfigurationModel open(const std::vector<PortEntry>& present = {}, bool comNames = true) const
    {
        return ConfigurationModel(settings, work, present, comNames);
    }
};

} // namespace

// ---------------------------------------------------------------- filling

TEST_F(Configuration, opensWithTheConfiguredValuesSelected)
{
    const auto model = open();
    EXPECT_EQ(model.portIndex(), 1) << "COM1, not COM10 or COM100";
    EXPECT_EQ(model.baudTexts(), (std::vector<std::string> {"9600", "19200", "38400", "57600", "115200"}));
    EXPECT_EQ(model.baudIndex(), 4);
    EXPECT_EQ(model.logName, "Lumivex.log");
    EXPECT_EQ(model.logLevelText, "9");
    EXPECT_EQ(model.resultFile, "TestReport.txt");
    EXPECT_EQ(model.stabilityFile, "StabilityReport.txt");
    EXPECT_EQ(model.chartTableIndex(), 0);
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
        Settings taken = settings;
        EXPECT_TRUE(model.apply(taken, mainLog, serialLog).portOrRate);
        EXPECT_EQ(taken.comPort, c.stored);
    }
}

TEST_F(Configuration, valuesOutsideTheListsAreOfferedSoThatOkKeepsThem)
{
    settings.comPort = "/dev/ttyACM3";
    settings.baudrate = 4800;
    settings.cieTabelle = 7;
    const auto model = open();
    ASSERT_EQ(model.portNames().back(), "/dev/ttyACM3");
    EXPECT_EQ(model.portIndex(), static_cast<int>(model.portNames().size()) - 1);
    EXPECT_EQ(model.baudTexts().back(), "4800");
    EXPECT_EQ(model.baudIndex(), 5);
    EXPECT_EQ(model.chartTableIndex(), -1) << "nothing shown for a table that does not exist";

    const auto changes = model.apply(settings, mainLog, serialLog);
    EXPECT_FALSE(changes.portOrRate) << "the port stays open";
    EXPECT_FALSE(changes.chartTable);
    EXPECT_EQ(settings.comPort, "/dev/ttyACM3");
    EXPECT_EQ(settings.baudrate, 4800);
    EXPECT_EQ(settings.cieTabelle, 7);
}

TEST_F(Configuration, logNameIsThePartAfterTheLastSeparatorOfEitherKind)
{
    for (const char* path : {"C:\\Lab\\logs\\run.log", "/var/log/lumivex/run.log", "run.log"}) {
        settings.logFile = path;
        EXPECT_EQ(open().logName, "run.log") << path;
    }
}

TEST_F(Configuration, openingLetsThePercentBoxWinAndEnablesOnlyTheEditOfTheBoxThatIsOn)
{
    // The defaults have all four boxes on.
    auto model = open();
    for (const auto of : {ToleranceOf::Intensity, ToleranceOf::Xy}) {
        const TolerancePair& pair = model.tolerance(of);
        EXPECT_EQ(pair.percentOn, 1);
        EXPECT_EQ(pair.absoluteOn, 0);
        EXPECT_TRUE(pair.percentEnabled);
        EXPECT_FALSE(pair.absoluteEnabled);
    }
    EXPECT_EQ(model.tolerance(ToleranceOf::Intensity).percentText, "10");
    EXPECT_EQ(model.tolerance(ToleranceOf::Intensity).absoluteText, "1000");
    EXPECT_EQ(model.tolerance(ToleranceOf::Xy).absoluteText, "0.01");

    settings.checkAbwIntens = 0;
    settings.checkAbwXy = 0;
    settings.checkAbwAbsXy = 0;
    model = open();
    EXPECT_FALSE(model.tolerance(ToleranceOf::Intensity).percentEnabled);
    EXPECT_TRUE(model.tolerance(ToleranceOf::Intensity).absoluteEnabled);
    EXPECT_FALSE(model.tolerance(ToleranceOf::Xy).percentEnabled);
    EXPECT_FALSE(model.tolerance(ToleranceOf::Xy).absoluteEnabled) << "both off: no edit";
}

TEST_F(Configuration, percentAndAbsoluteBoxesExcludeEachOther)
{
    auto model = open();
    model.clickAbsolute(ToleranceOf::Intensity, true);
    const TolerancePair& intens = model.tolerance(ToleranceOf::Intensity);
    EXPECT_EQ(intens.absoluteOn, 1);
    EXPECT_EQ(intens.percentOn, 0);
    EXPECT_TRUE(intens.absoluteEnabled);
    EXPECT_FALSE(intens.percentEnabled);
    EXPECT_TRUE(model.tolerance(ToleranceOf::Xy).percentEnabled) << "the other quantity is untouched";

    model.clickAbsolute(ToleranceOf::Intensity, false);
    EXPECT_FALSE(intens.absoluteEnabled);
    EXPECT_FALSE(intens.percentEnabled) << "turning a box off enables nothing";

    model.clickPercent(ToleranceOf::Xy, false);
    model.clickAbsolute(ToleranceOf::Xy, true);
    model.clickPercent(ToleranceOf::Xy, true);
    const TolerancePair& xy = model.tolerance(ToleranceOf::Xy);
    EXPECT_EQ(xy.absoluteOn, 0);
    EXPECT_TRUE(xy.percentEnabled);
    EXPECT_FALSE(xy.absoluteEnabled);
}

// ---------------------------------------------------------------- checks

TEST_F(Configuration, absoluteEditsAreCheckedOnceWhenTheyLoseTheFocusAfterAnEdit)
{
    auto model = open();
    EXPECT_FALSE(model.leaveAbsolute(ToleranceOf::Intensity)) << "not edited: no check";

    model.editAbsolute(ToleranceOf::Intensity, "-1");
    auto refusal = model.leaveAbsolute(ToleranceOf::Intensity);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->message, kOutOfRange218);
    EXPECT_EQ(refusal->field, ConfigField::IntensityAbsolute);
    EXPECT_FALSE(model.leaveAbsolute(ToleranceOf::Intensity)) << "the flag is cleared: the box comes once";

    for (const char* bad : {"32768", "abc", "", "12x"}) {
        model.editAbsolute(ToleranceOf::Intensity, bad);
        EXPECT_TRUE(model.leaveAbsolute(ToleranceOf::Intensity)) << bad;
    }
    for (const char* good : {"0", "32767", " 500 "}) {
        model.editAbsolute(ToleranceOf::Intensity, good);
        EXPECT_FALSE(model.leaveAbsolute(ToleranceOf::Intensity)) << good;
    }

    for (const char* bad : {"-0.0001", "1", "0.99991", "x"}) {
        model.editAbsolute(ToleranceOf::Xy, bad);
        refusal = model.leaveAbsolute(ToleranceOf::Xy);
        ASSERT_TRUE(refusal) << bad;
        EXPECT_EQ(refusal->message, kOutOfRange219);
    }
    for (const char* good : {"0", "0.9999", "0.05", "1e-3"}) {
        model.editAbsolute(ToleranceOf::Xy, good);
        EXPECT_FALSE(model.leaveAbsolute(ToleranceOf::Xy)) << good;
    }
}

TEST_F(Configuration, okRefusesALevelThatIsNotA16BitInteger)
{
    auto model = open();
    for (const auto& [bad, message] : {std::pair {"nine", "Please enter an integer."},
             std::pair {"32768", "Please enter an integer between -32768 and 32767."}}) {
        model.logLevelText = bad;
        const auto refusal = model.validate();
        ASSERT_TRUE(refusal) << bad;
        EXPECT_EQ(refusal->field, ConfigField::LogLevel);
        EXPECT_EQ(refusal->message, message);
    }

    for (const char* good : {"-32768", "32767", "0", "6"}) {
        model.logLevelText = good;
        EXPECT_FALSE(model.validate()) << good;
    }
}

TEST_F(Configuration, okRefusesEnabledTolerancesOutOfRangeAndChangesNothing)
{
    auto model = open();
    const std::string before = iniText(settings);

    model.editPercent(ToleranceOf::Xy, "101");
    auto refusal = model.validate();
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->field, ConfigField::XyPercent);
    EXPECT_EQ(refusal->message, "Please enter an integer between 0 and 100.");
    model.editPercent(ToleranceOf::Xy, "ten");
    EXPECT_EQ(model.validate()->message, "Please enter an integer.");
    model.editPercent(ToleranceOf::Xy, "100");
    EXPECT_FALSE(model.validate());

    model.clickAbsolute(ToleranceOf::Intensity, true);
    model.editAbsolute(ToleranceOf::Intensity, "-5");
    refusal = model.validate();
    ASSERT_TRUE(refusal) << "a negative tolerance would fail every sensor";
    EXPECT_EQ(refusal->field, ConfigField::IntensityAbsolute);
    EXPECT_EQ(refusal->message, kOutOfRange218);

    const auto changes = model.apply(settings, mainLog, serialLog);
    EXPECT_FALSE(changes.portOrRate || changes.chartTable || changes.tolerancesForUnsetSensors);
    EXPECT_EQ(iniText(settings), before) << "a refused OK takes nothing";
}

TEST_F(Configuration, aDisabledEditThatCannotBeTakenKeepsItsSetting)
{
    auto model = open();
    model.editPercent(ToleranceOf::Intensity, "150");
    model.clickAbsolute(ToleranceOf::Intensity, true); // disables the percent edit
    model.editAbsolute(ToleranceOf::Intensity, "250");
    ASSERT_FALSE(model.validate()) << "the user cannot correct an edit that is greyed";

    model.apply(settings, mainLog, serialLog);
    EXPECT_EQ(settings.abwIntens, 10);
    EXPECT_EQ(settings.checkAbwIntens, 0);
    EXPECT_EQ(settings.checkAbwAbsIntens, 1);
    EXPECT_EQ(settings.abwAbsIntens, 250);
}

// ---------------------------------------------------------------- OK and Cancel

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

    const auto changes = model.apply(settings, mainLog, serialLog);
    EXPECT_TRUE(changes.portOrRate);
    EXPECT_TRUE(changes.logFile);
    EXPECT_TRUE(changes.chartTable);
    EXPECT_TRUE(changes.tolerancesForUnsetSensors);

    EXPECT_EQ(settings.comPort, "COM3");
    EXPECT_EQ(settings.baudrate, 19200);
    EXPECT_EQ(settings.logFile, work + kNativeSeparator + "bench.log") << "moved into the working folder";
    EXPECT_EQ(settings.logLevel, 6);
    EXPECT_EQ(settings.seriellDatei, 1);
    EXPECT_EQ(settings.resultFile, "/reports/r.txt");
    EXPECT_EQ(settings.stabilityFile, "/reports/s.txt");
    EXPECT_EQ(settings.selectDatei, 1);
    EXPECT_EQ(settings.sensorSettings, "/cfg/");
    EXPECT_EQ(settings.cieTabelle, 2);
    EXPECT_EQ(settings.checkAbwIntens, 1);
    EXPECT_EQ(settings.abwIntens, 25);
    EXPECT_EQ(settings.checkAbwAbsIntens, 0) << "turned off as the dialog opened";
    EXPECT_EQ(settings.checkAbwXy, 0);
    EXPECT_EQ(settings.checkAbwAbsXy, 1);
    EXPECT_FLOAT_EQ(settings.abwAbsXy, 0.0125f);
    EXPECT_EQ(settings.noChangeXyOffset, 0);

    IniFile ini;
    saveSettings(settings, ini);
    EXPECT_EQ(ini.getString("SYSTEM", "Baudrate", ""), "19200");
    EXPECT_EQ(ini.getString("SYSTEM", "AbwAbsXY", ""), "0.0125");
}

TEST_F(Configuration, bothLogWritersFollowAtOnceAndLevelZeroSilencesThem)
{
    auto model = open();
    model.logName = "moved.log";
    model.logLevelText = "0";
    model.apply(settings, mainLog, serialLog);
    const std::string moved = work + kNativeSeparator + "moved.log";
    EXPECT_EQ(mainLog.FilePath(), moved);
    EXPECT_EQ(serialLog.FilePath(), moved);
    EXPECT_EQ(mainLog.Level(), 0);
    EXPECT_EQ(serialLog.Level(), 0);
    mainLog.WriteLog(0, "main");
    serialLog.WriteLog(0, "serial");
    EXPECT_FALSE(std::filesystem::exists(moved)) << "level 0 writes nothing";

    auto again = ConfigurationModel(settings, work, {}, true);
    again.logLevelText = "9";
    again.apply(settings, mainLog, serialLog);
    serialLog.WriteLog(6, "serial line");
    EXPECT_NE(test::readFile(moved).find("serial line"), std::string::npos);
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
    const auto changes = model.apply(settings, mainLog, serialLog);
    EXPECT_FALSE(changes.portOrRate || changes.chartTable || changes.tolerancesForUnsetSensors || changes.logFile);
    EXPECT_EQ(settings.logFile, "/elsewhere/old.log") << "the log stays where it is";
    EXPECT_EQ(mainLog.FilePath(), "/elsewhere/old.log");
}

TEST_F(Configuration, cancelLeavesSettingsAndWritersAsTheyWere)
{
    const std::string before = iniText(settings);
    {
        auto model = open();
        model.selectPort(0);
        model.selectBaud(0);
        model.logName = "other.log";
        model.logLevelText = "0";
        model.clickAbsolute(ToleranceOf::Intensity, true);
        model.selectChartTable(1);
    }
    EXPECT_EQ(iniText(settings), before);
    EXPECT_EQ(mainLog.Level(), 9);
    EXPECT_EQ(mainLog.FilePath(), work + kNativeSeparator + "Lumivex.log");
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
