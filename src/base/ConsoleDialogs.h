#pragma once

#include "base/Dialogs.h"

#include <iosfwd>

namespace lumivex {

// Boxes for programs without windows: texts go to a stream (standard error by default), and a
// question is answered with a fixed answer, since nobody is there to click.
class ConsoleDialogs : public Dialogs {
public:
    explicit ConsoleDialogs(std::ostream& out, bool answer = false) : m_out(out), m_answer(answer) { }
    ConsoleDialogs();

    void message(const std::string& text) override;
    void problem(const std::string& text) override;
    bool askYesNo(const std::string& text) override;
    // Nobody is there to choose a file: reported, and answered as cancelled.
    std::string askOpenFileName(const std::string& initialName, const std::string& filter) override;
    std::string askSaveFileName(const std::string& initialName, const std::string& filter) override;
    // Nor is there a program to show the file in: the path is printed for the user to open.
    bool openInAssociatedProgram(const std::string& path) override;

private:
    std::ostream& m_out;
    bool m_answer = false;
};

} // namespace lumivex
