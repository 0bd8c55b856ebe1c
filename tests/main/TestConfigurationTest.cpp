#include "main/TestConfiguration.h"
#include "foundation/Settings.h"

#include <gtest/gtest.h>

using namespace lumivex;

namespace {
struct ConfigFixture : ::testing::Test {
    Settings settings;
    TestConfiguration config {settings};
    int refreshes = 0;
    void SetUp() override
    {
        config.refreshStability = [this] { ++refreshes; };
    }
};
} // namespace

TEST_F(ConfigFixture, startsWithBoard1AndTheMediumRange)
{
    EXPECT_EQ(config.boardList, std::vector<std::string> {"Board1"});
    EXPECT_EQ(config.options.size(), 12u);
    EXPECT_EQ(config.options[1], "UTH 3x3  10ms") << "two blanks before 10ms";
    EXPECT_EQ(config.optionSelection, 5);
    EXPECT_EQ(config.rememberedManualRange, 5);
    EXPECT_EQ(config.optionsLabel, "Sensor Range");
    EXPECT_FALSE(config.userControlsVisible);
    EXPECT_EQ(config.userTime, 800);
    EXPECT_EQ(config.userArea, 1);
}

TEST_F(ConfigFixture, modeSwitchesRefillTheOptionsAndKeepTheRememberedRange)
{
    config.OnOptionChanged(8);
    EXPECT_EQ(config.rememberedManualRange, 8);

    config.OnTestModeChanged(kPwmCapture);
    EXPECT_EQ(config.optionsLabel, "Averaging Factor");
    ASSERT_EQ(config.options.size(), 16u);
    EXPECT_EQ(config.options.back(), "15");
    config.OnOptionChanged(7);
    EXPECT_EQ(config.stabilityAveragingFactor, 7);
    EXPECT_EQ(config.stabilityRangeIndex, 8) << "the stability dialog gets the remembered manual range";

    config.OnTestModeChanged(kManualCapture);
    EXPECT_EQ(config.optionSelection, 1) << "back in Manual: UTH 3x3 10ms, not the earlier range";
    EXPECT_EQ(config.rememberedManualRange, 8) << "switching does not change the remembered range";

    config.OnTestModeChanged(kUserCapture);
    EXPECT_FALSE(config.optionsVisible);
    EXPECT_TRUE(config.userControlsVisible);

    const int before = refreshes;
    config.OnTestModeChanged(kUserCapture);
    EXPECT_EQ(refreshes, before) << "the same mode again changes nothing";
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

TEST_F(ConfigFixture, boardListAndStartTest)
{
    config.FillBoardList(0);
    EXPECT_EQ(config.boardList, std::vector<std::string> {"Board1"}) << "a count of 0 keeps Board1";
    config.FillBoardList(3);
    EXPECT_EQ(config.boardList.back(), "Board3");
    config.OnBoardChanged(2);
    EXPECT_EQ(config.boardNumber, 3);

    config.OnOptionChanged(0);
    EXPECT_EQ(config.PrepareStartTest(), 3);
    EXPECT_EQ(config.currentOption, 0) << "DISABLE is range 0";
    EXPECT_TRUE(config.testRunning);
    config.OnTestModeChanged(kPwmCapture);
    EXPECT_EQ(config.PrepareStartTest(), 4);
    config.OnTestModeChanged(kUserCapture);
    EXPECT_EQ(config.PrepareStartTest(), 5);

    Settings stored;
    config.OnCheckXy(false);
    config.StoreInto(stored);
    EXPECT_EQ(stored.checkXy, 0);
    EXPECT_EQ(stored.userArea, 1);
}
