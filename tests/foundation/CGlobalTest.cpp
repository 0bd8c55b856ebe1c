#include "foundation/CGlobal.h"

#include "NormalUser.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <regex>
#include <tuple>

#include <sys/stat.h>

using namespace lumivex;
using test::readFile;
using test::writeFile;

namespace {

// A line's head up to its text: the tag, the level, the time with its trailing blank, two blanks.
std::string head(const char* level)
{
    return std::string(R"(Lumivex\.log : )") + level
        + R"( [A-Z][a-z]{2} [A-Z][a-z]{2} [ \d]\d \d\d:\d\d:\d\d \d{4}   )";
}

CGlobal writer(const std::string& path)
{
    CGlobal log;
    log.SetFilePath(path);
    log.SetLevel(9);
    return log;
}

struct LogFixture : ::testing::Test {
    test::TempDir dir;
    std::string path = dir.file("service.txt");
    CGlobal log = writer(path);
};

} // namespace

TEST(CGlobalFormat, lineLayoutIsExactTextIsCutAndLineFeedsBecomeCrLf)
{
    std::tm t {};
    strptime("1973-09-16 01:03:52", "%Y-%m-%d %H:%M:%S", &t);
    const std::string time = CGlobal::FormatTime(t);
    EXPECT_EQ(time, "Sun Sep 16 01:03:52 1973 ");
    t.tm_mday = 5;
    EXPECT_EQ(CGlobal::FormatTime(t), "Sun Sep  5 01:03:52 1973 ") << "day right-aligned in two places";
    const std::tuple<int, std::string, std::string> lines[] = {
        {9, "Befehl gethw\r - aufgerufen", "Befehl gethw\r - aufgerufen\r\n"},
        {0, std::string(300, 'x'), std::string(249, 'x') + "\r\n"},
        // A communication error text ends in its own newline, so an empty line follows it.
        {6, "COMERROR  CE_RXOVER\n", "COMERROR  CE_RXOVER\r\n\r\n"},
        {9, "R\xFC", "R\xFC\r\n"}, // the letter stays one byte
    };
    for (const auto& [level, text, tail] : lines)
        EXPECT_EQ(CGlobal::FormatLine(level, time, text),
            "Lumivex.log : " + std::to_string(level) + " Sun Sep 16 01:03:52 1973   " + tail);
}

TEST_F(LogFixture, startBlockThenOneLinePerCallFromBothWriters)
{
    EXPECT_EQ(CGlobal().Level(), 2) << "the writer's level before the settings are read";
    CGlobal serialWriter = writer(path);
    log.OpenLog();
    log.WriteLog(9, "first");
    serialWriter.WriteLog(6, "second");
    const std::regex layout(head("0") + " \r\n" + head("0") + "-{88}\r\n" + head("0") + " \r\n" + head("9")
        + "first\r\n" + head("6") + "second\r\n");
    EXPECT_TRUE(std::regex_match(readFile(path), layout)) << readFile(path);

    // A folder that does not exist loses the line silently and is not made.
    log.SetFilePath(dir.file("no/such/folder/Lumivex.log"));
    log.OpenLog();
    log.WriteLog(9, "lost");
    EXPECT_FALSE(std::filesystem::exists(dir.file("no")));
}

TEST_F(LogFixture, openingCutsOnlyALogOver256KiBAndCallersFilterByLevel)
{
    std::string big;
    for (std::size_t i = 0; big.size() < CGlobal::kTruncateAbove + 1; ++i)
        big += static_cast<char>('A' + i % 26);
    const std::string cut = std::string(CGlobal::kBanner) + big.substr(big.size() - CGlobal::kKeptTail);
    const std::string exact = big.substr(1);
    struct Case {
        const char* name;
        int level;
        std::string old; // empty: no file yet
        std::optional<std::string> kept; // what the log starts with afterwards; nothing: no file
        long lines; // after that: the start block and the lines the callers let through
    };
    const Case cases[] = {
        {"level 0 creates nothing", 0, "", std::nullopt, 0},
        {"level 0 does not cut", 0, big, big, 0},
        {"a negative level writes no start block, but the writer takes the line", -1, "", "", 1},
        {"level 5: the start block only", 5, "", "", 4},
        {"level 6: and the errors", 6, "", "", 5},
        {"over 256 KiB: the banner and the last 128 KiB, then everything", 9, big, cut, 6},
        {"exactly 256 KiB: only appended to", 9, exact, exact, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(path);
        if (!c.old.empty())
            writeFile(path, c.old);
        log.SetLevel(c.level);
        log.OpenLog();
        log.WriteLog(0, "start");
        if (log.IsLogging(6))
            log.WriteLog(6, "COMERROR  CE_FRAME");
        if (log.IsLogging(9))
            log.WriteLog(9, "Befehl testcon - aufgerufen");
        ASSERT_EQ(std::filesystem::exists(path), c.kept.has_value());
        const auto text = readFile(path);
        const std::string kept = c.kept.value_or("");
        ASSERT_EQ(text.substr(0, kept.size()), kept);
        EXPECT_EQ(std::count(text.begin() + long(kept.size()), text.end(), '\n'), c.lines);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("~~tmp.log")));
}

TEST(CGlobalCut, aLogOver256KiBThatTheUserMayNotWriteStaysWhole)
{
    test::TempDir dir;
    const std::string path = dir.file("Lumivex.log");
    const std::string old(CGlobal::kTruncateAbove + 1000, 'o');
    writeFile(path, old);
    test::giveToNormalUser(dir.path());
    test::giveToNormalUser(path);
    ::chmod(path.c_str(), 0444);
    ASSERT_EQ(test::runAsNormalUser([&] {
        writer(path).OpenLog();
        return 0;
    }),
        0);
    EXPECT_EQ(readFile(path), old);
}
