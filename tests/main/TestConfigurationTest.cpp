#include "main/TestConfiguration.h"
#include "foundation/Settings.h"

#include <gtest/gtest.h>

using namespace lumivex;

// The configuration with a counter of the refreshes it asks the stability window for.
struct ConfigFixture : ::testing::Test {
    Settings settings;
    TestConfiguration config {settings};
    int refreshes = 0;
    void SetUp() override
    {
        config.refreshStability = [this] { ++refreshes; };
    }
};

TEST_F(ConfigFixture, modeSwitchesKeepTheRememberedRangeAndNoBoardsKeepBoard1)
{
    // The lists, labels and controls each mode shows, and the range Manual starts with again, are
    // checked with the window (tst_lumivexdlg).
    EXPECT_EQ(config.rememberedManualRange, 5) << "MED 3x3 200ms";
    config.OnOptionChanged(8);
    EXPECT_EQ(config.rememberedManualRange, 8);

    config.OnTestModeChanged(kPwmCapture);
    config.OnOptionChanged(7);
    EXPECT_EQ(config.stabilityAveragingFactor, 7);
    EXPECT_EQ(config.stabilityRangeIndex, 8) << "the stability dialog gets the remembered manual range";

    config.OnTestModeChanged(kManualCapture);
    EXPECT_EQ(config.rememberedManualRange, 8) << "switching does not change the remembered range";

    config.OnTestModeChanged(kUserCapture);
    EXPECT_TRUE(config.userControlsVisible);
    EXPECT_EQ(config.PrepareStartTest(), 5);
    EXPECT_TRUE(config.testRunning);
    const int before = refreshes;
    config.OnTestModeChanged(kUserCapture);
    EXPECT_EQ(refreshes, before) << "the same mode again changes nothing";

    config.FillBoardList(0);
    EXPECT_EQ(config.boardList, std::vector<std::string> {"Board1"}) << "a count of 0 keeps Board1";
}

TEST_F(ConfigFixture, userTimeIsValidatedAndAreaNormalised)
{
    EXPECT_TRUE(config.OnUserTimeEdited("10000").empty());
    EXPECT_EQ(config.userTime, 10000);
    for (const char* bad : {"0", "10001", "", "12ab", "-5", "99999999999"}) {
        EXPECT_EQ(config.OnUserTimeEdited(bad), "Please enter an integer between 1 and 10000.") << bad;
        EXPECT_EQ(config.userTime, 10000) << bad;
    }
    EXPECT_TRUE(config.userTimeChanged);
    const int before = refreshes;
    config.OnUserTimeLeft();
    config.OnUserTimeLeft();
    EXPECT_EQ(refreshes, before + 1) << "refreshed once when the edited field loses the focus";

    config.OnArea(7);
    EXPECT_EQ(config.userArea, 0) << "anything but 1 counts as 3x3";

    // A settings file edited by hand cannot make the window send a time the device refuses.
    for (const int stored : {-5, 0, 10001, 123456}) {
        Settings edited;
        edited.userRange = stored;
        EXPECT_EQ(TestConfiguration(edited).userTime, 800) << stored;
    }
}
