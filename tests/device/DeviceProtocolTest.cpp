// The requests and the protocol's log lines; how reply bytes are joined into text, when a reply
// counts as complete as its pieces arrive, and how its fields are read.
#include "device/DeviceCommand.h"
#include "device/DeviceRequest.h"
#include "device/ProtocolLog.h"
#include "device/ReplyCollector.h"
#include "device/ReplyDecode.h"
#include "device/ReplyRules.h"
#include "device/ReplyText.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using namespace lumivex;

// The texts of the numbered requests are checked in the main window's chains (SequencerTest).
TEST(DeviceCommandTest, capturesCarryTheirCodeAndPwmTimeoutAndOtherNumbersBuildNothing)
{
    DeviceCommand::Fields fields;
    fields.rangeIndex = 3;
    const auto range = DeviceCommand::build(DeviceCommand::CaptureRange, fields);
    EXPECT_TRUE(range->capture == (RangeSetting {4, 0}) && !range->precededBy);
    fields.area9x9 = true;
    const auto user = DeviceCommand::build(DeviceCommand::CaptureUser, fields);
    EXPECT_TRUE(user->capture == (RangeSetting {8, 1}) && user->precededBy == DeviceCommand::SetUserTime);

    for (int number : {0, 9, 10, 11, 13, 15, 16, 20, 21, 22, 28, -1, 1000})
        EXPECT_FALSE(DeviceCommand::build(number, fields)) << number;
    fields.rangeIndex = 12;
    EXPECT_FALSE(DeviceCommand::build(DeviceCommand::CaptureRange, fields)) << "past the range list";

    const struct {
        int factor, lastCode, userTimeMs, ticks;
        const char* why;
    } cases[] = {{0, 8, 1, 7, "integer division: (0 + 1) x 1 ms x 5 / 2 + 5"},
        {1, 2, 0, 1005, "code 2 (200 ms), as before any capture"}, {1, 6, 0, 55, "code 6 (10 ms)"},
        {1, 8, 1000, 5005, "code 8 takes the user time"},
        {1, 0, 1000, 1005, "after DISABLE the capture time counts as 200 ms"}, {15, 1, 0, 24005, "the largest factor"},
        {15, 8, 99999, 3999965, "no overflow with the longest user time"}};
    for (const auto& c : cases) {
        DeviceCommand::Fields pwm;
        std::tie(pwm.pwmFactor, pwm.lastCaptureCode, pwm.userTimeMs) = std::tie(c.factor, c.lastCode, c.userTimeMs);
        EXPECT_EQ(DeviceCommand::build(DeviceCommand::CapturePwm, pwm)->pwmTimeoutTicks, c.ticks) << c.why;
    }
}

// The shapes only the measurement list, the stability analysis and the I/O dialog send.
TEST(DeviceRequestTest, requestsMatchTheDeviceGrammarAndCodesTheirTimesAndRanges)
{
    // Offsets always carry a sign; only a leading minus counts as one of its own.
    const std::pair<std::string, const char*> cases[] = {{formatPlainRequest(Command::CapturePwm), "capturepwm\r"},
        {formatCodeAreaRequest(Command::SetCapTime, 7, 0, 5, 12), "setcaptime705 12\r"},
        {formatCapturePwm(15, 5, 2), "capturepwm155 2\r"}, {formatSetUserTime(20000, 2), "setusertime20000 2\r"},
        {formatSetUserTime(7, 2), "setusertime00007 2\r"}, {formatSetAverage(4, 1), "setaverage04 1\r"},
        {formatSetIntGain(3, 5, 2), "setintgain3005 2\r"}, {formatSetIntGain(3, 100, 2), "setintgain3100 2\r"},
        {formatSetDistance(4, "2.0", 1), "setdistance42.0 1\r"},
        {formatSensorRequest(Command::GetIntensity, 1, 10), "getintensity1 10\r"},
        {formatSetOutput(0, false), "setoutput00\r"}, {formatSetOutput(1, true), "setoutput11\r"},
        {formatSetOffset(Command::SetXOffset, 2, "0.0125", 1), "setxoffset2+0.0125 1\r"},
        {formatSetOffset(Command::SetXOffset, 2, "-0.0125", 1), "setxoffset2-0.0125 1\r"},
        {formatSetOffset(Command::SetYOffset, 1, "", 1), "setyoffset1+ 1\r"}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(text, expected);

    // A long value is formatted whole, for the sender to refuse.
    const std::string value(600, '1');
    const std::string request = formatSetDistance(1, value, 1);
    EXPECT_TRUE(request == "setdistance1" + value + " 1\r" && isRequestTooLong(request));

    // Codes 1 to 7, 8 the user time (250 ms here), and three that are none.
    const std::pair<int, std::optional<int>> times[] = {{1, 600}, {2, 200}, {3, 120}, {4, 60}, {5, 20}, {6, 10}, {7, 2},
        {8, 250}, {0, std::nullopt}, {-1, std::nullopt}, {9, std::nullopt}};
    for (const auto& [code, ms] : times)
        EXPECT_EQ(captureTimeMs(code, 250), ms) << "code " << code;

    // Index 0 is DISABLE; the 9 x 9 ranges start at 20 ms.
    EXPECT_EQ((std::vector {rangeSetting(0), rangeSetting(1), rangeSetting(6), rangeSetting(7), rangeSetting(11),
                  rangeSetting(-1)}),
        (std::vector<std::optional<RangeSetting>> {RangeSetting {0, 0}, RangeSetting {6, 0}, RangeSetting {1, 0},
            RangeSetting {5, 1}, RangeSetting {1, 1}, {}}));
}

TEST(ProtocolLogTest, linesAreWindows1252AndTakeRepliesAsData)
{
    // The lines of a sent request, an "OK", a reply and a time-out are checked with the main window.
    EXPECT_EQ(ProtocolLog::commandNotSent("testcon\r"), "Befehl testcon\r - konnte nicht ausgef\xFChrt werden!");
    EXPECT_EQ(ProtocolLog::reply("%s%d", 7), "R\374ckmeldung %s%d von Befehl 7") << "a \"%\" in a reply is no format";
}

namespace {

template<typename... Values> std::string text(const Values&... values)
{
    std::ostringstream out;
    ((out << values << ' '), ...);
    return out.str().substr(0, out.str().size() - 1);
}

// What the decoder of the command reads from the reply, written out.
std::string decoded(Command command, std::string_view reply, int firmware)
{
    const RgbiReply rgbi = decodeRgbi(reply, firmware);
    switch (command) {
    case Command::GetRgbi:
        return text(rgbi.red, rgbi.green, rgbi.blue, rgbi.intensity);
    case Command::GetHsi:
        return text(decodeHsi(reply).hue, decodeHsi(reply).saturation, decodeHsi(reply).intensity);
    case Command::GetXy:
        return text(decodeXy(reply).x, decodeXy(reply).y);
    case Command::GetCTemp:
        return text(decodeColourTemperature(reply));
    case Command::GetXOffset:
        return text(decodeOffset(reply).value, "shown", decodeOffset(reply).text);
    case Command::GetDistance:
        return text(decodeDistance(reply));
    case Command::GetIntensity:
        return decodeIntensityText(reply);
    case Command::GetUserTime:
        return text(decodeUserTime(reply));
    case Command::GetSerial:
        return decodeSerial(reply);
    case Command::GetVersion:
        return text(decodeVersion(reply).firmware, "shown", decodeVersion(reply).text);
    case Command::Testcon: // the board count, and as the connection status shows it
        return text(
            decodeBoardCount(reply).count, decodeBoardCount(reply).reported, "shown", testconStatusCount(reply));
    default:
        return decodeHardware(reply);
    }
}

} // namespace

TEST(ReplyTextTest, piecesAreJoinedOnlyPrintablesKeptAndRawBytesCounted)
{
    ReplyText reply;
    const auto first = reply.append("3O");
    const auto second = reply.append("K\r");
    EXPECT_EQ(std::make_tuple(first.characters, first.lineEnd, second.characters, second.lineEnd),
        std::make_tuple(2u, false, 3u, true));
    EXPECT_EQ(reply.text() + std::to_string(reply.rawByteCount()), "3OK\r\n4") << "bytes received are counted";
    reply.reset();
    EXPECT_EQ(reply.text() + std::to_string(reply.rawByteCount()), "0");
    for (JoinRules rules : {JoinRules::MainWindow, JoinRules::ListAndStability})
        EXPECT_EQ(ReplyText::join("A\rB\nC\r\nD", rules), "A\r\nB\r\nC\r\n\r\nD") << "CR and LF are two breaks";

    std::string all, printable;
    for (int byte = 0; byte < 256; ++byte)
        all += byte == '\r' || byte == '\n' ? "" : std::string(1, static_cast<char>(byte));
    for (char c = ' '; c <= '~'; ++c)
        printable += c;

    EXPECT_EQ(ReplyText::join(all, JoinRules::MainWindow), printable + "\xC4\xD6\xDC\xDF\xE4\xF6\xFC");
    EXPECT_EQ(ReplyText::join(all, JoinRules::ListAndStability), printable);

    ReplyText noise(JoinRules::ListAndStability);
    EXPECT_EQ(noise.append(std::string("\0\x7F\xFF\xE4", 4)).characters, 0u);
    EXPECT_EQ(noise.text() + std::to_string(noise.rawByteCount()), "4") << "noise still counts towards completion";
}

TEST(ReplyRulesTest, repliesCompleteAtTheirByteCountOrOkAndAreReadFromTheirLastLine)
{
    const struct {
        Command command;
        int firmware;
        std::size_t waits; // still incomplete at this many bytes
    } reads[] = {{Command::GetRgbi, 1006, 17}, {Command::GetRgbi, 1007, 20}, {Command::GetRgbi, 0, 17},
        {Command::GetHsi, 1007, 14}, {Command::GetXy, 1007, 13}, {Command::GetCTemp, 1007, 7},
        {Command::GetXOffset, 1007, 7}, {Command::GetYOffset, 1007, 7}, {Command::GetDistance, 1007, 5},
        {Command::GetUserTime, 1007, 5}, {Command::GetIntensity, 1007, 5}, {Command::GetSerial, 1007, 4},
        {Command::GetVersion, 1007, 4}, {Command::GetHw, 1007, 7}};
    for (const auto& c : reads) {
        SCOPED_TRACE(std::string(commandWord(c.command)) + " " + std::to_string(c.firmware));
        const ReplyRule rule = replyRule(c.command, c.firmware);
        EXPECT_TRUE(!isReplyComplete(rule, "OK", c.waits) && isReplyComplete(rule, "", c.waits + 1));
    }

    for (Command command : {Command::Testcon, Command::Capture, Command::CapturePwm, Command::SetUserTime,
             Command::SetDefault, Command::SetCapTime, Command::SetOutput}) {
        const ReplyRule rule = replyRule(command, 1007);
        EXPECT_TRUE(!isReplyComplete(rule, "O", 1000) && !isReplyComplete(rule, "ok\r\n", 4)
            && isReplyComplete(rule, "3OK\r\n", 1))
            << commandWord(command);
    }

    // One line is used from its first character, a one-character last line leaves nothing, a break
    // at position 0 is not cut, an umlaut is not printable here.
    const std::pair<const char*, const char*> cases[]
        = {{"255 128\r\n", "255 128\r\n"}, {"OK\r\n\r\n 255 128\r\n\r\n", "255 128\r\n\r\n"}, {"a\r\nb\r\nxy", "y"},
            {"a\r\nx", ""}, {"\nxyz", "\nxyz"}, {"", ""}, {"\r\n\r\n", "\r\n\r\n"}, {"ab\344cd", "d"}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(lastLine(text), expected) << text;
}

// Field values are chosen so that a field read one place off reads a different number.
TEST(ReplyDecodeTest, fieldsOfEveryReply)
{
    const struct {
        const char* name;
        Command command;
        std::string reply; // as joined from the device's bytes
        const char* values;
        bool digits = true; // every number field holds a digit
        int firmware = 1007;
    } cases[] = {{"narrow rgbi", Command::GetRgbi, "255 128 064 91234\r\n", "255 128 64 91234", true, 1006},
        {"wide rgbi", Command::GetRgbi, "1255 2128 3064 41234\r\n", "1255 2128 3064 41234"},
        {"narrow rgbi read as wide", Command::GetRgbi, "255 128 000 01234\r\n", "255 28 0 34"},
        {"no firmware known: narrow", Command::GetRgbi, "255 128 064 91234\r\n", "255 128 64 91234", true, 0},
        {"padded last line", Command::GetRgbi, "OK\r\n 255 128 064 91234\r\n", "255 128 64 91234", true, 1006},
        {"last line without pad", Command::GetRgbi, "OK\r\n255 128 064 91234\r\n", "55 28 64 1234", true, 1006},
        {"rgbi cut by the end", Command::GetRgbi, "0255 01", "255 1 0 0", false},
        {"letters for rgbi", Command::GetRgbi, "AAAA AAAA AAAA AAAAA\r\n", "0 0 0 0", false},
        {"one rgbi field blank", Command::GetRgbi, "0255 0128      01234\r\n", "255 128 0 1234", false},
        {"hsi", Command::GetHsi, "123.45 100 91234\r\n", "123.45 100 91234"},
        {"negative xy", Command::GetXy, "-0.187 -0.171\r\n", "-0.187 -0.171"},
        {"xy after an echo", Command::GetXy, "x\r\n 0.3127 0.3290\r\n", "0.3127 0.329"},
        {"colour temperature", Command::GetCTemp, "16504.3\r\n", "16504.3"},
        {"dashes for a temperature", Command::GetCTemp, "-------\r\n", "0", false},
        {"offset shown without its sign", Command::GetXOffset, "+0.0125\r\n", "0.0125 shown 0.0125"},
        {"negative offset", Command::GetXOffset, "-0.0125\r\n", "-0.0125 shown -0.0125"},
        {"zero offset", Command::GetXOffset, "+0.0000\r\n", "0 shown 0.0000"},
        {"distance", Command::GetDistance, "102.5\r\n", "102.5"},
        {"intensity as received", Command::GetIntensity, "01234\r\n", "01234"},
        {"user time", Command::GetUserTime, "12345\r\n", "12345"}, {"serial", Command::GetSerial, "AB-C\r\n", "AB-C"},
        {"15 characters are a short serial", Command::GetSerial, "123456789012345", "1234"},
        {"long serial", Command::GetSerial, "Serial No: 5678\r\n", "5678"},
        {"version", Command::GetVersion, "1007\r\n", "1007 shown 1007", true, 0},
        {"16 characters are a short version", Command::GetVersion, "1006567890123456", "1006 shown 1006"},
        {"long version", Command::GetVersion, "Firmware V: 2002\r\n", "2002 shown 2002"},
        {"version after its echo", Command::GetVersion, "getversion\r\n1007\r\n", "1007 shown 1007", true, 0},
        {"17 characters are a long version", Command::GetVersion, "Firmware V: 2002\r", "2002 shown 2002"},
        {"version text", Command::GetVersion, "ERRO\r\n", "0 shown ERRO", false},
        {"hardware", Command::GetHw, "LMX-5B-01 rev C\r\n", "LMX-5B-01"},
        {"short hardware", Command::GetHw, "LMX", "LMX"}, {"3 boards", Command::Testcon, "3OK\r\n", "3 1 shown 3"},
        {"12 boards", Command::Testcon, "12OK\r\n", "12 1 shown 12"},
        {"no boards", Command::Testcon, "0OK\r\n", "1 0 shown 0"},
        {"no count", Command::Testcon, "OK\r\n", "1 0 shown 1"},
        {"OK first", Command::Testcon, "OKxx\r\n", "1 0 shown 1"},
        {"a letter for a count", Command::Testcon, "xOK\r\n", "1 0 shown x"},
        {"a negative count", Command::Testcon, "-2OK\r\n", "1 0 shown -2"},
        {"no line end: four characters or fewer", Command::Testcon, "3OK", "3 1 shown 1"},
        {"billions of boards", Command::Testcon, "99999999999OK\r\n", "999 1 shown 99999999999"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decoded(c.command, c.reply, c.firmware), c.values);
        EXPECT_EQ(numberFieldsHoldDigits(c.command, c.reply, c.firmware), c.digits);
    }
    EXPECT_EQ(std::make_pair(rgbFullScale(1006), rgbFullScale(1007)), std::make_pair(255, 4095));
    EXPECT_EQ((std::vector {fieldText("abc", 1, 5), fieldText("abc", 3, 5), fieldText("abc", 100, 5)}),
        (std::vector<std::string_view> {"bc", "", ""}));
    EXPECT_EQ(integerField("12345678", 2, 3), 345) << "a field ends at its width";
}

TEST(ReplyDecodeTest, hostileRepliesReadZeroWithoutOverrunning)
{
    for (const std::string& reply :
        {std::string(), std::string("\r\n"), std::string("abc def ghi jkl mno pqr\r\n"), std::string(100000, '\xE9')})
        EXPECT_EQ(text(decoded(Command::GetRgbi, reply, 1007), decodeHsi(reply).hue, decodeXy(reply).y,
                      decodeOffset(reply).value, decodeVersion(reply).firmware, decodeSerial(reply).size() <= 4),
            "0 0 0 0 0 0 0 0 1");
}

namespace {

using State = ReplyCollector::State;

const std::string kFlood(1 << 20, 'A');
// A line of 4095 bytes: its line end reaches the 4096 a reply may have.
const std::string kAtTheLimit = std::string(4090, 'E') + "ERROR\r\n";

// One reply as it reaches the port in pieces. Every piece but the last must leave the reply
// pending: a reply taken early is the fault these cases catch. Line feeds alone and echoed lines
// are also held against whole replies in the main window's ReplyFaultMatrix.
struct Arrival {
    const char* name;
    const char* request;
    Command command;
    std::vector<std::string> pieces;
    State final;
    const char* text; // the collected text when the reply is over
    std::string before = {}; // arrived while nothing was awaited
    std::vector<std::string> unsolicited = {};
    friend void PrintTo(const Arrival& arrival, std::ostream* out) { *out << arrival.name; }
};

std::string stateName(State state)
{
    const char* const names[] = {"pending", "complete", "device error", "overlong"}; // in the enum's order
    return names[static_cast<int>(state)];
}

class ReplyArrival : public ::testing::TestWithParam<Arrival> { };

TEST_P(ReplyArrival, IsOverOnlyWithItsLastPiece)
{
    const Arrival& a = GetParam();
    ReplyCollector collector;
    collector.feed(a.before);
    collector.begin(a.request, replyRule(a.command, 1007));
    for (std::size_t i = 0; i < a.pieces.size(); ++i) {
        collector.feed(a.pieces[i]);
        ASSERT_TRUE(i + 1 == a.pieces.size() || collector.state() == State::Pending) << "taken at piece " << i;
    }
    EXPECT_EQ(stateName(collector.state()), stateName(a.final));
    EXPECT_EQ(collector.text(), a.text);
    EXPECT_EQ(collector.takeUnsolicited(), a.unsolicited);
    EXPECT_TRUE(collector.takeUnsolicited().empty());
}

const Arrival kArrivals[] = {
    {"CrLfEndsTheLine", "getversion\r", Command::GetVersion, {"10", "07\r\n"}, State::Complete, "1007\r\n"},
    {"FirstBurstMeetsTheByteCount", "getrgbi4 2\r", Command::GetRgbi, {"0255 0128 0000 0", "1234", "\r"},
        State::Complete, "0255 0128 0000 01234\r\n"},
    {"NoiseMeetsTheByteCountEarly", "getrgbi4 2\r", Command::GetRgbi,
        {"\x01\x02\x03\x04\x05\x06\x07\x08\x0b\x0c\x0e\x0f\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19", "0255 0128",
            " 0000 01234\r"},
        State::Complete, "0255 0128 0000 01234\r\n"},
    {"OkNeedsItsLineEnd", "testcon\r", Command::Testcon, {"3O", "K", "\r"}, State::Complete, "3OK\r\n"},
    {"InputMessageIsNoPartOfTheReply", "getrgbi4 2\r", Command::GetRgbi, {"InputIO5\r", "0255 0128 0000 01234\r"},
        State::Complete, "0255 0128 0000 01234\r\n", "", {"InputIO5"}},
    {"InputMessageCutByTheRequest", "getxy4 2\r", Command::GetXy, {"tIO7\r", "0.3127 0.3290\r"}, State::Complete,
        "0.3127 0.3290\r\n", "InputIO2\rInpu", {"InputIO2", "InputIO7"}},
    {"LateOkBeforeAValue", "getrgbi4 2\r", Command::GetRgbi, {"OK\r", "0255 0128 0000 01234\r"}, State::Complete,
        "0255 0128 0000 01234\r\n"},
    // The LF of an earlier CR LF, a late "OK" and half a line arrived before the request.
    {"LineBegunBeforeTheRequest", "getversion\r", Command::GetVersion, {"34\r", "1007\r"}, State::Complete, "1007\r\n",
        "\nOK\r12"},
    {"FloodBeforeTheRequestIsNotKept", "getversion\r", Command::GetVersion, {"1007\r"}, State::Complete, "1007\r\n",
        kFlood + "\r"},
    {"FloodIsGarbage", "getrgbi4 2\r", Command::GetRgbi, {kFlood}, State::Overlong, ""},
    {"LineEndReachingTheLimitMakesItOverlong", "getversion\r", Command::GetVersion, {kAtTheLimit.substr(0, 4095), "\r"},
        State::Overlong, kAtTheLimit.c_str()},
    {"ErrorOnceItsLineEnded", "getversion\r", Command::GetVersion, {"ERR", "OR\r"}, State::DeviceError, "ERROR\r\n"},
    {"ErrorAfterEcho", "capture411 1\r", Command::Capture, {"capture411 1\r", "ERROR\r"}, State::DeviceError,
        "capture411 1\r\nERROR\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Replies, ReplyArrival, ::testing::ValuesIn(kArrivals),
    [](const ::testing::TestParamInfo<Arrival>& p) { return std::string(p.param.name); });

} // namespace
