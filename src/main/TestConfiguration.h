#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lumivex {

struct Settings;

enum TestMode : int { kManualCapture = 0, kUserCapture = 1, kPwmCapture = 2 };

// The "Test Configuration" group of the main window: which board and LED are tested, how the
// device captures (test mode, range or averaging, user area and time), and which value groups are
// shown. Widgets copy the view state below into their controls and report the user's choices to
// the handlers; the rules live here.
class TestConfiguration {
public:
    static constexpr std::array<std::string_view, 12> kRangeTexts
        = {"DISABLE", "UTH 3x3  10ms", "ULT 3x3  20ms", "SUP 3x3  60ms", "HGH 3x3 120ms", "MED 3x3 200ms",
            "LOW 3x3 600ms", "ULT 9x9  20ms", "SUP 9x9  60ms", "HGH 9x9 120ms", "MED 9x9 200ms", "LOW 9x9 600ms"};
    static constexpr std::array<std::string_view, 3> kTestModeTexts = {"Manual Capture", "User Capture", "PWM Capture"};
    static constexpr std::array<std::string_view, 5> kLedTexts = {"LED 1", "LED 2", "LED 3", "LED 4", "LED 5"};
    static constexpr int kPwmFactors = 16;
    static constexpr int kMinUserTime = 1;
    static constexpr int kMaxUserTime = 10000;
    static constexpr int kDefaultUserTime = 800;
    // A user time the device can be sent ("setusertime" has five digits); any other, from an
    // edited settings file or a device's reply, gives way to the default.
    static bool IsUserTime(int value) { return value >= kMinUserTime && value <= kMaxUserTime; }
    static constexpr int kStartRange = 5; // "MED 3x3 200ms"
    static constexpr int kRangeOnModeSwitch = 1; // "UTH 3x3  10ms"

    // Start-up: "Board1", the range list with its start selection, and the stored user area, user
    // time and value-group flags.
    explicit TestConfiguration(const Settings& settings);
    // The members that the settings file keeps: user time, user area, the three flags.
    void StoreInto(Settings& settings) const;

    // --- the configuration ---
    int boardNumber = 1;
    int ledIndex = 0;
    int testMode = kManualCapture;
    int previousTestMode = kManualCapture;
    int currentOption = 0; // range index (Manual) or averaging factor (PWM)
    int rememberedManualRange = kStartRange;
    int timeCode = 2; // of the last capture request
    int areaCode = 0;
    int userArea = 1; // 1: 9x9; anything else counts as 3x3
    int userTime = 800;
    bool userTimeChanged = false;
    bool checkRgb = true;
    bool checkHsi = true;
    bool checkXy = true;
    bool testRunning = false;

    // --- what the controls show ---
    std::vector<std::string> boardList;
    int boardSelection = 0; // -1: none
    std::string optionsLabel;
    std::vector<std::string> options;
    int optionSelection = 0; // -1: none
    bool optionsVisible = true; // Manual and PWM
    bool userControlsVisible = false; // User: area radio buttons, time field
    bool optionsFixedPitch = true; // the range list is set in a fixed-pitch font

    // --- the stability dialog's copies, and its refresh (does nothing while it is closed) ---
    int stabilityRangeIndex = kStartRange;
    int stabilityAveragingFactor = 0;
    std::function<void()> refreshStability;
    // Asked when a value-group flag changes, so that open windows re-lay their columns.
    std::function<void()> valueGroupsChanged;

    // --- handlers ---
    // The device reported its boards; 0 keeps the list as it is.
    void FillBoardList(int boardCount);
    void OnBoardChanged(int selection);
    void OnLedChanged(int ledIndex);
    void OnTestModeChanged(int mode);
    void OnOptionChanged(int selection);
    void OnArea(int area);
    // The user time field's text. A value outside 1..10000 (or no number) is refused with the
    // returned message and the member keeps its value; empty when accepted.
    std::string OnUserTimeEdited(std::string_view text);
    void OnUserTimeLeft();
    void OnCheckRgb(bool on);
    void OnCheckHsi(bool on);
    void OnCheckXy(bool on);

    // START TEST, before the capture is sent: takes the board and option selections over and
    // marks the test running. Returns the DeviceCommand number to send: 3 (Manual), 5 (User) or 4
    // (PWM); 0 for any other mode (nothing is sent).
    int PrepareStartTest();

    // The message for a refused user time.
    static std::string UserTimeRangeMessage();

private:
    void Refresh() const;
    void FillRangeList(int selection);
};

} // namespace lumivex
