#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace lumivex {

// Writes the whole file to a temporary file beside it and renames that over the target, so a
// crash during the write leaves the old file or the new one, never half of one. Returns false
// (and leaves the target untouched) when any step fails.
bool writeFileAtomically(const std::string& path, std::string_view bytes);

// Replaces `target` by `source` in one rename (both should lie in the same folder).
bool replaceFile(const std::string& source, const std::string& target);

// The whole file as raw bytes, or nothing when it cannot be opened or is larger than maxBytes.
std::optional<std::string> readWholeFile(const std::string& path, std::size_t maxBytes);

// The name of the temporary file used for `path`: same folder, so the rename stays on one drive.
std::string temporaryFileBeside(const std::string& path, std::string_view tempName);

} // namespace lumivex
