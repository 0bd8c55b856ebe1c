#include "main/MainFrame.h"
#include "base/VirtualScheduler.h"
#include "foundation/IniFile.h"
#include "multisensor/CKonfList.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

using namespace lumivex;

namespace {

struct FrameBench {
    explicit FrameBench(int firmware = 1007, int boards = 1)
    {
        SimConfig config;
        config.firmware = firmware;
        config.boards = boards;
        device = std::make_unique<SimulatedDevice>(scheduler, config);
        backend = std::make_unique<SimSerialBackend>(scheduler, *device);
        frame = std::make_unique<MainFrame>(scheduler, *backend, dialogs);
        test::writeFile(dir.file("Lumivex.ini"), "[SYSTEM]\r\nCOMPORT=SIM\r\nSelChart=3\r\n; kept\r\n");
        frame->Initialise(iniLocationOf(dir.file("Lumivex.ini")));
    }
    void connect()
    {
        frame->MenuConnect();
        settle();
    }
    void settle()
    {
        while (frame->Sequencer().ChainRunning() || frame->Sequencer().ReplyAwaited())
            ASSERT_TRUE(scheduler.pumpOnce());
    }
    // A main-window test of LED `led` on board `board`, settled.
    void testLed(int board, int led)
    {
        frame->Config().OnBoardChanged(board - 1);
        frame->Config().OnLedChanged(led - 1);
        frame->Sequencer().StartTest();
        settle();
    }
    // The sensor with that list number takes part in runs, with nothing to send.
    void enable(int index)
    {
        CKonfList& record = *frame->SensorSettings().settingsByIndex(index);
        record.TestMode = kKonfManualCapture;
        record.MeasureTime = kKonfMeasureTime200ms;
        record.ChangeFlags = 0;
    }
    ReadingRow row(int index) const
    {
        ReadingRow r;
        EXPECT_TRUE(frame->Readings().rowOf(index, r)) << index;
        return r;
    }

    test::TempDir dir;
    VirtualScheduler scheduler;
    test::RecordingDialogs dialogs;
    std::unique_ptr<SimulatedDevice> device;
    std::unique_ptr<SimSerialBackend> backend;
    std::unique_ptr<MainFrame> frame;
};

// Calls back while the run waits between its steps, and counts the runs that started.
class ProgressHook : public NoRunView {
public:
    void ShowProgress(int, int) override
    {
        if (onProgress)
            onProgress();
    }
    void EnablePerform(bool enabled) override { runs += enabled ? 0 : 1; }
    std::function<void()> onProgress;
    int runs = 0;
};

} // namespace

TEST(MainFrameList, aTestStoresItsValuesInTheTestedSensorsRowAsTheRunWould)
{
    FrameBench bench(2002, 2);
    bench.connect();
    ASSERT_EQ(bench.frame->Readings().sensorCount(), 10);
    ASSERT_EQ(bench.frame->SensorSettings().settingsCount(), 10);

    bench.testLed(2, 4);
    ASSERT_TRUE(bench.frame->Sequencer().ResultValid());
    const ReadingRow tested = bench.row(9);
    EXPECT_TRUE(tested.measured);
    EXPECT_EQ(tested.mode, "MAN-MED") << "the window's range \"MED 3x3 200ms\"";
    EXPECT_EQ(tested.range, "3 x 3");
    EXPECT_EQ(tested.x, bench.frame->View().Display().Fields().x);
    EXPECT_FALSE(bench.row(8).measured);
    // What the device reported of the sensor set it up for the list as well.
    const CKonfList& settings = *bench.frame->SensorSettings().settingsByIndex(9);
    EXPECT_TRUE(settings.isEnabled());
    EXPECT_NE(settings.Distance, "-.-");

    // The run reads the same LED into the same texts.
    bench.frame->PerformMeasurement();
    ASSERT_EQ(bench.frame->Run().LastEnd(), MeasurementRun::RunEnd::Measured);
    const ReadingRow run = bench.row(9);
    EXPECT_EQ(std::vector<std::string>({run.red, run.green, run.blue, run.intens, run.x, run.y}),
        std::vector<std::string>({tested.red, tested.green, tested.blue, tested.intens, tested.x, tested.y}));
    EXPECT_FALSE(bench.row(8).measured) << "only the sensor the test set up took part";
}

TEST(MainFrameList, startTestSendsNothingWhileARunHoldsThePortAndWorksAfterIt)
{
    FrameBench bench(2002, 1);
    bench.connect();
    bench.enable(1);
    ProgressHook hook;
    std::size_t sentDuringRun = 0;
    hook.onProgress = [&] {
        const auto before = bench.frame->Sequencer().SentRequests().size();
        bench.frame->Sequencer().StartTest();
        sentDuringRun += bench.frame->Sequencer().SentRequests().size() - before;
    };
    bench.frame->SetRunView(&hook);
    bench.frame->PerformMeasurement();
    bench.frame->SetRunView(nullptr);
    EXPECT_EQ(sentDuringRun, 0u);
    EXPECT_EQ(bench.frame->Run().LastEnd(), MeasurementRun::RunEnd::Measured) << "the run was not disturbed";
    EXPECT_FALSE(bench.frame->Sequencer().ChainRunning());

    // The engine hears arriving bytes again, rather than only on its next tick.
    auto& sequencer = bench.frame->Sequencer();
    ASSERT_EQ(sequencer.SendDeviceCommand(DeviceCommand::GetHw), 1);
    const auto sentAt = bench.scheduler.nowMicros();
    while (sequencer.ReplyAwaited())
        ASSERT_TRUE(bench.scheduler.pumpOnce());
    EXPECT_LT(bench.scheduler.nowMicros() - sentAt, 2000);
    bench.testLed(1, 2);
    EXPECT_TRUE(sequencer.ResultValid());
    EXPECT_TRUE(bench.row(2).measured);
}

TEST(MainFrameList, theDeviceInputStartsARunOnlyWhileThePollWatchesAndNoRunIsActive)
{
    enum class When { Watched, BeforeThePoll, DuringARun };
    struct Case {
        const char* name;
        When when;
        int digit;
        int runs;
    };
    const Case cases[] = {
        {"input 2 while watched", When::Watched, 2, 1},
        {"another digit", When::Watched, 5, 0},
        {"input 2 before the poll started", When::BeforeThePoll, 2, 0},
        {"input 2 during a run asks for no second one", When::DuringARun, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameBench bench(2002, 1);
        bench.connect();
        bench.enable(1);
        ProgressHook hook;
        bench.frame->SetRunView(&hook);
        if (c.when != When::BeforeThePoll)
            bench.frame->Run().StartInputPoll();
        if (c.when == When::DuringARun) {
            hook.onProgress = [&] { bench.device->triggerInputIo(c.digit); };
            bench.frame->PerformMeasurement();
            hook.onProgress = {};
        } else {
            ASSERT_TRUE(bench.device->triggerInputIo(c.digit));
        }
        bench.scheduler.advance(std::chrono::milliseconds(20));
        bench.frame->Run().StartInputPoll(); // no second timer when it runs already
        bench.scheduler.advance(std::chrono::milliseconds(300));
        EXPECT_EQ(hook.runs, c.runs);
        EXPECT_EQ(bench.row(1).measured, c.runs > 0);

        bench.testLed(1, 3);
        EXPECT_TRUE(bench.frame->Sequencer().ResultValid()) << "the engine has the port";
        bench.frame->Run().StopInputPoll();
        bench.frame->SetRunView(nullptr);
    }
}

TEST(MainFrameMenu, followsConnectionFirmwareAndOpenWindows)
{
    FrameBench bench(1007);
    auto menu = bench.frame->Menu();
    EXPECT_EQ(menu.checkedChart, 3);
    EXPECT_TRUE(menu.connect);
    EXPECT_FALSE(menu.disconnect);
    EXPECT_FALSE(menu.startTest);
    EXPECT_FALSE(menu.resetBoard) << "no firmware known yet";

    bench.connect();
    menu = bench.frame->Menu();
    EXPECT_FALSE(menu.connect);
    EXPECT_TRUE(menu.disconnect);
    EXPECT_TRUE(menu.startTest);
    EXPECT_TRUE(menu.resetBoard);

    bench.frame->stabilityShown = true;
    menu = bench.frame->Menu();
    EXPECT_FALSE(menu.resetBoard);
    EXPECT_FALSE(menu.measurements);
    EXPECT_FALSE(menu.saveColourReport);
    EXPECT_TRUE(menu.startStability);
    bench.frame->stabilityShown = false;
    bench.frame->measurementListShown = true;
    menu = bench.frame->Menu();
    EXPECT_FALSE(menu.startStability);
    EXPECT_FALSE(menu.openStabilityReport);
    bench.frame->measurementListShown = false;
    bench.frame->MenuDisconnect();
    menu = bench.frame->Menu();
    EXPECT_FALSE(menu.startTest);
    EXPECT_FALSE(menu.resetBoard) << "the firmware is still known, but the device is not connected";

    FrameBench old(1006);
    old.connect();
    EXPECT_TRUE(old.frame->Menu().startTest);
    EXPECT_FALSE(old.frame->Menu().resetBoard) << "Reset Board needs firmware 1007";
}

TEST(MainFrameEnd, enterAsksOnlyWhileDisconnectedAndMenuTogglesMatchTheState)
{
    FrameBench bench;
    bool ignored = true;
    EXPECT_TRUE(bench.frame->EnterAsksToClose(ignored));
    EXPECT_FALSE(ignored);

    bench.frame->MenuDisconnect(); // disconnected already: nothing
    EXPECT_TRUE(bench.frame->PortSwitch().PortClosed());
    bench.connect();
    EXPECT_FALSE(bench.frame->EnterAsksToClose(ignored));
    EXPECT_TRUE(ignored) << "Enter does nothing while connected";
    bench.frame->MenuConnect(); // connected already: nothing
    EXPECT_TRUE(bench.frame->Connected());
    bench.frame->MenuDisconnect();
    EXPECT_FALSE(bench.frame->Connected());
}

TEST(MainFrameEnd, finishSavesPositionChartAndChoicesAndKeepsForeignLines)
{
    FrameBench bench;
    bench.frame->SelectChart(2);
    bench.frame->SelectChart(9); // ignored
    bench.frame->Config().OnArea(0);
    bench.frame->Config().OnCheckHsi(false);
    ASSERT_TRUE(bench.frame->Finish(-40, 120));

    const auto text = test::readFile(bench.dir.file("Lumivex.ini"));
    const auto ini = IniFile::parse(text);
    EXPECT_EQ(ini.getString("FENSTERPOS", "LumivexPosX", ""), "-40");
    EXPECT_EQ(ini.getString("FENSTERPOS", "LumivexPosY", ""), "120");
    EXPECT_EQ(ini.getString("SYSTEM", "SelChart", ""), "2");
    EXPECT_EQ(ini.getString("SYSTEM", "UserArea", ""), "0");
    EXPECT_EQ(ini.getString("SYSTEM", "CheckHSI", ""), "0");
    EXPECT_NE(text.find("; kept\r\n"), std::string::npos);
    EXPECT_NE(test::readFile(bench.dir.file("Lumivex.log")).find("Log - START >V 2.0.0.5<"), std::string::npos);
}
