#include "cli/CliArguments.h"

#include <charconv>

namespace lumivex {

bool readNumber(const std::string& text, int low, int high, int& value)
{
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return !text.empty() && result.ec == std::errc() && result.ptr == end && value >= low && value <= high;
}

bool isOption(const std::string& arg)
{
    return arg.size() > 1 && arg[0] == '-' && !(arg[1] >= '0' && arg[1] <= '9');
}

} // namespace lumivex
