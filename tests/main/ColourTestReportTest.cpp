#include "main/ColourTestReport.h"

#include "foundation/Settings.h"
#include "multisensor/ReadingLists.h"

#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace lumivex;
using namespace lumivex::test;
using Texts = std::vector<std::string>;

TEST(ColourTestReport, savesAndOpensWhereTheSettingsOrTheDialogSay)
{
    enum class Call { Save, SaveWithoutPath, SaveList, SaveEmptyList, Open };
    // `answer`: the file dialog's answer, a name in the test folder, empty for a cancel; `file`: the
    // report written or handed to the program, empty for none.
    struct Case {
        const char* name;
        Call call;
        int selectDatei;
        const char* answer;
        bool programStarts;
        const char* file;
        const char* message;
    };
    const Case cases[] = {
        {"save: the configured path", Call::Save, 0, "chosen.txt", true, "TestReport.txt", ""},
        {"save: the dialog's choice, for this save only", Call::Save, 1, "chosen.txt", true, "chosen.txt", ""},
        {"save: dialog cancelled", Call::Save, 1, "", true, "", ""},
        {"save: no path configured", Call::SaveWithoutPath, 0, "chosen.txt", true, "", ""},
        {"list button with results", Call::SaveList, 0, "", true, "TestReport.txt", ""},
        {"list button without results says so", Call::SaveEmptyList, 0, "", true, "", "No measurement data available"},
        {"open: the configured path", Call::Open, 0, "other.txt", true, "TestReport.txt", ""},
        {"open: the dialog's choice", Call::Open, 1, "other.txt", true, "other.txt", ""},
        {"open: dialog cancelled", Call::Open, 1, "", true, "", ""},
        {"open: no such report", Call::Open, 1, "missing.txt", true, "", ""},
        {"open: a folder is no report", Call::Open, 1, "folder.txt", true, "", ""},
        {"open: no program starts", Call::Open, 0, "", false, "TestReport.txt", "Error cannot read test report file"},
    };
    TempDir dir;
    std::filesystem::create_directory(dir.file("folder.txt"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingDialogs dialogs;
        ReadingLists lists {dialogs};
        lists.CreateEmptyReadings(c.call == Call::SaveEmptyList ? 0 : 2);
        Settings settings;
        settings.selectDatei = c.selectDatei;
        settings.resultFile = c.call == Call::SaveWithoutPath ? "" : dir.file("TestReport.txt");
        for (const char* name : {"TestReport.txt", "chosen.txt", "other.txt"}) {
            std::filesystem::remove(dir.file(name));
            if (c.call == Call::Open && std::string(name) != "chosen.txt")
                writeFile(dir.file(name), "report");
        }
        dialogs.saveFileAnswer = dialogs.fileAnswer = *c.answer ? dir.file(c.answer) : "";
        dialogs.openAnswer = c.programStarts;

        const bool done = c.call == Call::Open ? OpenColourTestReport(settings, dialogs)
            : c.call <= Call::SaveWithoutPath  ? SaveColourTestReport(lists, settings, dialogs)
                                               : SaveTestReportOfList(lists, settings, dialogs);
        EXPECT_EQ(done, *c.file && c.programStarts);
        EXPECT_EQ(dialogs.messages, *c.message ? Texts {c.message} : Texts {});
        // The dialog offers its own name, whatever the setting names.
        const auto& asked = c.call == Call::Open ? dialogs.fileQuestions : dialogs.saveFileQuestions;
        EXPECT_EQ(asked.size(), c.selectDatei == 1 ? 1u : 0u);
        for (const auto& question : asked)
            EXPECT_EQ(question.initialName + " " + question.filter,
                "Result.txt Testreport - Datei (*txt)|*.txt| Alle Dateien (*.*)|*.*||");
        if (c.call == Call::Open) {
            EXPECT_EQ(dialogs.openedFiles, *c.file ? Texts {dir.file(c.file)} : Texts {});
            continue;
        }
        for (const char* name : {"TestReport.txt", "chosen.txt"})
            EXPECT_EQ(std::filesystem::exists(dir.file(name)), std::string(name) == c.file) << name;
    }
}
