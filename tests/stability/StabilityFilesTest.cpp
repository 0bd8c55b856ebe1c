// The stability report's data companion byte by byte, the text report, and Save, Load and Open
// with the files they leave.
#include "stability/StabilityFiles.h"

#include "base/LittleEndian.h"
#include "foundation/Settings.h"

#include "NormalUser.h"
#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <filesystem>

#include <sys/stat.h>

namespace lumivex {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::RecordingDialogs;
using test::TempDir;
using test::writeFile;

// "0a ff" -> the bytes 0x0a 0xff; blanks are for the reader.
std::string hex(std::string_view digits)
{
    std::string bytes;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (digits[i] != ' ')
            bytes += static_cast<char>(std::stoi(std::string(digits.substr(i++, 2)), nullptr, 16));
    }
    return bytes;
}

// A companion's N and setup, and one reading, laid out by hand.
std::string header(std::int32_t n, std::array<std::int32_t, 6> setup = {0, 5, 0, 0, 1, 100})
{
    std::string bytes(kStabilityHeaderSize, '\0');
    auto* at = reinterpret_cast<std::uint8_t*>(bytes.data());
    le::put32(at, static_cast<std::uint32_t>(n));
    for (std::size_t i = 0; i < setup.size(); ++i)
        le::put32(at + 4 + 4 * i, static_cast<std::uint32_t>(setup[i]));
    return bytes;
}

std::string reading(std::uint16_t number, std::uint16_t flags = 0x0007, float hue = 1.0f)
{
    std::string bytes(kStabilityReadingSize, '\0');
    auto* at = reinterpret_cast<std::uint8_t*>(bytes.data());
    le::put16(at, number);
    le::put16(at + 2, flags);
    le::putFloat(at + 20, hue);
    return bytes;
}

std::vector<int> numbersOf(const std::vector<CBlinkData>& readings)
{
    std::vector<int> numbers;
    for (const CBlinkData& r : readings)
        numbers.push_back(r.ReadingNo);
    return numbers;
}

TEST(StabilityCompanion, isWrittenFieldByFieldInNumberOrderUpToTheHighestNumber)
{
    const StabilitySetup setup {2, 7, 2, 3, 1, 1234};
    // Out of order, 1 twice (the first counts), 2 missing, one without a number.
    const std::vector<CBlinkData> readings {
        {3, 0x0057, 1, 2, 3, -1, 0, 2.0f, 0.0f, 1.0f},
        {1, 0x0057, 85, -2, 84, 70000, 50, 1.5f, 0.25f, 0.5f},
        {1, 0x0001, 9, 9, 9, 9, 9, 9.0f, 9.0f, 9.0f},
        {0, 0x0057, 7, 7, 7, 7, 7, 7.0f, 7.0f, 7.0f},
    };
    const std::string golden
        = hex("03000000 02000000 07000000 02000000 03000000 01000000 d2040000"
              "0100 5700 5500 feff 5400 0000 70110100 3200 0000 0000c03f 0000803e 0000003f 00000000"
              "0300 5700 0100 0200 0300 0000 ffffffff 0000 0000 00000040 00000000 0000803f 00000000");
    EXPECT_EQ(stabilityCompanionBytes(setup, readings), golden);

    const auto back = parseStabilityCompanion(golden);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->declaredCount, 3);
    EXPECT_EQ(back->setup, setup);
    EXPECT_EQ(back->readings, (std::vector<CBlinkData> {readings[1], readings[0]}));
}

const std::tm kWhen = [] {
    std::tm t {};
    strptime("2024-03-07 09:05:03", "%Y-%m-%d %H:%M:%S", &t);
    return t;
}();

const std::string kTitle = "Stability Analyses  -Manual Capture-  Board: 1 Sensor: 2 Time: 20ms Area: 3x3";
// Given out of order: the report lists them by number.
const std::vector<CBlinkData> kReadings {
    {2, 0x0017, 10, 20, 30, 400, 5, 7.25f, 0.125f, 0.75f},
    {1, 0x0015, 85, 86, 84, 1000, 50, 120.5f, 0.3127f, 0.329f},
};

std::string reportStart(const std::string& path)
{
    return path + "   Data: 07.03.2024  Time: 09:05:03\r\n\r\n" + kTitle + "\r\n\r\n";
}

TEST(StabilityReportText, headsAndColumnsFollowTheGroupsThatAreOn)
{
    const std::pair<StabilityGroups, const char*> cases[] = {
        {{false, false, true}, "No\tX\tY\r\n\r\n1\t0.3127\t0.3290\t\r\n2\t0.1250\t0.7500\t\r\n"},
        // Without HSI the intensity goes with the colours; with it, once, beside hue and saturation.
        {{true, false, false}, "No\tRed\tGreen\tBlue\tInt\r\n\r\n1\t85\t86\t84\t1000\t\r\n2\t10\t20\t30\t400\t\r\n"},
        {{true, true, false},
            "No\tRed\tGreen\tBlue\tHue\tSat\tInt\r\n\r\n1\t85\t86\t84\t120.50\t50\t1000\t\r\n"
            "2\t10\t20\t30\t7.25\t5\t400\t\r\n"},
        {{false, true, true},
            "No\tHue\tSat\tInt\tX\tY\r\n\r\n1\t120.50\t50\t1000\t0.3127\t0.3290\t\r\n"
            "2\t7.25\t5\t400\t0.1250\t0.7500\t\r\n"},
        {{true, true, true},
            "No\tRed\tGreen\tBlue\tHue\tSat\tInt\tX\tY\r\n\r\n1\t85\t86\t84\t120.50\t50\t1000\t0.3127\t0.3290\t\r\n"
            "2\t10\t20\t30\t7.25\t5\t400\t0.1250\t0.7500\t\r\n"},
    };
    for (const auto& [groups, rest] : cases) {
        SCOPED_TRACE(rest);
        EXPECT_EQ(stabilityReportText("C:/lab/StabilityReport.txt", kWhen, kTitle, groups, kReadings),
            reportStart("C:/lab/StabilityReport.txt") + rest);
    }
}

class StabilityReportFiles : public ::testing::Test {
protected:
    StabilityReportFiles() { settings.stabilityFile = dir.file("StabilityReport.txt"); }

    TempDir dir;
    Settings settings;
    RecordingDialogs dialogs;
    StabilityReportInput input {{1, 5, 0, 0, 1, 830}, kReadings, {false, false, true}, kTitle};
};

TEST_F(StabilityReportFiles, saveWritesTheCompanionAndTheReportWhereTheSettingsOrTheDialogSay)
{
    struct Case {
        const char* name;
        int selectDatei;
        const char* configured; // "StabilityFile", in the test folder; empty: none
        const char* answer; // the save dialog's answer
        std::vector<CBlinkData> readings;
        StabilityGroups groups;
        const char* message; // the start of the one message, or empty
        const char* written; // the report written beside its companion, or empty
        const char* companion = "StabilityReport.dat";
    };
    const StabilityGroups xy {false, false, true};
    std::vector<CBlinkData> unnumbered = kReadings; // records reserved but not yet filled
    for (CBlinkData& r : unnumbered)
        r.ReadingNo = 0;
    const Case cases[] = {
        {"configured_path", 0, "StabilityReport.txt", "", kReadings, xy, "", "StabilityReport.txt"},
        {"dialog_choice_four_letter_ending", 1, "StabilityReport.txt", "run.html", kReadings, xy, "", "run.html",
            "run.hdat"},
        {"no_path_configured", 0, "", "", kReadings, xy, "", ""},
        {"no_readings", 0, "StabilityReport.txt", "", {}, xy, "No stability", ""},
        {"only_unnumbered_readings", 0, "StabilityReport.txt", "", unnumbered, xy, "No stability", ""},
        {"report_named_like_its_companion", 1, "", "run.dat", kReadings, xy, "Saving of analysed data", ""},
        {"no_group_on_gives_an_empty_report", 0, "StabilityReport.txt", "", kReadings, {false, false, false}, "",
            "StabilityReport.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir own;
        RecordingDialogs asked;
        const auto chosen = [&own](const char* name) { return *name ? own.file(name) : std::string(); };
        settings.selectDatei = c.selectDatei;
        settings.stabilityFile = chosen(c.configured);
        asked.saveFileAnswer = chosen(c.answer);
        input.readings = c.readings;
        input.groups = c.groups;

        EXPECT_EQ(saveStabilityReportAt(input, settings, asked, kWhen), *c.written != '\0');
        ASSERT_EQ(asked.messages.size(), *c.message ? 1u : 0u);
        if (*c.message) {
            EXPECT_EQ(asked.messages[0].rfind(c.message, 0), 0u) << asked.messages[0];
        }
        if (c.selectDatei == 1) {
            ASSERT_EQ(asked.saveFileQuestions.size(), 1u);
            EXPECT_EQ(asked.saveFileQuestions[0].initialName, "StabilityReport.txt");
            EXPECT_EQ(asked.saveFileQuestions[0].filter, "Testreport - Datei (*txt)|*.txt| Alle Dateien (*.*)|*.*||");
        }
        ASSERT_EQ(std::distance(fs::directory_iterator(own.path()), fs::directory_iterator()), *c.written ? 2 : 0);
        if (!*c.written)
            continue;
        EXPECT_EQ(parseStabilityCompanion(readFile(own.file(c.companion)))->readings.size(), 2u);
        const std::string report = own.file(c.written);
        const bool anyGroup = c.groups.rgbi || c.groups.hsi || c.groups.xy;
        EXPECT_EQ(readFile(report),
            anyGroup ? reportStart(report) + "No\tX\tY\r\n\r\n1\t0.3127\t0.3290\t\r\n2\t0.1250\t0.7500\t\r\n" : "");
    }
}

TEST_F(StabilityReportFiles, aFailedSaveSays235AndKeepsTheOldFiles)
{
    struct Case {
        const char* name;
        mode_t companionMode; // 0: no old companion
        mode_t reportMode; // 0: no old report
        bool reportIsFolder;
        mode_t folderMode;
        bool companionReplaced;
    };
    const Case cases[] = {
        {"companion_read_only", 0444, 0644, false, 0755, false},
        {"report_read_only", 0644, 0444, false, 0755, true},
        {"report_is_a_folder", 0644, 0, true, 0755, true},
        {"closed_folder_without_old_files", 0, 0, false, 0555, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir own;
        const std::string report = own.file("StabilityReport.txt");
        const std::string companion = own.file("StabilityReport.dat");
        test::giveToNormalUser(own.path());
        for (const auto& [path, mode] : {std::pair {companion, c.companionMode}, std::pair {report, c.reportMode}}) {
            if (mode == 0)
                continue;
            writeFile(path, "old");
            test::giveToNormalUser(path);
            ::chmod(path.c_str(), mode);
        }
        if (c.reportIsFolder)
            fs::create_directory(report);
        ::chmod(own.path().c_str(), c.folderMode);
        settings.stabilityFile = report;

        const int status = test::runAsNormalUser([&] {
            RecordingDialogs child;
            const bool saved = saveStabilityReportAt(input, settings, child, kWhen);
            const bool said235 = child.messages.size() == 1
                && child.messages[0].rfind("Saving of analysed data is not possible", 0) == 0;
            return saved ? 1 : said235 ? 0 : 2;
        });
        ::chmod(own.path().c_str(), 0755);
        EXPECT_EQ(status, 0);
        const std::string companionAfter = fs::exists(companion) ? readFile(companion) : "";
        if (c.companionReplaced) {
            EXPECT_TRUE(parseStabilityCompanion(companionAfter).has_value());
        } else {
            EXPECT_EQ(companionAfter, c.companionMode ? "old" : "");
        }
        if (!c.reportIsFolder) {
            EXPECT_EQ(fs::exists(report) ? readFile(report) : "", c.reportMode ? "old" : "");
        }
    }
}

// Load reads the companion of the chosen report: only what its bytes hold, and nothing that no run
// writes.
TEST_F(StabilityReportFiles, loadTakesWhatTheCompanionHoldsAndNamesWhatStopsIt)
{
    struct Case {
        const char* name;
        std::optional<std::string> companion; // none: no file; "/": a folder
        const char* message; // empty: loaded
        std::vector<int> numbers = {};
        int readingsSetting = 0;
        bool setup = false;
        std::optional<StabilityGroups> groups = std::nullopt;
    };
    const char* const noData = "No stability analysis data available";
    std::string tenReadings = header(12) + reading(1, 0x0015);
    for (std::uint16_t n = 2; n <= 10; ++n)
        tenReadings += reading(n);
    const StabilityGroups all {true, true, true};
    const Case cases[] = {
        {"no_companion", std::nullopt, "Path or file not found"},
        {"companion_is_a_folder", "/", noData},
        {"empty", "", noData},
        {"n_zero", header(0), noData},
        {"n_negative", header(-1) + reading(1), noData},
        {"only_n_keeps_the_setup", header(5).substr(0, 4), "", {}, 5},
        {"header_cut_short", header(5).substr(0, 20), "", {}, 5},
        {"huge_n_within_the_readings_range", header(INT_MAX) + reading(1), "", {1}, 100, true, all},
        {"twelve_said_ten_held", tenReadings, "", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 12, true, {{true, false, true}}},
        {"unnumbered_readings_skipped", header(3) + reading(0, 7, NAN) + reading(1) + reading(0) + reading(2), "",
            {1, 2}, 3, true, all},
        {"trailing_part_of_a_reading", header(2) + reading(1) + reading(2).substr(0, 35), "", {1}, 2, true, all},
        {"groups_of_reading_1_held_second", header(2) + reading(2, 0x0004) + reading(1, 0x0001), "", {2, 1}, 2, true,
            {{true, false, false}}},
        {"groups_of_the_first_reading_without_reading_1", header(3) + reading(3, 0x0004) + reading(2, 0x0001), "",
            {3, 2}, 3, true, {{false, false, true}}},
        {"no_led_chosen", header(1, {-1, 5, 0, 0, 1, 0}), "", {}, 1, true},
        {"led_index_below_minus_one", header(1, {-2, 5, 0, 0, 1, 0}), noData},
        {"range_index_12", header(1, {0, 12, 0, 0, 1, 0}), noData},
        {"test_mode_3", header(1, {0, 5, 3, 0, 1, 0}), noData},
        {"averaging_16", header(1, {0, 5, 2, 16, 1, 0}), noData},
        {"negative_duration", header(1, {0, 5, 0, 0, 1, -1}), noData},
        {"hue_not_a_number", header(1) + reading(1, 7, NAN), noData},
    };
    const std::string path = dir.file("StabilityReport.dat");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(path);
        dialogs.messages.clear();
        if (c.companion == "/")
            fs::create_directory(path);
        else if (c.companion)
            writeFile(path, *c.companion);

        const auto loaded = loadStabilityReport(settings, dialogs);
        EXPECT_EQ(dialogs.messages, *c.message ? std::vector<std::string> {c.message} : std::vector<std::string> {});
        ASSERT_EQ(loaded.has_value(), !*c.message);
        if (!loaded)
            continue;
        EXPECT_EQ(numbersOf(loaded->readings), c.numbers);
        EXPECT_EQ(loaded->readingsSetting, c.readingsSetting);
        EXPECT_EQ(loaded->setup.has_value(), c.setup);
        EXPECT_EQ(loaded->groups, c.groups);
    }
}

TEST_F(StabilityReportFiles, openHandsAnExistingReportToItsProgram)
{
    EXPECT_FALSE(openStabilityReport(settings, dialogs));
    EXPECT_EQ(dialogs.messages, std::vector<std::string> {"Path or file not found"});
    writeFile(settings.stabilityFile, "report");
    for (const bool programStarts : {true, false}) {
        dialogs.messages.clear();
        dialogs.openAnswer = programStarts;
        EXPECT_EQ(openStabilityReport(settings, dialogs), programStarts);
        EXPECT_EQ(dialogs.openedFiles.back(), settings.stabilityFile);
        EXPECT_EQ(dialogs.messages.empty(), programStarts);
    }
    EXPECT_EQ(dialogs.messages, std::vector<std::string> {"Error cannot read test report file"});
}

} // namespace
} // namespace lumivex
