#pragma once

#include <string>

#if defined(__GNUC__)
#define LUMIVEX_PRINTF_FORMAT(patternIndex, firstArg) __attribute__((format(printf, patternIndex, firstArg)))
#else
#define LUMIVEX_PRINTF_FORMAT(patternIndex, firstArg)
#endif

namespace lumivex {

// snprintf into a string of whatever length the result needs. The device's and the log's texts
// are printf patterns; going through the C library keeps their padding and rounding exact.
std::string formatText(const char* pattern, ...) LUMIVEX_PRINTF_FORMAT(1, 2);

// The dialog framework's standard message for a whole number outside its range.
std::string integerRangeMessage(int low, int high);

} // namespace lumivex
