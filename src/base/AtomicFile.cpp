#include "base/AtomicFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace lumivex {

std::string temporaryFileBeside(const std::string& path, std::string_view tempName)
{
    const std::filesystem::path target(path);
    return (target.parent_path() / std::string(tempName)).string();
}

bool replaceFile(const std::string& source, const std::string& target)
{
    std::error_code error;
    // std::filesystem::rename replaces an existing target in one step (rename(2) on POSIX,
    // MoveFileEx with MOVEFILE_REPLACE_EXISTING on Windows).
    std::filesystem::rename(source, target, error);
    return !error;
}

bool writeFileAtomically(const std::string& path, std::string_view bytes)
{
    const std::string temp = temporaryFileBeside(path, std::filesystem::path(path).filename().string() + ".~tmp");
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::remove(temp.c_str());
            return false;
        }
    }
    if (!replaceFile(temp, path)) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

std::optional<std::string> readWholeFile(const std::string& path, std::size_t maxBytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes;
    char block[4096];
    while (in.read(block, sizeof block) || in.gcount() > 0) {
        if (bytes.size() + static_cast<std::size_t>(in.gcount()) > maxBytes)
            return std::nullopt;
        bytes.append(block, static_cast<std::size_t>(in.gcount()));
    }
    // A read error (a folder given as a file, a device error) is no end of file.
    if (in.bad())
        return std::nullopt;
    return bytes;
}

} // namespace lumivex
