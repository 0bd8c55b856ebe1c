#include "base/ConsoleDialogs.h"

#include <iostream>

namespace lumivex {

ConsoleDialogs::ConsoleDialogs() : m_out(std::cerr) { }

void ConsoleDialogs::message(const std::string& text)
{
    m_out << text << '\n';
}

void ConsoleDialogs::problem(const std::string& text)
{
    m_out << "PROBLEM: " << text << '\n';
}

bool ConsoleDialogs::askYesNo(const std::string& text)
{
    m_out << text << (m_answer ? " (yes)" : " (no)") << '\n';
    return m_answer;
}

std::string ConsoleDialogs::askOpenFileName(const std::string& initialName, const std::string&)
{
    m_out << "Open file " << initialName << " (cancelled)" << '\n';
    return {};
}

std::string ConsoleDialogs::askSaveFileName(const std::string& initialName, const std::string&)
{
    m_out << "Save file " << initialName << " (cancelled)" << '\n';
    return {};
}

bool ConsoleDialogs::openInAssociatedProgram(const std::string& path)
{
    m_out << "Open file " << path << " (not opened)" << '\n';
    return false;
}

} // namespace lumivex
