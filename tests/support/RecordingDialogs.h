#pragma once

#include "base/Dialogs.h"

#include <string>
#include <vector>

namespace lumivex::test {

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

    std::vector<std::string> messages;
    std::vector<std::string> problems;
    std::vector<std::string> questions;
    bool answer = false;
};

} // namespace lumivex::test
