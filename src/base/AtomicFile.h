#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace lumivex {

enum class FileWriteStatus {
    Written,
    ReadOnly, // the file exists and may not be written: it is left as it is
    Failed, // anything else (no such folder, a folder in the way, disk full, ...)
};

struct FileWriteResult {
    FileWriteStatus status = FileWriteStatus::Written;
    std::string reason; // why it was not written, for the caller's one message; empty when written

    explicit operator bool() const { return status == FileWriteStatus::Written; }
};

// Every file the program writes goes through here. The bytes go to a temporary file beside the
// target, are flushed to the disk and renamed over it, so a crash leaves the old file or the new
// one, never half of one. What the user set up around the file is kept:
//  - a read-only file (one we may not write, or one without any write permission) is not touched;
//  - a symbolic link is followed and its target replaced, so the link and other users of the
//    target stay as they are;
//  - an existing file keeps its owner, group and mode;
//  - when no temporary file can be made beside it (a folder we may not write) or it could not be
//    given the file's owner, an existing file we may write is overwritten in place instead; only
//    this way out can leave a damaged file, when it fails half-way.
// Otherwise a failed write leaves the target as it was. Temporary files of this target that a
// killed save left behind are removed first.
FileWriteResult writeFileAtomically(const std::string& path, std::string_view bytes);

// A message for the user about a file that could not be written: the caller's text, then a line
// with the file and why.
std::string writeFailureMessage(std::string_view message, const std::string& path, const FileWriteResult& result);

// The name of a temporary file for `path` starts with the file name and this text, followed by
// the writing process's number, a dash and a sequence number.
inline constexpr std::string_view kTemporaryMark = ".~lumivex-";

// The whole file as raw bytes, or nothing when it cannot be opened or is larger than maxBytes.
std::optional<std::string> readWholeFile(const std::string& path, std::size_t maxBytes);

} // namespace lumivex
