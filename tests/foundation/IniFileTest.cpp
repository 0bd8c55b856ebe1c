#include "foundation/IniFile.h"
#include "foundation/IniLocation.h"
#include "foundation/StringTable.h"

#include "RecordingDialogs.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <set>

using namespace lumivex;
using namespace std::string_literals;

namespace {

const char* const kSample = "; Lumivex settings\r\n[SYSTEM]\r\nCOMPORT = COM3 \r\nBaudrate=57600\r\n"
                            "; a comment = not a key\r\nResultFile=\"C:\\reports\\out.txt\"\r\n\r\n"
                            "[Extra]\r\nUnknown=kept\r\n";

} // namespace

TEST(IniFileRead, findsKeysWithoutRegardToCaseBlanksOrQuotes)
{
    const auto ini = IniFile::parse(kSample);
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"SYSTEM", "COMPORT", "COM3"}, {"system", "comport", "COM3"}, {"SYSTEM", "ResultFile", "C:\\reports\\out.txt"},
        {"SYSTEM", "Missing", "dflt"}, {"NoSection", "COMPORT", "dflt"}, {"Extra", "Unknown", "kept"},
        {"SYSTEM", "; a comment", "dflt"}, // a comment line is never a key, even with an equals sign
    };
    for (const auto& [section, key, value] : cases)
        EXPECT_EQ(ini.getString(section, key, "dflt"), value) << key;
    // Integers come from their leading digits; an empty value gives the default.
    const auto numbers = IniFile::parse("[S]\nA=12abc\nB=abc\nF=\nH=\"3\"\n");
    std::vector<int> read;
    for (const char* key : {"A", "B", "F", "H", "Missing"})
        read.push_back(numbers.getInt("S", key, 800));
    EXPECT_EQ(read, (std::vector<int> {12, 0, 800, 3, 800}));
}

TEST(IniFileRead, hostileContentLoadsAndLongStringsAreCutTo126Bytes)
{
    std::string junk = "\x00\xff\xfe[\x01]]]==\r\r\n[S]\n\0\n"s;
    junk += "K=" + std::string(10000, 'v') + "\n[T]\nL=\x80\x81";
    const auto ini = IniFile::parse(junk);
    EXPECT_EQ(ini.getString("S", "K", ""), std::string(126, 'v'));
    EXPECT_EQ(ini.getString("S", "Missing", std::string(127, 'd')).size(), 126u) << "the default is cut the same way";
    EXPECT_EQ(ini.getString("T", "L", ""), "\x80\x81") << "a last line without line end is read";
    EXPECT_EQ(ini.serialize(), junk);
}

TEST(IniFileWrite, replacesInPlaceAddsAfterTheSectionsLastKeyAndKeepsEveryOtherLine_theFirstDuplicateCounts)
{
    auto ini = IniFile::parse(kSample);
    ini.setString("SYSTEM", "Baudrate", "9600");
    ini.setString("system", "comport", "COM7");
    ini.setString("SYSTEM", "Log-Level", "6");
    ini.setString("Extra", "Second", "2");
    ini.setString("BLINKLED", "Delay", "0");
    EXPECT_EQ(ini.serialize(),
        "; Lumivex settings\r\n[SYSTEM]\r\nCOMPORT=COM7\r\nBaudrate=9600\r\n; a comment = not a key\r\n"
        "ResultFile=\"C:\\reports\\out.txt\"\r\nLog-Level=6\r\n\r\n[Extra]\r\nUnknown=kept\r\nSecond=2\r\n"
        "[BLINKLED]\r\nDelay=0\r\n");

    // Of duplicate sections and keys the first is read and written.
    auto dup = IniFile::parse("[S]\nK=first\nK=second\n[S]\nK=third\nOnlyLater=x\n");
    EXPECT_EQ(dup.getString("S", "K", "") + "," + dup.getString("S", "OnlyLater", "none"), "first,none");
    dup.setString("S", "K", "9");
    dup.setString("S", "New", "n");
    EXPECT_EQ(dup.serialize(), "[S]\nK=9\nK=second\nNew=n\n[S]\nK=third\nOnlyLater=x\n");
}

TEST(IniFileWrite, keepsTheFilesLineEndsAndEndsAnUnfinishedLastLine)
{
    auto unix = IniFile::parse("[S]\nA=1");
    unix.setString("S", "B", "2");
    unix.setString("T", "C", "3");
    EXPECT_EQ(unix.serialize(), "[S]\nA=1\nB=2\n[T]\nC=3\n");

    auto mac = IniFile::parse("[S]\rK=COM3\rcomment\n");
    EXPECT_EQ(mac.getString("S", "K", ""), "COM3") << "a lone carriage return ends a line";
    mac.setString("S", "K", "COM3");
    EXPECT_EQ(mac.serialize(), "[S]\rK=COM3\rcomment\n");

    IniFile fresh;
    fresh.setString("S", "A", "1");
    EXPECT_EQ(fresh.serialize(), "[S]\r\nA=1\r\n") << "a new file gets Windows line ends";
}

TEST(IniFileWrite, valuesThatWouldSplitTheFileOrReadBackChangedAreGuarded)
{
    IniFile ini;
    ini.setString("S", "K", "C:\\log.txt\r\n[Evil]\r\nX=1");
    EXPECT_EQ(ini.getString("S", "K", ""), "C:\\log.txt");
    EXPECT_EQ(ini.getString("Evil", "X", "none"), "none");

    for (const std::string value : {" COM1", "'x'", "\"quoted\"", "tab\t", "plain"}) {
        ini.setString("S", "K", value);
        EXPECT_EQ(ini.getString("S", "K", ""), value) << "quoted where reading would change it";
    }
    EXPECT_EQ(ini.serialize(), "[S]\r\nK=plain\r\n");
}

TEST(IniFileRoundTrip, anyBytesSurviveParseAndSerialize)
{
    std::mt19937 random(1234);
    const std::string alphabet = "[]=;#\r\n \t\"'abcAB01\x00\xff"s;
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        const int length = static_cast<int>(random() % 80);
        for (int i = 0; i < length; ++i)
            bytes += alphabet[random() % alphabet.size()];
        auto ini = IniFile::parse(bytes);
        ASSERT_EQ(ini.serialize(), bytes);
        // A write followed by a read gives the value back, whatever the file held before.
        ini.setString("S", "K", "value");
        ASSERT_EQ(ini.getString("S", "K", ""), "value") << "input: " << testing::PrintToString(bytes);
    }
}

TEST(IniLocation, currentDirectoryWinsThenTheProgramFolderAndTheRootLosesItsSeparator)
{
    struct Case {
        const char* name;
        std::string program;
        std::optional<std::string> cwd; // nothing: the platform cannot tell
        std::set<std::string> existing;
        char separator;
        std::string iniPath, workingFolder;
    };
    const std::string bin = "/opt/lumivex/bin/";
    const Case cases[] = {
        {"both: the current directory wins", bin + "lumivex", "/home/lab",
            {"/home/lab/Lumivex.ini", bin + "Lumivex.ini"}, '/', "/home/lab/Lumivex.ini", "/home/lab"},
        {"beside the program", bin + "lumivex", "/home/lab", {bin + "Lumivex.ini"}, '/', bin + "Lumivex.ini",
            "/opt/lumivex/bin"},
        {"none: the first save creates it in the current directory", bin + "lumivex", "/home/lab", {}, '/',
            "/home/lab/Lumivex.ini", "/home/lab"},
        {"windows drive root", "C:\\Lumivex\\Lumivex.exe", "C:\\", {}, '\\', "C:\\Lumivex.ini", "C:"},
        {"posix root", "/usr/bin/lumivex", "/", {}, '/', "/Lumivex.ini", ""},
        {"windows accepts forward slashes in the program path", "D:/tools/Lumivex.exe", "C:\\work",
            {"D:/tools/Lumivex.ini"}, '\\', "D:/tools/Lumivex.ini", "D:/tools"},
        {"an unknown current directory is reported and the search goes on", "/opt/lv/lumivex", std::nullopt,
            {"/opt/lv/Lumivex.ini"}, '/', "/opt/lv/Lumivex.ini", "/opt/lv"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IniSearchInput input;
        input.programPath = c.program;
        input.currentDir = c.cwd;
        input.canOpenForReading = [&c](const std::string& path) { return c.existing.count(path) > 0; };
        input.separator = c.separator;
        test::RecordingDialogs dialogs;
        const auto found = locateIni(input, dialogs);
        EXPECT_EQ(found.iniPath, c.iniPath);
        EXPECT_EQ(found.workingFolder, c.workingFolder);
        EXPECT_EQ(dialogs.messages,
            !c.cwd ? std::vector<std::string> {std::string(stringText(StringId::WorkingDirectoryError))}
                   : std::vector<std::string> {});
    }
}
