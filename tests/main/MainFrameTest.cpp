#include "main/MainFrame.h"
#include "app/IniFile.h"
#include "base/VirtualScheduler.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace lumivex;

namespace {

struct FrameBench {
    explicit FrameBench(int firmware = 1007)
    {
        SimConfig config;
        config.firmware = firmware;
        device = std::make_unique<SimulatedDevice>(scheduler, config);
        backend = std::make_unique<SimSerialBackend>(scheduler, *device);
        frame = std::make_unique<MainFrame>(scheduler, *backend, dialogs);
        test::writeFile(dir.file("Lumivex.ini"), "[SYSTEM]\r\nCOMPORT=SIM\r\nSelChart=3\r\n; kept\r\n");
        frame->Initialise(iniLocationOf(dir.file("Lumivex.ini")));
    }
    void connect()
    {
        frame->MenuConnect();
        while (frame->Sequencer().ChainRunning() || frame->Sequencer().ReplyAwaited())
            ASSERT_TRUE(scheduler.pumpOnce());
    }

    test::TempDir dir;
    VirtualScheduler scheduler;
    test::RecordingDialogs dialogs;
    std::unique_ptr<SimulatedDevice> device;
    std::unique_ptr<SimSerialBackend> backend;
    std::unique_ptr<MainFrame> frame;
};

} // namespace

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
