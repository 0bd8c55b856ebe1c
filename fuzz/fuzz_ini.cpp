// Any bytes as "Lumivex.ini": parsing, reading every setting, saving every setting and parsing the
// result again must not crash, and the save must keep the file's own lines intact.
#include "foundation/IniFile.h"
#include "foundation/Settings.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto ini = lumivex::IniFile::parse(bytes);
    if (ini.serialize() != bytes)
        std::abort();

    const auto settings = lumivex::loadSettings(ini, "/work");
    lumivex::saveSettings(settings, ini);
    const auto text = ini.serialize();

    // Reading the saved file back gives the same settings.
    const auto again = lumivex::loadSettings(lumivex::IniFile::parse(text), "/work");
    if (again.comPort != settings.comPort || again.logFile != settings.logFile || again.baudrate != settings.baudrate
        || again.abwIntens != settings.abwIntens || again.delay != settings.delay)
        std::abort();
    return 0;
}
