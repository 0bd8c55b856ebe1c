// The main window's core on the simulated device in virtual time: the connection, the test chains,
// the commands, the list, the menu and the end, failing devices and time-outs; and, however the
// device shapes its replies on the line and whatever stray bytes arrive, the values a clean line gives.
#include "app/Startup.h"
#include "base/VirtualScheduler.h"
#include "foundation/IniFile.h"
#include "foundation/StringTable.h"
#include "main/MainFrame.h"
#include "multisensor/CKonfList.h"
#include "sim/SimRequest.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

#include "InjectingBackend.h"
#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

using namespace lumivex;
using namespace lumivex::test;
using testing::AllOf;
using testing::Ge;
using testing::Lt;

// The device configurations name only what differs from the defaults.
#if defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif

namespace {

using Texts = std::vector<std::string>;
using Requests = Texts;

SimConfig firmware(int number, int boards = 1)
{
    return {.firmware = number, .boards = boards};
}
const auto text = [](StringId id) { return std::string(stringText(id)); };
const auto noValidResponse = [](int number) { return "No valid response from command " + std::to_string(number); };

// MainFrame (its engine, view, lists and runs), with its settings and log in a folder of its own.
struct SequencerBench {
    explicit SequencerBench(
        const SimConfig& simConfig = firmware(1007), SimPortConfig ports = {}, const std::string& comPort = "SIM")
        : device(scheduler, simConfig),
          backend(scheduler, device, ports),
          wire(backend),
          frame(scheduler, wire, dialogs),
          sequencer(initialise("[SYSTEM]\r\nCOMPORT=" + comPort + "\r\nSelChart=3\r\n; kept\r\n")),
          config(frame.Config()),
          view(frame.View()),
          state(frame.State()),
          port(frame.Port())
    {
    }

    // Runs virtual time until nothing is awaited and no chain runs (or the limit passes).
    void settle(int limitMs = 20000)
    {
        pumpUntil([this] { return !sequencer.ReplyAwaited() && !sequencer.ChainRunning(); }, limitMs);
    }
    // Pumps until the condition holds; false when it did not within the limit (virtual time).
    template<class Condition> bool pumpUntil(Condition done, int limitMs = 20000)
    {
        const auto end = scheduler.nowMicros() + std::int64_t(limitMs) * 1000;
        while (!done() && scheduler.nowMicros() < end)
            scheduler.pumpOnce();
        return done();
    }
    bool untilCommand(int number)
    {
        return pumpUntil([this, number] { return sequencer.CommandNumber() == number; });
    }
    void connect()
    {
        sequencer.Connect();
        settle();
    }
    std::size_t sentCount() const { return sequencer.SentRequests().size(); }
    Requests sentSince(std::size_t from) const
    {
        const auto& sent = sequencer.SentRequests();
        return Requests(sent.begin() + static_cast<std::ptrdiff_t>(from), sent.end());
    }
    Requests runTest(int limitMs = 20000)
    {
        const auto from = sentCount();
        sequencer.StartTest();
        settle(limitMs);
        return sentSince(from);
    }
    // The sensor with that list number takes part in runs, with nothing to send.
    CKonfList& enable(int index)
    {
        CKonfList& record = *frame.SensorSettings().settingsByIndex(index);
        record.TestMode = kKonfManualCapture;
        record.MeasureTime = kKonfMeasureTime200ms;
        record.ChangeFlags = 0;
        return record;
    }
    ReadingRow row(int index) const
    {
        ReadingRow r;
        EXPECT_TRUE(frame.Readings().rowOf(index, r)) << index;
        return r;
    }
    // The flags set, of: port switched open, its handle open, window shown connected, START TEST
    // enabled, a reply awaited, a chain running, the last chain failed, the last reply timed out.
    std::string flags() const
    {
        const MeasurementSequencer& s = sequencer;
        const std::pair<bool, const char*> flags[] = {{!s.PortClosed(), "port"}, {port.IsOpen(), "handle"},
            {!s.DisconnectedShown(), "shown"}, {s.StartEnabled(), "start"}, {s.ReplyAwaited(), "awaiting"},
            {s.ChainRunning(), "chain"}, {s.ChainFailed(), "failed"}, {s.TimedOut(), "timed-out"}};
        std::string out;
        for (const auto& [on, name] : flags)
            out += on ? (out.empty() ? "" : " ") + std::string(name) : "";
        return out;
    }
    std::int64_t ticksSince(std::int64_t micros) const { return (scheduler.nowMicros() - micros) / 10000; }
    std::string logText() const { return readFile(dir.file("Lumivex.log")); }

    TempDir dir;
    VirtualScheduler scheduler;
    RecordingDialogs dialogs;
    SimulatedDevice device;
    SimSerialBackend backend;
    InjectingBackend wire; // what the program reads: the device's bytes and any a test slips in
    MainFrame frame;
    MeasurementSequencer& sequencer;
    TestConfiguration& config;
    ResultView& view;
    StartupState& state;
    CSeriell& port;

private:
    MeasurementSequencer& initialise(const std::string& ini)
    {
        writeFile(dir.file("Lumivex.ini"), ini);
        frame.Initialise(iniLocationOf(dir.file("Lumivex.ini")));
        return frame.Sequencer();
    }
};

struct ConnectedBench : SequencerBench {
    explicit ConnectedBench(const SimConfig& simConfig = firmware(1007)) : SequencerBench(simConfig) { connect(); }
};

// Calls back while the run waits between its steps, and counts the runs that started.
class ProgressHook : public NoRunView {
public:
    void ShowProgress(int, int) override { onProgress(); }
    void EnablePerform(bool enabled) override { runs += enabled ? 0 : 1; }
    std::function<void()> onProgress = [] {};
    int runs = 0;
};

// The menu's switches as 0/1: connect, disconnect, start test, reset board, measurements, measurement
// settings, open and save colour report, start stability, open stability report.
std::string switches(const MenuState& m)
{
    std::string out;
    for (const bool on : {m.connect, m.disconnect, m.startTest, m.resetBoard, m.measurements, m.measurementSettings,
             m.openColourReport, m.saveColourReport, m.startStability, m.openStabilityReport})
        out += on ? '1' : '0';
    return out;
}

// A normal test after the trouble: every value arrives and nothing is reported.
void expectHealthyTest(SequencerBench& bench)
{
    bench.dialogs.messages.clear();
    bench.dialogs.problems.clear();
    EXPECT_EQ(bench.runTest().size(), 8u);
    EXPECT_TRUE(bench.sequencer.ResultValid() && bench.view.LastTestNumbers().rawIntensity > 0);
    EXPECT_EQ(bench.flags(), "port handle shown start");
    EXPECT_TRUE(bench.dialogs.messages.empty()) << bench.dialogs.messages.front();
}

} // namespace

TEST(SequencerConnection, theChainAndOthersMeasuringShowInTheWindowAsThePortSettingDoes)
{
    SequencerBench bench({.boards = 3, .longIdentity = true}); // "getserial", "getversion" echoed before their replies
    // Button | status line | port line | the port CONNECT will open | START TEST and CONNECT enabled.
    const auto texts = [&bench] {
        const ConnectionTexts& c = bench.view.Display().Connection();
        return c.connectButton + "|" + c.statusLine + "|" + c.portLine + "|" + c.portToUse + "|"
            + (c.startEnabled ? "1" : "0") + (c.connectEnabled ? "1" : "0");
    };
    EXPECT_EQ(texts(), "CONNECT|NOT|CONNECTED|Port: SIM|01");
    bench.connect();
    EXPECT_EQ(bench.flags() + " / " + texts(), "port handle shown start / DISCONNECT|CONNECTED|SIM||11");
    EXPECT_EQ(bench.sequencer.SentRequests(), (Requests {"gethw\r", "testcon\r", "getserial\r", "getversion\r"}));
    EXPECT_EQ(std::make_tuple(bench.view.StatusText(), bench.sequencer.FirmwareNumber(), bench.sequencer.HardwareText(),
                  bench.config.boardList, bench.frame.Readings().sensorCount()),
        std::make_tuple("Lumivex 3 Board(s) connected \r\nSerial Number: 1042 \r\nFirmware Number: 1007 ", 1007,
            "LVXCS5-R2", Texts {"Board1", "Board2", "Board3"}, 15));
    const auto log = bench.logText();
    // An identity reply is logged whole, not from its last line as a value reply is.
    for (const char* line : {"Befehl testcon\r - aufgerufen", "R\374ckmeldung OK von Befehl 1",
             "R\374ckmeldung getversion\r\r\n1007\r\r\n von Befehl 18"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    bench.frame.Stability().measuring = true;
    bench.scheduler.advance(std::chrono::milliseconds(30));
    EXPECT_EQ(bench.flags() + " / " + texts(), "port handle shown / DISCONNECT|CONNECTED|SIM||00");

    // A reply that arrives meanwhile stays in the port until the engine may read again.
    bench.frame.Stability().measuring = false;
    bench.sequencer.SendDeviceCommand(DeviceCommand::GetHw);
    bench.frame.Stability().measuring = true;
    bench.scheduler.advance(std::chrono::milliseconds(100));
    EXPECT_EQ(bench.flags() + " / " + std::to_string(bench.backend.bytesQueued()), "port handle shown awaiting / 10");
    bench.frame.Stability().measuring = false;
    bench.scheduler.advance(std::chrono::milliseconds(20));
    EXPECT_EQ(bench.flags() + " / " + texts(), "port handle shown start / DISCONNECT|CONNECTED|SIM||11");

    // A port chosen while connected waits for the next connection; others finishing while
    // disconnected must not offer START TEST.
    bench.state.settings.comPort = "COM3";
    bench.view.PortSettingChanged();
    EXPECT_EQ(texts(), "DISCONNECT|CONNECTED|SIM||11");
    bench.frame.Stability().measuring = true;
    bench.scheduler.advance(std::chrono::milliseconds(20));
    bench.sequencer.Disconnect();
    EXPECT_EQ(texts(), "CONNECT|NOT|CONNECTED|Port: COM3|00");
    bench.scheduler.advance(std::chrono::milliseconds(20));
    EXPECT_EQ(texts(), "CONNECT|NOT|CONNECTED|Port: COM3|01");
}

TEST(SequencerConnection, autoTriesEveryListedPortSilentlyAndGoesBackToAutoWhenNoneAnswers)
{
    for (const bool answers : {true, false}) {
        SCOPED_TRACE(answers ? "the device on the seventh port" : "nothing answers");
        SequencerBench bench(firmware(1007), {.silentPorts = {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6"}}, "Auto");
        if (!answers)
            bench.device.faults().silentOn = {"gethw"};
        bench.connect();
        EXPECT_EQ(bench.state.settings.comPort, answers ? "SIM" : "Auto") << "the setting holds the port found";
        EXPECT_TRUE(bench.dialogs.messages.empty()) << "time-outs while detecting show nothing";
        EXPECT_EQ(bench.flags(), answers ? "port handle shown start" : "failed timed-out");
        if (answers) {
            EXPECT_EQ(bench.view.Display().Connection().portLine, "SIM") << "the port the search found";
            // Six silent candidates, each given up after 51 ticks.
            EXPECT_THAT(bench.ticksSince(0), AllOf(Ge(6 * 51), Lt(6 * 51 + 30)));
        }
    }
}

TEST(SequencerTest, chainsAndTheirRepliesFollowTheFirmware)
{
    const Requests five = {"capture211 1\r", "getrgbi1 1\r", "gethsi1 1\r", "getxy1 1\r", "getctemp1 1\r"};
    // With `pieces`, "getrgbi"'s line arrives as 18 bytes, then the rest 50 ms later: firmware
    // 1006's "255 128 000 01234" with its line end is whole then, 1007's 21 bytes are not.
    const std::tuple<int, bool, Requests> cases[]
        = {{1003, false, {"capture211 1\r", "getrgbi1 1\r", "gethsi1 1\r", "getxy1 1\r"}}, {1005, false, five},
            {1006, true, five},
            {1007, true,
                {"capture211 1\r", "getrgbi1 1\r", "gethsi1 1\r", "getxy1 1\r", "getctemp1 1\r", "getxoffset1 1\r",
                    "getyoffset1 1\r", "getdistance1 1\r"}}};
    for (const auto& [fw, pieces, expected] : cases) {
        SCOPED_TRACE(fw);
        ConnectedBench bench(firmware(fw));
        bench.config.OnOptionChanged(10); // "MED 9x9 200ms"
        bench.device.faults().chunkSize = pieces ? 18 : 0;
        bench.device.faults().chunkGapUs = 50000;
        const auto before = bench.sentCount();
        bench.sequencer.StartTest();
        ASSERT_TRUE(bench.untilCommand(DeviceCommand::GetRgbi));
        const auto sentAt = bench.scheduler.nowMicros();
        ASSERT_TRUE(bench.pumpUntil([&] { return bench.sequencer.CommandNumber() != DeviceCommand::GetRgbi; }));
        const auto waited = bench.ticksSince(sentAt);
        EXPECT_TRUE(fw >= 1007 && pieces ? waited >= 5 : waited < 2) << waited << " ticks for getrgbi";
        bench.settle();
        EXPECT_EQ(std::make_tuple(bench.sentSince(before), bench.flags(), bench.sequencer.ResultValid(),
                      bench.dialogs.messages, bench.view.TestsEnded(), bench.view.LastTestEndedWithWheel()),
            std::make_tuple(expected, "port handle shown start", true, Texts {}, 1, fw >= 1007));
    }
}

TEST(SequencerTest, userAndPwmModesAddressTheSelectedSensorAndSizeThePwmLimit)
{
    ConnectedBench bench(firmware(1007, 3));
    bench.config.OnBoardChanged(2);
    bench.config.OnLedChanged(4);
    bench.config.OnTestModeChanged(kUserCapture);
    bench.config.OnArea(1);
    ASSERT_TRUE(bench.config.OnUserTimeEdited("250").empty());
    auto sent = bench.runTest();
    sent.resize(3); // the rest as in a manual test
    EXPECT_EQ(sent, (Requests {"setusertime00250 3\r", "capture815 3\r", "getrgbi5 3\r"}));
    EXPECT_TRUE(bench.sequencer.SensorListIndex() == 15 && bench.row(15).measured);

    bench.config.OnTestModeChanged(kPwmCapture);
    bench.config.OnOptionChanged(3);
    sent = bench.runTest();
    EXPECT_TRUE(sent.size() == 8 && sent[0] == "capturepwm035 3\r");
    // (3 + 1) x 250 ms (the user capture's code 8 was the last one-sensor capture) x 5 / 2 + 5
    EXPECT_EQ(bench.sequencer.PwmTimeoutTicks(), 4 * 250 * 5 / 2 + 5);
}

TEST(SequencerCommands, theTerminalUnknownNumbersCaptureAllResetAndConfiguration)
{
    // The terminal takes the port and gives it back (what it does with it is checked with the
    // window, tst_terminal): a port that was closed stays closed, a connection stands again.
    SequencerBench bench(firmware(1007, 2));
    bench.sequencer.BeforeTerminal();
    bench.sequencer.AfterTerminal();
    EXPECT_EQ(bench.flags(), "");
    bench.connect();
    bench.sequencer.BeforeTerminal();
    bench.scheduler.advance(std::chrono::milliseconds(10));
    EXPECT_EQ(bench.flags(), "") << "the window's tick sees the port closed";
    bench.sequencer.ResetBoard();
    bench.settle();
    EXPECT_EQ(bench.flags(), "") << "no port opened behind a window that says NOT CONNECTED";
    bench.sequencer.AfterTerminal();
    EXPECT_EQ(bench.flags(), "port handle shown start");

    for (const int number : {9, 10, 11, 13, 15, 16, 20, 21, 22, 0, 28})
        EXPECT_EQ(bench.sequencer.SendDeviceCommand(number), 0) << number;
    EXPECT_EQ(bench.sentCount(), 4u) << "only the connection's";
    EXPECT_NE(bench.logText().find("  Unbekannter Befehl!\r\n"), std::string::npos);
    ASSERT_EQ(bench.sequencer.SendDeviceCommand(DeviceCommand::CaptureAll), 1);
    bench.settle();
    EXPECT_EQ(bench.sentSince(4), (Requests {"capture\r", "getrgbi1 1\r"})) << "the all-sensor capture's OK leads on";

    const CKonfList& board1 = bench.enable(1);
    const CKonfList& board2 = bench.enable(6);
    bench.config.OnBoardChanged(1);
    auto before = bench.sentCount();
    bench.sequencer.ResetBoard();
    bench.settle();
    EXPECT_EQ(bench.sentSince(before), Requests {"setdefault\r"});
    EXPECT_EQ(board1.Distance.str() + " " + board2.Distance.str(), "-.- 2.0")
        << "the selected board's settings go back to their defaults";

    before = bench.sentCount();
    bench.sequencer.BeforeConfiguration();
    // The configuration waits for the reply.
    EXPECT_EQ(std::make_tuple(bench.sentSince(before), bench.sequencer.ReplyAwaited(), bench.config.userTime),
        std::make_tuple(Requests {"getusertime 2\r"}, false, bench.device.model().board(2).userTime));

    bench.sequencer.AfterConfiguration(true, "SIM", 115200);
    EXPECT_EQ(bench.flags(), "port handle shown start") << "nothing changed: the port stays open";
    bench.state.settings.baudrate = 57600;
    bench.sequencer.AfterConfiguration(true, "SIM", 115200);
    EXPECT_EQ(bench.flags(), "");
}

TEST(MainFrameList, aTestStoresItsValuesInTheTestedSensorsRowAsTheRunWould)
{
    ConnectedBench bench(firmware(2002, 2));
    ASSERT_EQ(bench.frame.SensorSettings().settingsCount(), 10) << "5 per board";

    bench.config.OnBoardChanged(1);
    bench.config.OnLedChanged(3);
    bench.runTest();
    ASSERT_TRUE(bench.sequencer.ResultValid());
    const ReadingRow tested = bench.row(9);
    // The window's range "MED 3x3 200ms"; only the tested sensor's row.
    EXPECT_EQ(std::make_tuple(tested.measured, tested.mode, tested.range, tested.x, bench.row(8).measured),
        std::make_tuple(true, "MAN-MED", "3 x 3", bench.frame.View().Display().Fields().x, false));
    // What the device reported of the sensor set it up for the list as well.
    const CKonfList& settings = *bench.frame.SensorSettings().settingsByIndex(9);
    EXPECT_TRUE(settings.isEnabled() && settings.Distance != "-.-");

    // The run reads the same LED into the same texts.
    bench.frame.PerformMeasurement();
    ASSERT_EQ(bench.frame.Run().LastEnd(), MeasurementRun::RunEnd::Measured);
    const ReadingRow run = bench.row(9);
    EXPECT_EQ((Texts {run.red, run.green, run.blue, run.intens, run.x, run.y}),
        (Texts {tested.red, tested.green, tested.blue, tested.intens, tested.x, tested.y}));
    EXPECT_FALSE(bench.row(8).measured) << "only the sensor the test set up took part";

    // The runs code is the window's option in a PWM test; a manual test's option is no runs code.
    EXPECT_EQ(settings.PwmRuns, 0);
    bench.config.OnTestModeChanged(kPwmCapture);
    bench.config.OnOptionChanged(3);
    bench.runTest();
    EXPECT_EQ(std::make_pair(int(settings.TestMode), int(settings.PwmRuns)), std::make_pair(int(kKonfPwmCapture), 3));
}

TEST(MainFrameList, inputAndStartTestDuringARunAskForNothingAndTheEngineGetsThePortBack)
{
    // Input 2 starting a run while the poll watches is checked on the run itself (the multisensor tests).
    ProgressHook hook; // outlives the bench that reports to it
    ConnectedBench bench(firmware(2002));
    auto& sequencer = bench.sequencer;
    bench.enable(1);
    bench.frame.SetRunView(&hook);
    // A signal before the list watched asks for nothing; a second start forgets no signal.
    const auto signalThenStart = [&bench](int ms) {
        bench.device.triggerInputIo(2);
        bench.scheduler.advance(std::chrono::milliseconds(20));
        bench.frame.Run().StartInputPoll();
        bench.scheduler.advance(std::chrono::milliseconds(ms));
    };
    signalThenStart(120);
    EXPECT_EQ(hook.runs, 0);
    signalThenStart(300);
    EXPECT_EQ(hook.runs, 1);
    std::size_t sentDuringRun = 0;
    hook.onProgress = [&] {
        bench.device.triggerInputIo(2);
        const auto before = sequencer.SentRequests().size();
        sequencer.StartTest();
        sentDuringRun += sequencer.SentRequests().size() - before;
    };
    bench.frame.PerformMeasurement();
    hook.onProgress = [] {};
    EXPECT_EQ(bench.frame.Run().LastEnd(), MeasurementRun::RunEnd::Measured) << "the run was not disturbed";
    bench.scheduler.advance(std::chrono::milliseconds(300));
    EXPECT_EQ(std::make_tuple(hook.runs, bench.row(1).measured, sentDuringRun), std::make_tuple(2, true, 0u));

    // The engine hears arriving bytes again, rather than only on its next tick.
    ASSERT_EQ(sequencer.SendDeviceCommand(DeviceCommand::GetHw), 1);
    const auto sentAt = bench.scheduler.nowMicros();
    bench.settle();
    EXPECT_LT(bench.scheduler.nowMicros() - sentAt, 2000);
    bench.config.OnLedChanged(2);
    bench.runTest();
    EXPECT_TRUE(sequencer.ResultValid() && bench.row(3).measured) << "the engine has the port";
}

TEST(MainFrameMenuAndEnd, theMenuFollowsConnectionFirmwareAndOpenWindowsAndTheEndSavesTheChoices)
{
    // The chart checked from the settings, and the menu items' actions, are checked with the window.
    SequencerBench bench;
    bench.frame.PrepareMeasurementList();
    EXPECT_EQ(
        std::pair(bench.frame.Readings().sensorCount(), bench.frame.SensorSettings().settingsCount()), std::pair(5, 5))
        << "a list opened before any connection holds one board";
    EXPECT_EQ(switches(bench.frame.Menu()), "1000111111") << "disconnected, no firmware known yet";
    bench.frame.MenuConnect();
    bench.settle();
    EXPECT_EQ(switches(bench.frame.Menu()), "0111111111");
    bench.frame.stabilityShown = true;
    EXPECT_EQ(switches(bench.frame.Menu()), "0110000011") << "the stability window open";
    std::tie(bench.frame.stabilityShown, bench.frame.measurementListShown) = std::pair(false, true);
    EXPECT_EQ(switches(bench.frame.Menu()), "0111111100") << "the measurement list open";
    bench.frame.measurementListShown = false;
    bench.frame.MenuConnect(); // connected already: nothing
    EXPECT_TRUE(bench.frame.Connected());
    bench.frame.MenuDisconnect();
    EXPECT_EQ(switches(bench.frame.Menu()), "1000111111") << "the firmware is still known, but not the device";

    ConnectedBench old(firmware(1006));
    EXPECT_EQ(switches(old.frame.Menu()), "0110111111") << "Reset Board needs firmware 1007";

    // The end saves the position, the chart and the choices, and keeps lines it does not know.
    bench.frame.SelectChart(1);
    bench.frame.SelectChart(3); // the last chart is one to choose
    EXPECT_EQ(bench.frame.State().settings.selChart, 3);
    bench.frame.SelectChart(2);
    bench.frame.SelectChart(9); // ignored
    bench.frame.Config().OnArea(0);
    bench.frame.Config().OnCheckHsi(false);
    bench.frame.Config().OnCheckXy(false);
    ASSERT_TRUE(bench.frame.Finish(-40, 120));

    const auto file = readFile(bench.dir.file("Lumivex.ini"));
    const auto ini = IniFile::parse(file);
    std::string saved;
    for (const char* key : {"LumivexPosX", "LumivexPosY", "SelChart", "UserArea", "CheckHSI", "CheckXY", "CheckRGB"})
        saved += ini.getString(key[0] == 'L' ? "FENSTERPOS" : "SYSTEM", key, "?") + " ";
    EXPECT_EQ(saved, "-40 120 2 0 0 0 1 ");
    EXPECT_NE(file.find("; kept\r\n"), std::string::npos);
    EXPECT_NE(readFile(bench.dir.file("Lumivex.log")).find("Log - START >V 2.0.0.5<"), std::string::npos);
}

// A failing device: the engine ends what runs in time, says so once, keeps the old values and the port
// state, the window and the chain agree, and it works again after. (Junk inside replies is in
// ReplyFaultMatrix below, a close during a wait in tst_lumivexdlg.)

TEST(EngineFaults, aRefusedConnectionStepLeavesTheWindowAndThePortDisconnected)
{
    // The step refused ("ERROR") or not answered, and its request's number.
    const std::tuple<const char*, bool, int> cases[]
        = {{"getversion", true, DeviceCommand::GetVersion}, {"testcon", true, DeviceCommand::Testcon},
            {"gethw", false, DeviceCommand::GetHw}, {"getserial", false, DeviceCommand::GetSerial}};
    for (const auto& [word, refused, number] : cases) {
        SCOPED_TRACE(std::string(refused ? "ERROR to " : "no reply to ") + word);
        auto config = firmware(1007);
        (refused ? config.faults.errorOn : config.faults.silentOn) = {word};
        ConnectedBench bench(config);
        // The window says what the port is; nothing is read from a refused reply.
        EXPECT_EQ(std::make_tuple(bench.dialogs.messages, bench.flags(), bench.sequencer.StatusText(),
                      bench.sequencer.FirmwareNumber(), bench.sequencer.FirmwareText()),
            std::make_tuple(Texts {refused ? text(StringId::BoardReturnsError) : noValidResponse(number)},
                refused ? "failed" : "failed timed-out", text(StringId::ComPortNotOpen), 0, ""));
    }
}

TEST(EngineFaults, aRefusedGarbledOrMissingReplyEndsTheTestInTimeSaysSoOnceAndLeavesNothingBehind)
{
    std::string flood(100 * 1024, 'A');
    for (std::size_t i = 0; i < flood.size(); i += 97)
        flood[i] = (i % 2) ? '\r' : '\0';
    struct Case {
        const char* name;
        const char* word; // the device's request word that fails
        bool refused; // answered "ERROR"; else the device is silent and `injected` arrives instead
        std::string injected;
        int number; // the request that fails
        std::size_t sent; // requests of the test, the failing one the last
        int ticks; // until the failure; up to 3 more may pass
        int mode = kManualCapture;
        int option = 5;
        const char* userTime = "800";
    };
    const Case cases[] = {
        {"ERROR to getxy", "getxy", true, "", DeviceCommand::GetXy, 4, 0},
        {"ERROR to the user time: no capture", "setusertime", true, "", DeviceCommand::SetUserTime, 1, 0, kUserCapture},
        {"10 MB of letters", "getxy", false, std::string(10 << 20, 'A'), DeviceCommand::GetXy, 4, 0},
        {"100 KB of letters, line ends and NULs", "getxy", false, flood, DeviceCommand::GetXy, 4, 0},
        {"a line without digits", "getxy", false, "ABCDEF GHIJKLMN\r", DeviceCommand::GetXy, 4, 0},
        {"silence: 200 ticks", "getxy", false, "", DeviceCommand::GetXy, 4, 201},
        {"half a reply, then nothing", "getrgbi", false, "0255 0128", DeviceCommand::GetRgbi, 2, 201},
        {"a silent PWM capture: (15 + 1) x 200 ms x 5 / 2 + 5 ticks", "capturepwm", false, "",
            DeviceCommand::CapturePwm, 1, 16 * 200 * 5 / 2 + 5, kPwmCapture, 15},
        {"a silent user capture longer than 200 ticks: its time + 50 ticks", "capture", false, "",
            DeviceCommand::CaptureUser, 2, 350, kUserCapture, 0, "3000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConnectedBench bench;
        bench.config.OnTestModeChanged(c.mode);
        bench.config.OnOptionChanged(c.option);
        ASSERT_TRUE(bench.config.OnUserTimeEdited(c.userTime).empty());
        (c.refused ? bench.device.faults().errorOn : bench.device.faults().silentOn) = {c.word};
        const auto before = bench.sentCount();
        bench.sequencer.StartTest();
        ASSERT_TRUE(bench.untilCommand(c.number));
        const auto sentAt = bench.scheduler.nowMicros();
        bench.wire.inject(c.injected);
        bench.settle(100000);
        EXPECT_THAT(bench.ticksSince(sentAt), testing::AllOf(testing::Ge(c.ticks), testing::Le(c.ticks + 3)));
        const std::string message = c.refused ? text(StringId::BoardReturnsError) : noValidResponse(c.number);
        EXPECT_NE(bench.logText().find(message), std::string::npos);
        // No value of the failed reply shown; the broken text does not reach the next reply.
        const TestNumbers& shown = bench.view.LastTestNumbers();
        EXPECT_EQ(std::make_tuple(bench.sentCount() - before, bench.dialogs.messages, bench.flags(), shown.counts,
                      bench.sequencer.PendingReplyBytes()),
            std::make_tuple(c.sent, Texts {message},
                std::string("port handle shown start failed") + (c.ticks ? " timed-out" : ""),
                c.number == DeviceCommand::GetXy, std::size_t {0}));
        EXPECT_FALSE(
            shown.xy || bench.view.TestRunning() || bench.view.LastTestEndedWithWheel() || bench.frame.Run().Busy());

        bench.device.faults() = SimFaults();
        bench.port.Purge(SerialBackend::PurgeRxAbort | SerialBackend::PurgeRxClear);
        bench.config.OnTestModeChanged(kManualCapture);
        expectHealthyTest(bench);
    }
}

TEST(EngineFaults, aDisconnectOrAVanishedDeviceEndsTheTestClosesThePortOnceAndAFreshConnectionWorks)
{
    for (const bool vanishes : {false, true}) {
        SCOPED_TRACE(vanishes ? "the device vanishes after getrgbi" : "DISCONNECT while a PWM capture is awaited");
        ConnectedBench bench;
        if (vanishes) {
            bench.device.faults().disconnectAfter = 6; // the connection, the capture, "getrgbi": then gone
            bench.runTest();
            bench.scheduler.advance(std::chrono::seconds(5));
        } else {
            bench.device.faults().silentOn = {"capturepwm"};
            bench.config.OnTestModeChanged(kPwmCapture);
            bench.config.OnOptionChanged(15);
            bench.sequencer.StartTest();
            ASSERT_TRUE(bench.untilCommand(DeviceCommand::CapturePwm));
            bench.scheduler.advance(std::chrono::milliseconds(500));
            bench.sequencer.OnConnectButton();
        }
        // The window says what the port is; no time-out.
        EXPECT_EQ(std::make_tuple(
                      bench.flags(), bench.sequencer.StatusText(), bench.dialogs.messages, bench.view.TestsEnded()),
            std::make_tuple("failed", text(StringId::ComPortNotOpen), Texts {}, 1));
        const std::string log = bench.logText();
        EXPECT_EQ(log.find("COMERROR"), log.rfind("COMERROR")) << "once";
        EXPECT_EQ(log.find("COMERROR") != std::string::npos, vanishes);
        const std::string problem = CSeriell::ProblemText(StringId::ErrorComReadingNotRemedied);
        EXPECT_EQ(bench.dialogs.problems, vanishes ? Texts {problem} : Texts {});

        bench.device.faults() = SimFaults();
        bench.device.reconnect();
        const auto sent = bench.sentCount();
        const auto started = bench.scheduler.nowMicros();
        bench.sequencer.OnConnectButton();
        bench.settle();
        EXPECT_LT(bench.scheduler.nowMicros() - started, 1'000'000) << "no wait for the abandoned capture";
        EXPECT_EQ(bench.sentSince(sent), (Requests {"gethw\r", "testcon\r", "getserial\r", "getversion\r"}));
        bench.config.OnTestModeChanged(kManualCapture);
        expectHealthyTest(bench);
    }
}

namespace {

// What the engine reported, one "part name: values" line each, so that a difference names its value.
using Record = std::vector<std::string>;

// A double in its shortest exact form (gtest prints six digits): equal texts mean equal values.
const auto exact = [](double value) {
    char digits[32];
    return std::string(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
};

template<class... Value> void add(Record& r, const std::string& name, const Value&... values)
{
    r.push_back(name + ": " + testing::PrintToString(std::make_tuple(values...)));
}

// What the window shows, the list holds and the engine knows, the requests from `firstRequest` on
// and what was said.
Record record(const std::string& part, SequencerBench& bench, std::size_t firstRequest)
{
    const MeasurementSequencer& s = bench.sequencer;
    const ResultView& v = bench.view;
    const TestNumbers& n = v.LastTestNumbers();
    const ReadingRow row = bench.row(9);
    Record r;
    add(r, part + " identity", s.HardwareText(), s.SerialText(), s.FirmwareText(), s.FirmwareNumber(),
        bench.config.boardList);
    add(r, part + " view", v.StatusText(), v.SubjectText(), v.Connected(), v.TestRunning());
    for (const NamedField& f : v.Display().Fields().InWindowOrder())
        add(r, part + " field " + std::string(f.name), f.text);
    add(r, part + " numbers", n.counts, n.red, n.green, n.blue, n.rawIntensity, n.fullScale, n.hueSaturation,
        exact(n.hue), n.saturation, n.intensity, n.xy, exact(n.x), exact(n.y), n.colourTemperature, exact(n.kelvin));
    add(r, part + " list", row.measured, row.red, row.green, row.blue, row.hue, row.sat, row.intens, row.x, row.y,
        row.temp, row.mode, row.range);
    // A fault may leave the list without the sensor's record: a difference, not a crash.
    const CKonfList* settings = bench.frame.SensorSettings().settingsByIndex(9);
    add(r, part + " settings",
        settings ? Texts {settings->XOffset.str(), settings->YOffset.str(), settings->Distance.str()} : Texts {});
    add(r, part + " result", s.ResultValid(), s.TimedOut(), s.SensorListIndex(), v.LastTestEndedWithWheel(),
        bench.frame.Run().XyWarning());
    add(r, part + " requests", bench.sentSince(firstRequest));
    add(r, part + " said", bench.dialogs.messages, bench.dialogs.problems);
    return r;
}

struct ModeSetting {
    const char* name;
    int mode;
    int option;
};
constexpr ModeSetting kModes[] = {
    {"manual", kManualCapture, 2}, // "ULT 3x3  20ms"
    {"user", kUserCapture, 0},
    {"pwm", kPwmCapture, 2},
};

// After the connection: offsets of both signs and a distance on the tested sensor, so that their
// fields carry digits (the x offset takes x below 0: each test ends with the out-of-range warning);
// board 2, LED 4 chosen (counted from 0), a 3x3 user capture of 120 ms.
void prepare(SequencerBench& bench)
{
    for (const char* request : {"setxoffset4-0.9000 2", "setyoffset4+0.0456 2", "setdistance412.5 2"})
        bench.device.model().execute(parseSimRequest(request).value(), bench.scheduler.nowMicros());
    bench.config.OnBoardChanged(1);
    bench.config.OnLedChanged(3);
    bench.config.OnArea(0);
    EXPECT_EQ(bench.config.OnUserTimeEdited("120"), "");
}

// A test in the mode, `meanwhile` run once it has started; what was said before is forgotten.
Record runMode(
    SequencerBench& bench, const ModeSetting& mode, const std::function<void(SequencerBench&)>& meanwhile = {})
{
    bench.config.OnTestModeChanged(mode.mode);
    bench.config.OnOptionChanged(mode.option);
    bench.dialogs.messages.clear();
    bench.dialogs.problems.clear();
    const std::size_t before = bench.sentCount();
    bench.sequencer.StartTest();
    if (meanwhile)
        meanwhile(bench);
    bench.settle();
    return record(mode.name, bench, before);
}

// The connection and one test per mode; `meanwhile` runs once the manual test has started.
Record runAll(const SimConfig& config, const std::function<void(SequencerBench&)>& meanwhile = {})
{
    SequencerBench bench(config);
    bench.connect();
    Record r = record("connect", bench, 0);
    prepare(bench);
    for (const ModeSetting& mode : kModes)
        std::ranges::copy(runMode(bench, mode, mode.mode == kManualCapture ? meanwhile : nullptr), back_inserter(r));
    return r;
}

// Each line that differs fails on its own, naming the case.
void expectSame(const Record& expected, const Record& actual, const std::string& caseName)
{
    for (std::size_t i = 0; i < std::max(expected.size(), actual.size()); ++i) {
        const auto line = [i](const Record& r) { return i < r.size() ? r[i] : std::string(); };
        EXPECT_EQ(line(actual), line(expected)) << caseName;
    }
}

// Firmware, line end, two-line replies (an echo of the request before "OK" and the value lines),
// long identity replies (the request echoed before the serial number and firmware).
using Layout = std::tuple<int, std::string, bool, bool>;

std::string layoutName(const testing::TestParamInfo<Layout>& param)
{
    const auto& [fw, lineEnd, twoLines, longIdentity] = param.param;
    const char* end = lineEnd == "\r" ? "_cr" : lineEnd == "\n" ? "_lf" : "_crlf";
    return "fw" + std::to_string(fw) + end + (twoLines ? "_twoLine" : "_oneLine")
        + (longIdentity ? "_longId" : "_shortId");
}

// How the bytes travel, by name: pieces of `chunk` bytes (0: whole) apart by a gap, junk bytes in
// every message, paced at a baud rate (0: at once; pieces then leave as their last byte is sent,
// and the gap means nothing).
std::vector<std::pair<std::string, SimFaults>> transports()
{
    std::vector<std::pair<std::string, SimFaults>> all;
    const auto add = [&all](int chunk, int gapMs, int noise, int baud) {
        all.emplace_back((chunk ? "chunk " + std::to_string(chunk) : "whole")
                + (chunk && !baud ? " gap " + std::to_string(gapMs) + " ms" : "")
                + (baud ? " paced " + std::to_string(baud) : "") + (noise ? " noise " + std::to_string(noise) : ""),
            SimFaults {.paceBaud = baud, .chunkSize = chunk, .chunkGapUs = gapMs * 1000, .noiseBytes = noise});
    };
    for (const int noise : {0, 2}) {
        for (const int baud : {0, 300, 9600, 115200}) {
            add(0, 0, noise, baud);
            for (const int chunk : {1, 2, 3, 5, 8, 16, 64}) {
                if (baud)
                    add(chunk, 0, noise, baud);
                else
                    for (const int gap : {0, 1, 16, 50})
                        add(chunk, gap, noise, 0);
            }
        }
    }
    return all;
}

class ReplyFaultMatrix : public testing::TestWithParam<Layout> { };

TEST_P(ReplyFaultMatrix, everyTransportGivesTheCleanValues)
{
    const auto& [fw, lineEnd, twoLines, longIdentity] = GetParam();
    const Record clean = runAll(firmware(fw, 2));
    // The reference itself must be a proper run, or every comparison with it proves nothing: each
    // test valid, not timed out, on board 2 LED 4, the wheel redrawn from 1007 on, x below 0 told
    // once and the mark cleared.
    const std::string wheel = fw >= kFirmwareWideCounts ? "true" : "false";
    const std::string warned = testing::PrintToString(std::make_tuple(Texts {text(StringId::XyOutOfRange)}, Texts {}));
    for (const ModeSetting& mode : kModes)
        for (const std::string& line : {"result: (true, false, 9, " + wheel + ", false)", "said: " + warned})
            ASSERT_NE(std::find(clean.begin(), clean.end(), mode.name + (" " + line)), clean.end()) << line;
    for (auto [name, t] : transports()) {
        t.multiLine = twoLines;
        expectSame(clean,
            runAll({.firmware = fw, .boards = 2, .longIdentity = longIdentity, .lineEnd = lineEnd, .faults = t}), name);
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, ReplyFaultMatrix,
    testing::Combine(testing::Values(1006, 1007),
        testing::Values(std::string("\r"), std::string("\n"), std::string("\r\n")), testing::Bool(), testing::Bool()),
    layoutName);

TEST(ReplyStrayBytes, anInputMessageJustAfterARequestChangesNoValue)
{
    // Firmware 2002 sends "InputIO<digit>" whenever an input changes, between any two bytes of
    // the conversation; here it comes just after the request went out, ahead of its reply.
    const Record clean = runAll(firmware(2002, 2));
    for (const int number : {DeviceCommand::CaptureRange, DeviceCommand::GetRgbi, DeviceCommand::GetHsi,
             DeviceCommand::GetXy, DeviceCommand::GetCTemp, DeviceCommand::GetDistance}) {
        const Record r = runAll(firmware(2002, 2),
            [number](SequencerBench& b) { ASSERT_TRUE(b.untilCommand(number) && b.device.triggerInputIo(5)); });
        expectSame(clean, r, "InputIO5 after request " + std::to_string(number));
    }
}

TEST(ReplyStrayBytes, theLateOkOfATimedOutCaptureDoesNotReachTheNextTest)
{
    // Connecting takes four requests; the test's capture is the fifth and answers 5 s late.
    ConnectedBench bench({.boards = 2, .faults = {.latencyAt = {{5, 5000}}}});
    prepare(bench);
    runMode(bench, kModes[0]);
    ASSERT_TRUE(bench.sequencer.TimedOut());

    // The late "OK" arrives while nothing is awaited; the next test starts after it.
    ASSERT_TRUE(bench.pumpUntil([&] { return !bench.device.busy(); }, 10000));
    bench.scheduler.advance(std::chrono::milliseconds(50));
    EXPECT_EQ(bench.dialogs.messages, Texts {noValidResponse(3)});
    ConnectedBench clean(firmware(1007, 2));
    prepare(clean);
    expectSame(runMode(clean, kModes[0]), runMode(bench, kModes[0]), "the test after the late OK");
}

} // namespace
