#pragma once

#include "multisensor/CKonfList.h"

#include <array>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace lumivex {

// The controls of the settings dialog, by their ids.
enum class SettingsControl : int {
    KeepXyOffset = 1088,
    TestMode = 1012,
    MeasureTime = 1014,
    Range = 1015,
    PwmRuns = 1016,
    UserTime = 1090,
    Gain = 1091,
    XOffset = 1092,
    YOffset = 1093,
    Distance = 1094,
    IntensPercent = 1103,
    XyPercent = 1104,
    IntensPercentOn = 1105,
    XyPercentOn = 1106,
    IntensAbsOn = 1107,
    XyAbsOn = 1108,
    IntensAbs = 1109,
    XyAbs = 1110,
};

// The entries of the dialog's drop-down lists; an entry's index is the record's code.
inline constexpr std::array<std::string_view, 4> kTestModeEntries {
    "Manual Capture", "User Capture", "PWM Capture", " "};
inline constexpr std::array<std::string_view, 9> kMeasureTimeEntries {"0 = disabled", "1 = 600 ms", "2 = 200 ms",
    "3 = 120 ms", "4 = 60 ms", "5 = 20 ms", "6 = 10 ms", "7 = 2ms", "8 = Usr"};
inline constexpr std::array<std::string_view, 2> kRangeEntries {"3 x 3", "9 x 9"};
inline constexpr std::array<std::string_view, 16> kPwmRunsEntries {"0 = 5 runs", "1 = 10 runs", "2 = 15 runs",
    "3 = 20 runs", " 4 = 25 runs", "5 = 30 runs", "6 = 35 runs", "7 = 40 runs", "8 = 45 runs", "9 = 50 runs",
    "10 = 55 runs", "11 = 60 runs", "12 = 65 runs", "13 = 70 runs", "14 = 75 runs", "15 = 80 runs"};

// The two tolerance groups of the dialog.
enum class DeviationOf { Intensity, Xy };

// One group's boxes and edits as the dialog shows them. At most one box is on.
struct DeviationBoxes {
    bool percentOn = false;
    std::string percentText;
    bool absoluteOn = false;
    std::string absoluteText;
};

// Why OK was refused: the edit to correct, and a message naming it and its range.
struct SettingsRefusal {
    SettingsControl control;
    std::string message;
};

// The settings dialog of one sensor without its widgets: the members it shows, which controls are
// enabled, the rules of its boxes and lists, the checks of OK and the storing of what changed.
// Nothing reaches the record before apply(), so Cancel is simply dropping the form.
class SensorSettingsForm {
public:
    // Prepares the dialog for `record`. Two things happen to the record at once, whatever the
    // dialog's outcome: an absolute switch gives way to the percent switch that is on, and when
    // the record has nothing to send its stale pending bits are cleared.
    SensorSettingsForm(CKonfList& record, const DeviationSettings& ini, int firmware);

    int index() const { return m_index; }

    // The members, as the controls show them. Numbers the user types stay texts until OK.
    int testMode = 0;
    int measureTime = 0;
    int range = 0;
    int pwmRuns = 0;
    std::string userTime;
    std::string gain;
    std::string xOffset;
    std::string yOffset;
    std::string distance;
    const DeviationBoxes& deviation(DeviationOf of) const { return of == DeviationOf::Intensity ? m_intens : m_xy; }
    void editPercent(DeviationOf of, std::string text) { boxes(of).percentText = std::move(text); }
    void editAbsolute(DeviationOf of, std::string text) { boxes(of).absoluteText = std::move(text); }
    bool keepXyOffset() const { return m_keepXyOffset; }

    bool isEnabled(SettingsControl control) const { return !m_disabled.contains(control); }

    // A choice in "Test Modes" or "Measure Time": the lists and the user time follow the mode.
    void selectTestMode(int index);
    void selectMeasureTime(int index);
    // The percent and the absolute box of a group exclude each other; only the edit of the box
    // that is on can be edited.
    void clickPercent(DeviationOf of, bool on);
    void clickAbsolute(DeviationOf of, bool on);
    // "Don't change XY offset": the offset edits are locked while it is ticked.
    void clickKeepXyOffset(bool on);

    // OK: the first enabled edit whose text is not a number in its range; nothing when all fit.
    std::optional<SettingsRefusal> validate() const;
    // Stores into the record every member the user changed, with its pending bits, and the box
    // switches. True when a member changed (the list then counts as modified); nothing is stored
    // when validate() refuses.
    bool apply(CKonfList& record) const;

private:
    DeviationBoxes& boxes(DeviationOf of) { return of == DeviationOf::Intensity ? m_intens : m_xy; }
    void applyTestModeRule();
    void enable(SettingsControl control, bool on);

    int m_index = 0;
    DeviationBoxes m_intens;
    DeviationBoxes m_xy;
    bool m_keepXyOffset = false;
    std::set<SettingsControl> m_disabled;
    // The members as the dialog opened: a member the user left alone stays out of apply(), so a
    // number that does not survive its text form unchanged is not stored back as a change.
    struct Opened {
        int testMode, measureTime, range, pwmRuns;
        std::string userTime, gain, xOffset, yOffset, distance;
        DeviationBoxes intens, xy;
    };
    Opened m_opened {};
};

} // namespace lumivex
