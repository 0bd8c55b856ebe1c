#pragma once

#include <string_view>

namespace lumivex {

// Numbers read as the C library's atoi and atof read them, but independent of the locale (Qt
// adopts the user's, which would turn "0.0100" into 0): leading white space, an optional sign,
// digits (for decimals with a fraction and an exponent); reading stops at the first other
// character, and text without digits reads 0. An integer beyond the int range saturates; a
// decimal beyond the double range reads 0 rather than an infinity, as does "inf", "nan" or a
// hexadecimal float.
int readInteger(std::string_view text);
double readDecimal(std::string_view text);

} // namespace lumivex
