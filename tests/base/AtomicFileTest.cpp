#include "base/AtomicFile.h"

#include "NormalUser.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lumivex;
namespace fs = std::filesystem;

namespace {

// "own" belongs to the user who saves; "locked" does not and is closed once the files are laid
// out, so that no file can be made in it.
struct Bench {
    test::TempDir dir;
    fs::path own = dir.path() / "own";
    fs::path locked = dir.path() / "locked";

    Bench()
    {
        fs::create_directories(own / "shared");
        fs::create_directory(locked);
        test::giveToNormalUser(own);
        test::giveToNormalUser(own / "shared");
    }
    ~Bench() { ::chmod(locked.c_str(), 0755); }

    // A file holding "old" with the given mode, handed to the user who saves.
    std::string old(const fs::path& path, mode_t mode)
    {
        test::writeFile(path.string(), "old");
        test::giveToNormalUser(path);
        ::chmod(path.c_str(), mode);
        return path.string();
    }
};

std::optional<struct stat> statOf(const fs::path& path)
{
    struct stat s { };
    if (::stat(path.c_str(), &s) != 0)
        return std::nullopt;
    return s;
}

int temporariesIn(const fs::path& folder)
{
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        count += entry.path().filename().string().find(kTemporaryMark) != std::string::npos;
    return count;
}

struct WriteCase {
    const char* name;
    std::function<std::string(Bench&)> prepare; // lays out the files; the path to save
    const char* checked; // below the bench's folder: the file that must hold `content`
    const char* content; // nullptr: the file must not exist
    FileWriteStatus status;
    bool asCurrentUser = false; // root in CI; all other cases run as an unprivileged user
};

} // namespace

TEST(AtomicFile, readingRefusesFoldersAndOversizedFilesAndAFailedWriteLeavesNoTemporaryFile)
{
    test::TempDir dir;
    test::writeFile(dir.file("a.txt"), "12345");
    EXPECT_EQ(readWholeFile(dir.file("a.txt"), 5), "12345");
    EXPECT_FALSE(readWholeFile(dir.file("a.txt"), 4).has_value()) << "larger than allowed";
    EXPECT_FALSE(readWholeFile(dir.file("missing.txt"), 100).has_value());
    std::filesystem::create_directory(dir.file("folder"));
    EXPECT_FALSE(readWholeFile(dir.file("folder"), 100).has_value()) << "a folder is no empty file";

    // A write that cannot finish leaves the old file and no temporary one.
    ASSERT_TRUE(writeFileAtomically(dir.file("a.txt"), "new"));
    EXPECT_EQ(test::readFile(dir.file("a.txt")), "new");
    EXPECT_FALSE(writeFileAtomically(dir.file("folder"), "x")) << "cannot replace a folder";
    EXPECT_FALSE(writeFileAtomically(dir.file("no/such/folder/f.ini"), "x"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2) << "no temporary file left";
}

TEST(AtomicFile, whatTheUserSetUpAroundTheFileIsKept)
{
    const WriteCase cases[] = {
        {"a read-only file is left as it is", [](Bench& b) { return b.old(b.own / "a.ini", 0444); }, "own/a.ini", "old",
            FileWriteStatus::ReadOnly},
        {"a file without any write permission is left alone by root too",
            [](Bench& b) { return b.old(b.own / "a.ini", 0440); }, "own/a.ini", "old", FileWriteStatus::ReadOnly, true},
        {"a file shared with the group keeps its mode", [](Bench& b) { return b.old(b.own / "a.ini", 0664); },
            "own/a.ini", "new", FileWriteStatus::Written},
        {"another owner's file the group may write keeps its owner",
            [](Bench& b) {
                const auto path = b.old(b.own / "a.ini", 0664);
                if (geteuid() == 0)
                    ::chown(path.c_str(), 0, 65534);
                return path;
            },
            "own/a.ini", "new", FileWriteStatus::Written},
        {"root saving the user's file leaves it the user's", [](Bench& b) { return b.old(b.own / "a.ini", 0664); },
            "own/a.ini", "new", FileWriteStatus::Written, true},
        {"a symbolic link is written through to its target",
            [](Bench& b) {
                b.old(b.own / "shared" / "team.ini", 0644);
                fs::create_symlink("shared/team.ini", b.own / "a.ini");
                return (b.own / "a.ini").string();
            },
            "own/shared/team.ini", "new", FileWriteStatus::Written},
        {"a file in a folder that cannot take a temporary file is written in place",
            [](Bench& b) { return b.old(b.locked / "a.ini", 0644); }, "locked/a.ini", "new", FileWriteStatus::Written},
        {"no new file where the folder cannot be written", [](Bench& b) { return (b.locked / "a.ini").string(); },
            "locked/a.ini", nullptr, FileWriteStatus::Failed},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        Bench bench;
        const std::string path = c.prepare(bench);
        ::chmod(bench.locked.c_str(), 0555);
        const fs::path checked = bench.dir.path() / c.checked;
        const auto before = statOf(checked);
        const bool wasLink = fs::is_symlink(path);

        const auto save = [&] { return static_cast<int>(writeFileAtomically(path, "new").status); };
        EXPECT_EQ(c.asCurrentUser ? save() : test::runAsNormalUser(save), static_cast<int>(c.status));

        const auto after = statOf(checked);
        ASSERT_EQ(after.has_value(), c.content != nullptr);
        EXPECT_EQ(fs::is_symlink(path), wasLink);
        EXPECT_EQ(temporariesIn(checked.parent_path()), 0);
        if (!after)
            continue;
        EXPECT_EQ(test::readFile(checked.string()), c.content);
        EXPECT_EQ(after->st_mode, before->st_mode);
        EXPECT_EQ(after->st_uid, before->st_uid);
        EXPECT_EQ(after->st_gid, before->st_gid);
    }
}

TEST(AtomicFile, aSaveRemovesWhatAKilledSaveOfTheSameFileLeftAndNothingElse)
{
    test::TempDir dir;
    const pid_t gone = fork();
    if (gone == 0)
        _exit(0);
    waitpid(gone, nullptr, 0);
    const auto temporary = [&](const char* file, pid_t writer) {
        const std::string name = dir.file(file) + std::string(kTemporaryMark) + std::to_string(writer) + "-0";
        test::writeFile(name, "half");
        return name;
    };
    const std::string stale = temporary("a.ini", gone);
    const std::string running = temporary("a.ini", getppid());
    const std::string otherFile = temporary("b.ini", gone);

    ASSERT_TRUE(writeFileAtomically(dir.file("a.ini"), "new"));
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(running)) << "a save that still runs keeps its file";
    EXPECT_TRUE(fs::exists(otherFile));
}
