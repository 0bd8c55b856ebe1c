#include "base/FormatText.h"

#include <cstdarg>
#include <cstdio>

namespace lumivex {

std::string formatText(const char* pattern, ...)
{
    std::va_list args;
    va_start(args, pattern);
    std::va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, pattern, args);
    va_end(args);

    std::string text;
    if (length > 0) {
        text.resize(static_cast<std::size_t>(length));
        std::vsnprintf(text.data(), text.size() + 1, pattern, again);
    }
    va_end(again);
    return text;
}

std::string integerRangeMessage(int low, int high)
{
    return formatText("Please enter an integer between %d and %d.", low, high);
}

} // namespace lumivex
