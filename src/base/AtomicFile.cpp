#include "base/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <system_error>

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace lumivex {

namespace {

namespace fs = std::filesystem;

FileWriteResult failed(int error)
{
    return {FileWriteStatus::Failed, std::generic_category().message(error)};
}

FileWriteResult readOnly()
{
    return {FileWriteStatus::ReadOnly, "the file is read-only"};
}

// The file a path finally names, following symbolic links the way opening it would. A relative
// link is relative to the folder of the link.
std::optional<fs::path> followLinks(fs::path path, int& error)
{
    // The kernel's own limit for links in a row.
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(path, ec)))
            return path;
        const fs::path next = fs::read_symlink(path, ec);
        if (ec) {
            error = ec.value();
            return std::nullopt;
        }
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    error = ELOOP;
    return std::nullopt;
}

fs::path folderOf(const fs::path& path)
{
    return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

std::string temporaryPrefix(const fs::path& target)
{
    return target.filename().string() + std::string(kTemporaryMark);
}

#ifndef _WIN32

bool processRuns(long pid)
{
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

// "<pid>-<sequence>" after the prefix: the writer's process number, or nothing for another name.
std::optional<long> writerOf(std::string_view rest)
{
    long pid = 0;
    const auto [afterPid, pidError] = std::from_chars(rest.data(), rest.data() + rest.size(), pid);
    if (pidError != std::errc() || afterPid == rest.data() || afterPid == rest.data() + rest.size() || *afterPid != '-')
        return std::nullopt;
    unsigned long sequence = 0;
    const char* end = rest.data() + rest.size();
    const auto [afterSequence, sequenceError] = std::from_chars(afterPid + 1, end, sequence);
    if (sequenceError != std::errc() || afterSequence == afterPid + 1 || afterSequence != end || pid <= 0)
        return std::nullopt;
    return pid;
}

void removeStaleTemporariesOf(const fs::path& target)
{
    const std::string prefix = temporaryPrefix(target);
    std::error_code ec;
    for (fs::directory_iterator it(folderOf(target), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const auto pid = writerOf(std::string_view(name).substr(prefix.size()));
        std::error_code typeError;
        // A save that still runs (here or in another instance) keeps its file.
        if (pid && *pid != ::getpid() && !processRuns(*pid)
            && it->symlink_status(typeError).type() == fs::file_type::regular) {
            std::error_code ignored;
            fs::remove(it->path(), ignored);
        }
    }
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool refusesWriting(int error)
{
    return error == EACCES || error == EPERM || error == EROFS;
}

// The fallback without a temporary file: the old bytes are overwritten, then the rest is cut off.
// Owner, mode and links stay by nature; a crash half-way would leave a mixed file, which is why
// this is only the way out when the safe way is barred.
FileWriteResult writeInPlace(const fs::path& target, std::string_view bytes)
{
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return refusesWriting(errno) ? readOnly() : failed(errno);
    int error = 0;
    if (!writeAll(fd, bytes) || ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0 || ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    return error == 0 ? FileWriteResult {} : failed(error);
}

// A new temporary file beside the target, or -1 with errno set.
int createTemporary(const fs::path& target, bool replacesFile, std::string& name)
{
    static std::atomic<unsigned> sequence {0};
    const std::string stem = (folderOf(target) / temporaryPrefix(target)).string() + std::to_string(::getpid()) + "-";
    // A file that replaces another gets that file's mode later; until then only we may read it.
    // A new file gets what the user's umask allows.
    const mode_t mode = replacesFile ? 0600 : 0666;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = stem + std::to_string(sequence++);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Gives the temporary file the owner, group and mode of the file it replaces.
bool takeOver(int fd, const struct stat& existing)
{
    struct stat made { };
    if (::fstat(fd, &made) != 0)
        return false;
    if ((made.st_uid != existing.st_uid || made.st_gid != existing.st_gid)
        && ::fchown(fd, existing.st_uid, existing.st_gid) != 0)
        return false;
    // After the owner: a change of owner clears the set-user and set-group bits.
    return ::fchmod(fd, existing.st_mode & 07777) == 0;
}

void syncFolder(const fs::path& folder)
{
    // Makes the rename itself last; a file system that cannot do this still did the rename.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

FileWriteResult writeResolved(const fs::path& target, std::string_view bytes)
{
    struct stat existing { };
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT)
        return failed(errno);
    if (exists) {
        if (S_ISDIR(existing.st_mode))
            return failed(EISDIR);
        if (!S_ISREG(existing.st_mode))
            return {FileWriteStatus::Failed, "not a plain file"};
        // A file that nobody may write was meant to stay as it is, also when root runs us.
        if ((existing.st_mode & 0222) == 0)
            return readOnly();
        // Only asks whether we may write it: no O_TRUNC.
        const int probe = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (probe < 0)
            return refusesWriting(errno) ? readOnly() : failed(errno);
        ::close(probe);
    }

    std::string temp;
    const int fd = createTemporary(target, exists, temp);
    if (fd < 0) {
        const int error = errno;
        return exists && refusesWriting(error) ? writeInPlace(target, bytes) : failed(error);
    }
    if (exists && !takeOver(fd, existing)) {
        ::close(fd);
        ::unlink(temp.c_str());
        return writeInPlace(target, bytes);
    }
    int error = 0;
    if (!writeAll(fd, bytes) || ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        return failed(error);
    }
    syncFolder(folderOf(target));
    return {};
}

#else

void removeStaleTemporariesOf(const fs::path&) { }

FileWriteResult writeResolved(const fs::path& target, std::string_view bytes)
{
    std::error_code ec;
    const auto status = fs::status(target, ec);
    if (fs::exists(status)) {
        if (!fs::is_regular_file(status))
            return {FileWriteStatus::Failed, "not a plain file"};
        if ((status.permissions() & fs::perms::owner_write) == fs::perms::none)
            return readOnly();
    }
    const fs::path temp = folderOf(target) / (temporaryPrefix(target) + "0-0");
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            fs::remove(temp, ec);
            return {FileWriteStatus::Failed, "cannot write " + temp.string()};
        }
    }
    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return {FileWriteStatus::Failed, ec.message()};
    }
    return {};
}

#endif

} // namespace

FileWriteResult writeFileAtomically(const std::string& path, std::string_view bytes)
{
    int error = 0;
    const auto target = followLinks(path, error);
    if (!target)
        return failed(error);
    removeStaleTemporariesOf(*target);
    return writeResolved(*target, bytes);
}

std::string writeFailureMessage(std::string_view message, const std::string& path, const FileWriteResult& result)
{
    return std::string(message) + "\n" + path + ": " + result.reason;
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
