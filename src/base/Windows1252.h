#pragma once

#include <string>
#include <string_view>

namespace lumivex {

// The core keeps text as Windows-1252 bytes, as the device and the files see it; terminals,
// JSON and Qt want UTF-8. The five bytes that Windows-1252 leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) become U+FFFD.
std::string windows1252ToUtf8(std::string_view text);
// Characters outside Windows-1252 (and invalid UTF-8) become '?'.
std::string utf8ToWindows1252(std::string_view text);

} // namespace lumivex
