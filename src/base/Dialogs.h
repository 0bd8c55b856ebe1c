#pragma once

#include <string>

namespace lumivex {

// The user-facing boxes the core asks for. The core never shows UI itself: the desktop program
// implements this with message boxes, the command-line tools print to standard error, and tests
// record what was asked. Texts are Windows-1252 bytes, as everywhere in the core.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A modal box with an OK button.
    virtual void message(const std::string& text) = 0;
    // The serial port's blocking box with the caption "PROBLEM".
    virtual void problem(const std::string& text) = 0;
    // A yes/no question; true for yes.
    virtual bool askYesNo(const std::string& text) = 0;
    // The platform's open-file dialog, starting with `initialName` and the file types of `filter`
    // ("Text (*.txt)|*.txt|All files (*.*)|*.*||"). The full path chosen, which need not exist yet,
    // or empty when the user cancelled. Where nobody can be asked the answer is a cancel.
    virtual std::string askOpenFileName(const std::string& initialName, const std::string& filter)
    {
        (void)initialName;
        (void)filter;
        return {};
    }
    // The platform's save-file dialog, the same way; it asks no confirmation before overwriting.
    virtual std::string askSaveFileName(const std::string& initialName, const std::string& filter)
    {
        (void)initialName;
        (void)filter;
        return {};
    }
    // Opens the file in the program the platform associates with its type (a report in the
    // user's editor). False when no program could be started; where nothing can be started that
    // is always the answer.
    virtual bool openInAssociatedProgram(const std::string& path)
    {
        (void)path;
        return false;
    }
};

} // namespace lumivex
