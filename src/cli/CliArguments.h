#pragma once

#include <string>

namespace lumivex {

// A whole number in [low, high], written as plain decimal digits.
bool readNumber(const std::string& text, int low, int high, int& value);

// "--json", "-h": the next option rather than a value ("-5" is a value, if a bad one).
bool isOption(const std::string& arg);

} // namespace lumivex
