// Any bytes as a sensor settings file: loading must take exactly the whole 68-byte records the
// bytes hold (or refuse more than a list can number, leaving the list as it was), reading from a
// file must agree with reading from memory, and one save normalises a file for good: loading and
// saving it again gives the same bytes.
#include "base/Dialogs.h"
#include "foundation/Settings.h"
#include "multisensor/KonfListFile.h"
#include "multisensor/SensorSettingsList.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

class NoDialogs : public lumivex::Dialogs {
public:
    void message(const std::string&) override { std::abort(); } // loading never shows a box
    void problem(const std::string&) override { std::abort(); }
    bool askYesNo(const std::string&) override { return false; }
};

std::string tempPath()
{
    return "/tmp/fuzz_konf_" + std::to_string(getpid()) + ".cfg";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using lumivex::SensorSettingsList;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    NoDialogs dialogs;
    const auto deviation = lumivex::DeviationSettings::fromSettings(lumivex::Settings {});

    SensorSettingsList list(dialogs, deviation);
    list.CreateDefaultSettings(5);
    const std::string before = list.settingsFileBytes();
    const std::size_t records = size / lumivex::kKonfRecordSize;
    const bool ok = list.loadSettingsBytes(bytes);
    if (ok != (records <= static_cast<std::size_t>(SensorSettingsList::kMaxRecords)))
        std::abort();
    if (!ok) {
        if (list.settingsFileBytes() != before)
            std::abort();
        return 0;
    }
    if (static_cast<std::size_t>(list.settingsCount()) != records)
        std::abort();
    for (const auto& record : list.records()) {
        if ((record->ChangeFlags & 0x21FD) != 0x21FD || record->DevIntensPercent < 0 || record->DevIntensPercent > 100
            || record->DevXYPercent < 0 || record->DevXYPercent > 100)
            std::abort();
    }
    const auto walk = list.walkByIndex();
    for (std::size_t k = 0; k < walk.size(); ++k) {
        if (walk[k]->Index != static_cast<int>(k + 1))
            std::abort();
    }

    const std::string saved = list.settingsFileBytes();
    if (saved.size() != records * lumivex::kKonfRecordSize)
        std::abort();
    SensorSettingsList again(dialogs, deviation);
    if (!again.loadSettingsBytes(saved) || again.settingsFileBytes() != saved)
        std::abort();

    // The file path: the same records as from memory.
    const std::string path = tempPath();
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        const bool written = std::fwrite(data, 1, size, file) == size;
        std::fclose(file);
        SensorSettingsList fromFile(dialogs, deviation);
        if (written && (!fromFile.LoadSettingsFile(path) || fromFile.settingsFileBytes() != saved))
            std::abort();
        std::remove(path.c_str());
    }
    return 0;
}
