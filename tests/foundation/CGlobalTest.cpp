#include "foundation/CGlobal.h"

#include "NormalUser.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include <sys/stat.h>

using namespace lumivex;
using test::readFile;
using test::writeFile;

namespace {

std::tm fixedTime(int mday = 16)
{
    std::tm t {};
    t.tm_year = 73;
    t.tm_mon = 8;
    t.tm_mday = mday;
    t.tm_wday = 0;
    t.tm_hour = 1;
    t.tm_min = 3;
    t.tm_sec = 52;
    return t;
}

int countLines(const std::string& text)
{
    int lines = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
        ++lines;
    return lines;
}

struct LogFixture : ::testing::Test {
    test::TempDir dir;
    std::string path = dir.file("service.txt");
    CGlobal log;

    void SetUp() override
    {
        log.SetFilePath(path);
        log.SetLevel(9);
    }
};

} // namespace

TEST(CGlobalFormat, lineLayoutIsExactTextIsCutAndLineFeedsBecomeCrLf)
{
    const std::string time = CGlobal::FormatTime(fixedTime());
    EXPECT_EQ(time, "Sun Sep 16 01:03:52 1973 ");
    EXPECT_EQ(CGlobal::FormatTime(fixedTime(5)), "Sun Sep  5 01:03:52 1973 ") << "day right-aligned in two places";
    EXPECT_EQ(CGlobal::FormatLine(9, time, "Befehl gethw\r - aufgerufen"),
        "Lumivex.log : 9 Sun Sep 16 01:03:52 1973   Befehl gethw\r - aufgerufen\r\n");
    EXPECT_EQ(CGlobal::FormatLine(0, time, std::string(300, 'x')),
        "Lumivex.log : 0 " + time + "  " + std::string(249, 'x') + "\r\n");
    // A communication error text ends in its own newline, so an empty line follows it.
    EXPECT_EQ(CGlobal::FormatLine(6, time, "COMERROR  CE_RXOVER\n"),
        "Lumivex.log : 6 " + time + "  COMERROR  CE_RXOVER\r\n\r\n");
    EXPECT_EQ(CGlobal::FormatLine(9, time, "R\xFC"), "Lumivex.log : 9 " + time + "  R\xFC\r\n")
        << "the letter stays one byte";
}

TEST_F(LogFixture, appendsOneLinePerCallAndKeepsItsTag)
{
    log.SetTimeSource([] { return std::time_t {0}; });
    CGlobal serialWriter;
    serialWriter.SetFilePath(path);
    serialWriter.SetLevel(9);
    log.WriteLog(9, "first");
    serialWriter.WriteLog(6, "second");
    log.WriteLog(9, "third");

    const auto text = readFile(path);
    const std::regex layout(R"(Lumivex\.log : 9 [A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\d \d\d:\d\d:\d\d \d{4}   first\r\n)"
                            R"(Lumivex\.log : 6 [^\r]{24}   second\r\n)"
                            R"(Lumivex\.log : 9 [^\r]{24}   third\r\n)");
    EXPECT_TRUE(std::regex_match(text, layout)) << text;
}

TEST_F(LogFixture, levelZeroCreatesAndTouchesNothing)
{
    log.SetLevel(0);
    log.OpenLog();
    log.WriteLog(0, "start");
    EXPECT_FALSE(std::filesystem::exists(path));

    const std::string big(CGlobal::kTruncateAbove + 1, 'a');
    writeFile(path, big);
    log.OpenLog();
    EXPECT_EQ(readFile(path), big) << "no truncation at level 0";
}

TEST_F(LogFixture, callersFilterByLevel)
{
    // The same traffic at configured levels 5, 6 and 9: start block only, plus errors, plus all.
    const std::pair<int, int> expected[] = {{5, 3}, {6, 4}, {9, 5}};
    for (const auto& [level, lines] : expected) {
        std::filesystem::remove(path);
        log.SetLevel(level);
        log.OpenLog();
        if (log.IsLogging(6))
            log.WriteLog(6, "COMERROR  CE_FRAME");
        if (log.IsLogging(9))
            log.WriteLog(9, "Befehl testcon - aufgerufen");
        EXPECT_EQ(countLines(readFile(path)), lines) << "level " << level;
    }
}

TEST_F(LogFixture, startBlockIsBlankSeparatorBlank)
{
    log.OpenLog();
    const auto text = readFile(path);
    // Each line: the tag, " : 0 ", the time with its trailing blank, two blanks, the text.
    const std::string line = R"(Lumivex\.log : 0 [A-Z][a-z]{2} [A-Z][a-z]{2} [ \d]\d \d\d:\d\d:\d\d \d{4}   )";
    const std::regex block(line + " \r\n" + line + "-{88}\r\n" + line + " \r\n");
    EXPECT_TRUE(std::regex_match(text, block)) << text;

    log.SetLevel(-1);
    std::filesystem::remove(path);
    log.OpenLog();
    EXPECT_FALSE(std::filesystem::exists(path)) << "a negative level writes no start block";
}

TEST_F(LogFixture, aLogOver256KiBIsCutToBannerAndTail)
{
    std::string old;
    for (std::size_t i = 0; old.size() < CGlobal::kTruncateAbove + 1; ++i)
        old += static_cast<char>('A' + i % 26);
    writeFile(path, old);

    log.OpenLog();
    const auto text = readFile(path);
    const std::string expectedStart = std::string(CGlobal::kBanner) + old.substr(old.size() - CGlobal::kKeptTail);
    ASSERT_GE(text.size(), expectedStart.size());
    EXPECT_EQ(text.substr(0, expectedStart.size()), expectedStart);
    EXPECT_EQ(countLines(text.substr(expectedStart.size())), 3) << "the start block follows the kept tail";
    EXPECT_FALSE(std::filesystem::exists(dir.file("~~tmp.log")));
}

TEST_F(LogFixture, aLogOfExactly256KiBIsOnlyAppendedTo)
{
    const std::string old(CGlobal::kTruncateAbove, 'z');
    writeFile(path, old);
    log.OpenLog();
    const auto text = readFile(path);
    EXPECT_EQ(text.substr(0, old.size()), old) << "nothing lost";
    EXPECT_EQ(countLines(text.substr(old.size())), 3);
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
        CGlobal log;
        log.SetFilePath(path);
        log.SetLevel(9);
        log.OpenLog();
        return 0;
    }),
        0);
    EXPECT_EQ(readFile(path), old);
}

TEST_F(LogFixture, aFolderThatDoesNotExistLosesTheLineSilently)
{
    log.SetFilePath(dir.file("no/such/folder/Lumivex.log"));
    log.OpenLog();
    log.WriteLog(9, "lost");
    EXPECT_FALSE(std::filesystem::exists(dir.file("no")));
}

TEST(CGlobalPath, theWriterStartsAtLevel2)
{
    EXPECT_EQ(CGlobal().Level(), 2);
}
