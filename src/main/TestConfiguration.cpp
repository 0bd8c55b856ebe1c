#include "main/TestConfiguration.h"

#include "base/FormatText.h"
#include "base/NumberText.h"
#include "foundation/IniFile.h"
#include "foundation/Settings.h"
#include "foundation/StringTable.h"

namespace lumivex {

TestConfiguration::TestConfiguration(const Settings& settings)
    : userArea(settings.userArea),
      userTime(IsUserTime(settings.userRange) ? settings.userRange : kDefaultUserTime),
      checkRgb(settings.checkRgb != 0),
      checkHsi(settings.checkHsi != 0),
      checkXy(settings.checkXy != 0)
{
    boardList = {"Board1"};
    boardSelection = 0;
    FillRangeList(kStartRange);
    rememberedManualRange = kStartRange;
}

void TestConfiguration::StoreInto(Settings& settings) const
{
    settings.userRange = userTime;
    settings.userArea = userArea;
    settings.checkRgb = checkRgb ? 1 : 0;
    settings.checkHsi = checkHsi ? 1 : 0;
    settings.checkXy = checkXy ? 1 : 0;
}

void TestConfiguration::Refresh() const
{
    if (refreshStability)
        refreshStability();
}

void TestConfiguration::FillRangeList(int selection)
{
    optionsLabel = std::string(stringText(StringId::SensorRangeLabel));
    optionsFixedPitch = true;
    options.assign(kRangeTexts.begin(), kRangeTexts.end());
    optionSelection = selection;
}

void TestConfiguration::FillBoardList(int boardCount)
{
    if (boardCount <= 0)
        return;
    boardList.clear();
    for (int board = 1; board <= boardCount; ++board)
        boardList.push_back(formatText("Board%d", board));
    boardSelection = 0;
}

void TestConfiguration::OnBoardChanged(int selection)
{
    if (selection >= 0 && selection < static_cast<int>(boardList.size())) {
        boardSelection = selection;
        if (selection + 1 != boardNumber)
            boardNumber = selection + 1;
    }
    Refresh();
}

void TestConfiguration::OnLedChanged(int index)
{
    if (index >= 0 && index < static_cast<int>(kLedTexts.size()))
        ledIndex = index;
    Refresh();
}

void TestConfiguration::OnTestModeChanged(int mode)
{
    testMode = mode;
    if (mode == previousTestMode)
        return;
    options.clear();
    if (mode == kManualCapture) {
        optionsVisible = true;
        userControlsVisible = false;
        FillRangeList(kRangeOnModeSwitch);
        stabilityRangeIndex = kRangeOnModeSwitch;
    } else if (mode == kUserCapture) {
        optionsVisible = false;
        userControlsVisible = true;
    } else if (mode == kPwmCapture) {
        optionsVisible = true;
        userControlsVisible = false;
        optionsLabel = std::string(stringText(StringId::AveragingFactorLabel));
        optionsFixedPitch = false;
        for (int factor = 0; factor < kPwmFactors; ++factor)
            options.push_back(std::to_string(factor));
        optionSelection = 0;
        stabilityAveragingFactor = 0;
    }
    Refresh();
    previousTestMode = mode;
}

void TestConfiguration::OnOptionChanged(int selection)
{
    if (selection >= static_cast<int>(options.size()))
        selection = -1;
    if (testMode == kManualCapture) {
        optionSelection = selection;
        if (selection < 0) {
            stabilityRangeIndex = 0;
        } else {
            stabilityRangeIndex = selection;
            rememberedManualRange = selection;
        }
    } else if (testMode == kPwmCapture) {
        optionSelection = selection;
        stabilityAveragingFactor = selection < 0 ? 0 : selection;
        stabilityRangeIndex = rememberedManualRange;
    } else {
        return;
    }
    Refresh();
}

void TestConfiguration::OnArea(int area)
{
    userArea = area == 1 ? 1 : 0;
    Refresh();
}

std::string TestConfiguration::UserTimeRangeMessage()
{
    return integerRangeMessage(kMinUserTime, kMaxUserTime);
}

std::string TestConfiguration::OnUserTimeEdited(std::string_view text)
{
    userTimeChanged = true;
    // A whole number, blanks around it allowed, nothing else.
    std::size_t first = text.find_first_not_of(" \t");
    std::size_t last = text.find_last_not_of(" \t");
    const auto digits = first == std::string_view::npos ? std::string_view() : text.substr(first, last - first + 1);
    bool number = !digits.empty() && digits.size() <= 9;
    for (std::size_t i = 0; number && i < digits.size(); ++i)
        number = (digits[i] >= '0' && digits[i] <= '9')
            || (i == 0 && (digits[i] == '-' || digits[i] == '+') && digits.size() > 1);
    if (!number)
        return UserTimeRangeMessage();
    const int value = readInteger(digits);
    if (!IsUserTime(value))
        return UserTimeRangeMessage();
    userTime = value;
    return {};
}

void TestConfiguration::OnUserTimeLeft()
{
    if (!userTimeChanged)
        return;
    userTimeChanged = false;
    Refresh();
}

void TestConfiguration::OnCheckRgb(bool on)
{
    checkRgb = on;
    if (valueGroupsChanged)
        valueGroupsChanged();
    Refresh();
}

void TestConfiguration::OnCheckHsi(bool on)
{
    checkHsi = on;
    if (valueGroupsChanged)
        valueGroupsChanged();
    Refresh();
}

void TestConfiguration::OnCheckXy(bool on)
{
    checkXy = on;
    if (valueGroupsChanged)
        valueGroupsChanged();
    Refresh();
}

int TestConfiguration::PrepareStartTest()
{
    if (boardSelection >= 0 && boardSelection + 1 != boardNumber)
        boardNumber = boardSelection + 1;
    if (testMode == kManualCapture || testMode == kPwmCapture)
        currentOption = optionSelection < 0 ? 0 : optionSelection;
    testRunning = true;
    switch (testMode) {
    case kManualCapture:
        return 3;
    case kUserCapture:
        return 5;
    case kPwmCapture:
        return 4;
    default:
        testRunning = false;
        return 0;
    }
}

} // namespace lumivex
