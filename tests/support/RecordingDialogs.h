#pragma once

#include "base/Dialogs.h"
#include "foundation/StringTable.h"

#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

namespace lumivex::test {

// The string table's texts of these ids, as the dialogs record them when the program says them.
inline std::vector<std::string> texts(std::initializer_list<StringId> ids)
{
    std::vector<std::string> out;
    for (const StringId id : ids)
        out.emplace_back(stringText(id));
    return out;
}

// Remembers every box the code under test asked for; questions get a preset answer.
class RecordingDialogs : public Dialogs {
public:
    void message(const std::string& text) override { messages.push_back(text); }
    void problem(const std::string& text) override { problems.push_back(text); }
    bool askYesNo(const std::string& text) override
    {
        questions.push_back(text);
        return answer;
    }
    std::string askOpenFileName(const std::string& initialName, const std::string& filter) override
    {
        fileQuestions.push_back({initialName, filter});
        return fileAnswer;
    }
    std::string askSaveFileName(const std::string& initialName, const std::string& filter) override
    {
        saveFileQuestions.push_back({initialName, filter});
        return saveFileAnswer;
    }
    bool openInAssociatedProgram(const std::string& path) override
    {
        openedFiles.push_back(path);
        return openAnswer;
    }

    struct FileQuestion {
        std::string initialName, filter;
        bool operator==(const FileQuestion&) const = default;
        friend std::ostream& operator<<(std::ostream& out, const FileQuestion& q)
        {
            return out << q.initialName << " | " << q.filter;
        }
    };

    std::vector<std::string> messages;
    std::vector<std::string> problems;
    std::vector<std::string> questions;
    bool answer = false;
    std::vector<FileQuestion> fileQuestions;
    std::string fileAnswer; // empty: the user cancels
    std::vector<FileQuestion> saveFileQuestions;
    std::string saveFileAnswer; // empty: the user cancels
    std::vector<std::string> openedFiles;
    bool openAnswer = true; // false: no program could be started
};

} // namespace lumivex::test
