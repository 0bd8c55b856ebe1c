#include "foundation/SettingsStore.h"

#include "foundation/IniFile.h"

#include <filesystem>

namespace lumivex {

namespace {
IniFile readIni(const std::string& path)
{
    const auto bytes = readWholeFile(path, SettingsStore::kMaxIniBytes);
    return bytes ? IniFile::parse(*bytes) : IniFile();
}
} // namespace

Settings SettingsStore::load() const
{
    return loadSettings(readIni(m_location.iniPath), m_location.workingFolder);
}

FileWriteResult SettingsStore::save(const Settings& settings) const
{
    // A file that exists but cannot be read (or is absurdly large) would be destroyed by a save
    // built from nothing, so it is kept as it is.
    const auto bytes = readWholeFile(m_location.iniPath, kMaxIniBytes);
    std::error_code error;
    if (!bytes && std::filesystem::exists(m_location.iniPath, error))
        return {FileWriteStatus::Failed, "the file cannot be read"};
    IniFile ini = bytes ? IniFile::parse(*bytes) : IniFile();
    saveSettings(settings, ini);
    return writeFileAtomically(m_location.iniPath, ini.serialize());
}

} // namespace lumivex
