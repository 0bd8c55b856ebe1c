#include "main/ColourTestReport.h"

#include "foundation/Settings.h"
#include "multisensor/ReadingLists.h"

#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace lumivex {
namespace {

using test::readFile;
using test::RecordingDialogs;
using test::TempDir;
using test::writeFile;

const std::string kFilter = "Testreport - Datei (*txt)|*.txt| Alle Dateien (*.*)|*.*||";
const std::string kCannotRead = "Error cannot read test report file";
const std::string kNoData = "No measurement data available";

class ColourTestReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        lists.CreateEmptyReadings(2);
        lists.StoreReading(
            1, {"85", "86", "84", "120.00", "0.50", "1000", "0.3127", "0.3290", "6500"}, 2, 0, ReadingFlag::Measured);
        settings.resultFile = dir.file("TestReport.txt");
    }

    // The file dialog's answer, by name in the test folder; empty is a cancel.
    std::string chosen(const char* name) const { return *name ? dir.file(name) : std::string(); }

    RecordingDialogs dialogs;
    ReadingLists lists {dialogs};
    Settings settings;
    TempDir dir;
};

struct SaveCase {
    const char* name;
    int selectDatei;
    bool emptyResultFile;
    const char* answer; // the save dialog's answer
    const char* written; // the file expected, or empty for none
};

TEST_F(ColourTestReportTest, SaveWritesWhereTheSettingsOrTheDialogSay)
{
    const SaveCase cases[] = {
        {"configured_path", 0, false, "chosen.txt", "TestReport.txt"},
        {"dialog_choice_for_this_save_only", 1, false, "chosen.txt", "chosen.txt"},
        {"dialog_cancelled", 1, false, "", ""},
        {"no_path_configured", 0, true, "chosen.txt", ""},
    };
    for (const SaveCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(dir.file("TestReport.txt"));
        std::filesystem::remove(dir.file("chosen.txt"));
        dialogs.saveFileQuestions.clear();
        settings.selectDatei = c.selectDatei;
        settings.resultFile = c.emptyResultFile ? "" : dir.file("TestReport.txt");
        dialogs.saveFileAnswer = chosen(c.answer);

        EXPECT_EQ(SaveColourTestReport(lists, settings, dialogs), *c.written != '\0');
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_EQ(settings.resultFile, c.emptyResultFile ? "" : dir.file("TestReport.txt"));
        // The dialog offers its own name, whatever the setting names.
        ASSERT_EQ(dialogs.saveFileQuestions.size(), c.selectDatei == 1 ? 1u : 0u);
        if (c.selectDatei == 1) {
            EXPECT_EQ(dialogs.saveFileQuestions[0].initialName, "Result.txt");
            EXPECT_EQ(dialogs.saveFileQuestions[0].filter, kFilter);
        }
        for (const char* name : {"TestReport.txt", "chosen.txt"}) {
            const bool expected = std::string(name) == c.written;
            ASSERT_EQ(std::filesystem::exists(dir.file(name)), expected) << name;
            if (expected) {
                // The report names its own file first and holds the rows of the list.
                const std::string report = readFile(dir.file(name));
                EXPECT_EQ(report.rfind(dir.file(name) + "\r\n\r\n", 0), 0u);
                EXPECT_NE(report.find("\r\n1\t85\t86\t84\t120.00\t0.50\t1000\t"), std::string::npos);
                EXPECT_NE(report.find("\r\n2\t---\t"), std::string::npos);
            }
        }
    }
}

TEST_F(ColourTestReportTest, ListButtonWithoutResultsSaysSoAndWritesNothing)
{
    lists.CreateEmptyReadings(0);
    EXPECT_FALSE(SaveTestReportOfList(lists, settings, dialogs));
    EXPECT_EQ(dialogs.messages, std::vector<std::string> {kNoData});
    EXPECT_FALSE(std::filesystem::exists(settings.resultFile));

    dialogs.messages.clear();
    lists.CreateEmptyReadings(2);
    EXPECT_TRUE(SaveTestReportOfList(lists, settings, dialogs));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(std::filesystem::exists(settings.resultFile));
}

struct OpenCase {
    const char* name;
    int selectDatei;
    const char* answer; // the open dialog's answer
    bool programStarts;
    const char* opened; // the file handed to the program, or empty
    std::vector<std::string> messages;
};

TEST_F(ColourTestReportTest, OpenHandsAnExistingReportToItsProgram)
{
    writeFile(dir.file("TestReport.txt"), "report");
    writeFile(dir.file("other.txt"), "report");
    std::filesystem::create_directory(dir.file("folder.txt"));
    const OpenCase cases[] = {
        {"configured_path", 0, "other.txt", true, "TestReport.txt", {}},
        {"dialog_choice", 1, "other.txt", true, "other.txt", {}},
        {"dialog_cancelled", 1, "", true, "", {}},
        {"no_such_report", 1, "missing.txt", true, "", {}},
        {"a_folder_is_no_report", 1, "folder.txt", true, "", {}},
        {"no_program_starts", 0, "", false, "TestReport.txt", {kCannotRead}},
    };
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.messages.clear();
        dialogs.openedFiles.clear();
        dialogs.fileQuestions.clear();
        settings.selectDatei = c.selectDatei;
        dialogs.fileAnswer = chosen(c.answer);
        dialogs.openAnswer = c.programStarts;

        EXPECT_EQ(OpenColourTestReport(settings, dialogs), *c.opened != '\0' && c.programStarts);
        EXPECT_EQ(dialogs.openedFiles,
            *c.opened ? std::vector<std::string> {dir.file(c.opened)} : std::vector<std::string> {});
        EXPECT_EQ(dialogs.messages, c.messages);
        ASSERT_EQ(dialogs.fileQuestions.size(), c.selectDatei == 1 ? 1u : 0u);
        if (c.selectDatei == 1) {
            EXPECT_EQ(dialogs.fileQuestions[0].initialName, "Result.txt");
            EXPECT_EQ(dialogs.fileQuestions[0].filter, kFilter);
        }
    }
}

} // namespace
} // namespace lumivex
