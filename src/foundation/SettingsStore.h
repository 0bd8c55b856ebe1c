#pragma once

#include "base/AtomicFile.h"
#include "foundation/IniLocation.h"
#include "foundation/Settings.h"

#include <string>

namespace lumivex {

// Reads "Lumivex.ini" once at start-up and writes every key back at the end. The save re-reads
// the file, so lines that someone else wrote meanwhile survive, and replaces it in one rename
// (writeFileAtomically: a read-only INI stays as it is, a linked one is written at its target).
class SettingsStore {
public:
    // An INI file larger than this is not a settings file; it is treated as unreadable and left
    // alone rather than loaded into memory.
    static constexpr std::size_t kMaxIniBytes = 16 * 1024 * 1024;

    explicit SettingsStore(IniLocation location) : m_location(std::move(location)) { }

    const IniLocation& location() const { return m_location; }

    // Every key from the file, or the defaults when it is missing or unreadable.
    Settings load() const;
    // Writes every key. When it could not (the old file is kept), the result says why, for the
    // caller's one message.
    FileWriteResult save(const Settings& settings) const;

private:
    IniLocation m_location;
};

} // namespace lumivex
