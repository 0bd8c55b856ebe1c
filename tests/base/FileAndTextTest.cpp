#include "base/AtomicFile.h"
#include "base/NumberText.h"
#include "base/Windows1252.h"

#include "NormalUser.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <functional>
#include <optional>
#include <tuple>

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
};

// Mode and owners, nothing when there is no file.
auto ownershipOf(const fs::path& path)
{
    struct stat s { };
    return ::stat(path.c_str(), &s) == 0 ? std::optional(std::tuple(s.st_mode, s.st_uid, s.st_gid)) : std::nullopt;
}

long temporariesIn(const fs::path& folder)
{
    return std::ranges::count_if(fs::directory_iterator(folder),
        [](const auto& entry) { return entry.path().filename().string().find(kTemporaryMark) != std::string::npos; });
}

} // namespace

TEST(AtomicFile, whatTheUserSetUpAroundTheFileIsKept)
{
    using enum FileWriteStatus;
    // A file holding "old" with the given mode below the bench's folder, handed to the user who saves.
    // With `rootsOwn` (when the tests run as root) the file belongs to root, and to the user's group.
    const auto file = [](const char* where, mode_t mode, bool rootsOwn = false) {
        return [=](Bench& b) {
            const fs::path path = b.dir.path() / where;
            test::writeFile(path.string(), "old");
            test::giveToNormalUser(path);
            ::chmod(path.c_str(), mode);
            if (rootsOwn && geteuid() == 0)
                ::chown(path.c_str(), 0, 65534);
            return path.string();
        };
    };
    const struct {
        const char* name;
        std::function<std::string(Bench&)> prepare; // lays out the files; the path to save
        const char* checked; // below the bench's folder: the file that must hold `content`
        const char* content; // nullptr: the file must not exist
        FileWriteStatus status;
        bool asCurrentUser = false; // root in CI; all other cases run as an unprivileged user
    } cases[] = {
        {"a read-only file is left as it is", file("own/a.ini", 0444), "own/a.ini", "old", ReadOnly},
        {"a file without any write permission is left alone by root too", file("own/a.ini", 0440), "own/a.ini", "old",
            ReadOnly, true},
        {"a file shared with the group keeps its mode", file("own/a.ini", 0664), "own/a.ini", "new", Written},
        {"another owner's file the group may write keeps its owner", file("own/a.ini", 0664, true), "own/a.ini", "new",
            Written},
        {"root saving the user's file leaves it the user's", file("own/a.ini", 0664), "own/a.ini", "new", Written,
            true},
        {"a symbolic link is written through to its target",
            [&file](Bench& b) {
                file("own/shared/team.ini", 0644)(b);
                fs::create_symlink("shared/team.ini", b.own / "a.ini");
                return (b.own / "a.ini").string();
            },
            "own/shared/team.ini", "new", Written},
        {"a file in a folder that cannot take a temporary file is written in place", file("locked/a.ini", 0644),
            "locked/a.ini", "new", Written},
        {"no new file where the folder cannot be written", [](Bench& b) { return (b.locked / "a.ini").string(); },
            "locked/a.ini", nullptr, Failed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bench bench;
        const std::string path = c.prepare(bench);
        ::chmod(bench.locked.c_str(), 0555);
        const fs::path checked = bench.dir.path() / c.checked;
        const auto before = ownershipOf(checked);
        const bool wasLink = fs::is_symlink(path);

        const auto save = [&] { return static_cast<int>(writeFileAtomically(path, "new").status); };
        EXPECT_EQ(c.asCurrentUser ? save() : test::runAsNormalUser(save), static_cast<int>(c.status));

        EXPECT_EQ(ownershipOf(checked), before);
        EXPECT_EQ(fs::is_symlink(path), wasLink);
        EXPECT_EQ(temporariesIn(checked.parent_path()), 0);
        EXPECT_EQ(fs::exists(checked) ? test::readFile(checked.string()) : "(none)", c.content ? c.content : "(none)");
    }
}

TEST(AtomicFile, aSaveRemovesWhatAKilledSaveOfTheSameFileLeftAndAFailedOneLeavesNothing)
{
    test::TempDir dir;
    const pid_t gone = fork();
    if (gone == 0)
        _exit(0);
    waitpid(gone, nullptr, 0);
    const auto temporary = [&](const char* file, pid_t writer) {
        return dir.file(file) + std::string(kTemporaryMark) + std::to_string(writer) + "-0";
    };
    const std::string stale = temporary("a.ini", gone), running = temporary("a.ini", getppid()),
                      otherFile = temporary("b.ini", gone);
    for (const std::string& name : {stale, running, otherFile})
        test::writeFile(name, "half");

    ASSERT_TRUE(writeFileAtomically(dir.file("a.ini"), "new"));
    EXPECT_EQ(readWholeFile(dir.file("a.ini"), 3), "new");
    EXPECT_FALSE(readWholeFile(dir.file("a.ini"), 2).has_value()) << "larger than allowed";
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(running)) << "a save that still runs keeps its file";
    EXPECT_TRUE(fs::exists(otherFile));

    fs::create_directory(dir.file("folder"));
    EXPECT_FALSE(readWholeFile(dir.file("folder"), 100).has_value()) << "a folder is no empty file";
    EXPECT_FALSE(writeFileAtomically(dir.file("folder"), "x")) << "cannot replace a folder";
    EXPECT_EQ(temporariesIn(dir.path()), 2) << "the running save's and the other file's";
}

// Device replies, INI values and display texts are all read through these two; they must read as
// atoi and atof do in the "C" locale, whatever the process locale is.
TEST(NumberText, readsLikeAtoiAndAtof)
{
    const struct {
        const char* text;
        int integer;
        double decimal;
    } cases[] = {{"01234", 1234, 1234.0}, {"  \t-42x", -42, -42.0}, {"+7", 7, 7.0}, {"0.3127", 0, 0.3127},
        {"-.5", 0, -0.5}, {"+.25", 0, 0.25}, {"5.", 5, 5.0}, {"1e3", 1, 1000.0}, {"-1.5e2xyz", -1, -150.0},
        {"1e", 1, 1.0}, {"1e+", 1, 1.0}, {"\r\n12", 12, 12.0}, {"", 0, 0.0}, {"abc", 0, 0.0}, {"- 5", 0, 0.0},
        {"--1", 0, 0.0}, {".", 0, 0.0}, {"inf", 0, 0.0}, {"nan", 0, 0.0}, {"0x1A", 0, 0.0}, {"1e999", 1, 0.0},
        {"99999999999", INT_MAX, 99999999999.0}, {"-99999999999", INT_MIN, -99999999999.0}};
    for (const auto& c : cases) {
        EXPECT_EQ(readInteger(c.text), c.integer) << c.text;
        EXPECT_DOUBLE_EQ(readDecimal(c.text), c.decimal) << c.text;
    }
}

TEST(Windows1252, germanLettersAndTheEuroRoundTripAndBadBytesDoNotCorrupt)
{
    const std::string cp1252 = "Gr\xFC\xDF \xC4\xD6\xDC\xE4\xF6 \x80 \x9F";
    const std::string utf8 = windows1252ToUtf8(cp1252);
    EXPECT_EQ(utf8, "Gr\xC3\xBC\xC3\x9F \xC3\x84\xC3\x96\xC3\x9C\xC3\xA4\xC3\xB6 \xE2\x82\xAC \xC5\xB8");
    EXPECT_EQ(utf8ToWindows1252(utf8), cp1252);
    EXPECT_EQ(windows1252ToUtf8("\x81"), "\xEF\xBF\xBD") << "undefined in Windows-1252";
    EXPECT_EQ(utf8ToWindows1252("\xE2\x86\x92"), "?") << "an arrow has no Windows-1252 byte";
    EXPECT_EQ(utf8ToWindows1252("a\xC3"), "a?") << "a cut sequence";
    EXPECT_EQ(utf8ToWindows1252("\xFF-"), "?-");
}
