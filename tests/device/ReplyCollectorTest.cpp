#include "device/ReplyCollector.h"
#include "device/ReplyDecode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumivex {
namespace {

using State = ReplyCollector::State;

// One reply as it reaches the port in pieces. Every piece but the last must leave the reply
// pending: a reply taken early is the fault these cases catch.
struct Arrival {
    const char* name;
    const char* request;
    Command command;
    std::vector<std::string> pieces;
    State final;
    const char* text; // the collected text when the reply is over
};

std::ostream& operator<<(std::ostream& out, const Arrival& arrival)
{
    return out << arrival.name;
}

const char* stateName(State state)
{
    switch (state) {
    case State::Pending:
        return "pending";
    case State::Complete:
        return "complete";
    case State::DeviceError:
        return "device error";
    case State::Overlong:
        return "overlong";
    }
    return "?";
}

class ReplyArrival : public ::testing::TestWithParam<Arrival> { };

TEST_P(ReplyArrival, IsOverOnlyWithItsLastPiece)
{
    const Arrival& a = GetParam();
    ReplyCollector collector;
    collector.begin(a.request, replyRule(a.command, 1007));
    for (std::size_t i = 0; i < a.pieces.size(); ++i) {
        collector.feed(a.pieces[i]);
        if (i + 1 < a.pieces.size())
            ASSERT_STREQ(stateName(collector.state()), "pending") << "after piece " << i << " '" << a.pieces[i] << "'";
    }
    EXPECT_STREQ(stateName(collector.state()), stateName(a.final));
    EXPECT_EQ(collector.text(), a.text);
}

const Arrival kArrivals[] = {
    {"CrLfEndsTheLine", "getversion\r", Command::GetVersion, {"10", "07\r\n"}, State::Complete, "1007\r\n"},
    {"LineFeedEnds", "getversion\r", Command::GetVersion, {"10", "07\n"}, State::Complete, "1007\r\n"},
    {"FirstBurstMeetsTheByteCount", "getrgbi4 2\r", Command::GetRgbi, {"0255 0128 0000 0", "1234", "\r"},
        State::Complete, "0255 0128 0000 01234\r\n"},
    {"NoiseMeetsTheByteCountEarly", "getrgbi4 2\r", Command::GetRgbi,
        {"\x01\x02\x03\x04\x05\x06\x07\x08\x0b\x0c\x0e\x0f\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19", "0255 0128",
            " 0000 01234\r"},
        State::Complete, "0255 0128 0000 01234\r\n"},
    {"EchoLineMeetsTheByteCount", "getctemp4 2\r", Command::GetCTemp, {"getctemp4 2\r", " 2856.0\r"}, State::Complete,
        "getctemp4 2\r\n 2856.0\r\n"},
    {"LongIdentityEcho", "getserial\r", Command::GetSerial, {"getserial\r", "1042\r"}, State::Complete,
        "getserial\r\n1042\r\n"},
    {"OkNeedsItsLineEnd", "testcon\r", Command::Testcon, {"3O", "K", "\r"}, State::Complete, "3OK\r\n"},
    {"InputMessageIsNoPartOfTheReply", "getrgbi4 2\r", Command::GetRgbi, {"InputIO5\r", "0255 0128 0000 01234\r"},
        State::Complete, "0255 0128 0000 01234\r\n"},
    {"LateOkBeforeAValue", "getrgbi4 2\r", Command::GetRgbi, {"OK\r", "0255 0128 0000 01234\r"}, State::Complete,
        "0255 0128 0000 01234\r\n"},
    {"ErrorOnceItsLineEnded", "getversion\r", Command::GetVersion, {"ERR", "OR\r"}, State::DeviceError, "ERROR\r\n"},
    {"ErrorAfterEcho", "capture411 1\r", Command::Capture, {"capture411 1\r", "ERROR\r"}, State::DeviceError,
        "capture411 1\r\nERROR\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Replies, ReplyArrival, ::testing::ValuesIn(kArrivals),
    [](const ::testing::TestParamInfo<Arrival>& info) { return std::string(info.param.name); });

TEST(ReplyCollector, BytesOfNoAwaitedRequestNeverJoinTheNextReply)
{
    ReplyCollector collector;
    // The LF of an earlier CR LF, a late "OK" and half a line are all there before the request.
    collector.feed("\nOK\r12");
    collector.begin("getversion\r", replyRule(Command::GetVersion, 1007));
    collector.feed("34\r");
    EXPECT_EQ(collector.state(), State::Pending) << "the end of a line begun before the request";
    collector.feed("1007\r");
    EXPECT_EQ(collector.state(), State::Complete);
    EXPECT_EQ(decodeVersion(collector.text()).firmware, 1007);

    collector.end();
    collector.feed("\n");
    collector.begin("getserial\r", replyRule(Command::GetSerial, 1007));
    collector.feed("1042\r");
    EXPECT_EQ(decodeSerial(collector.text()), "1042");
}

TEST(ReplyCollector, InputMessagesAreKeptForTheirWatcherEvenAcrossARequest)
{
    ReplyCollector collector;
    collector.feed("InputIO2\rInpu");
    collector.begin("getxy4 2\r", replyRule(Command::GetXy, 1007));
    collector.feed("tIO7\r0.3127 0.3290\r");
    EXPECT_EQ(collector.state(), State::Complete);
    EXPECT_EQ(collector.takeUnsolicited(), (std::vector<std::string> {"InputIO2", "InputIO7"}));
    EXPECT_TRUE(collector.takeUnsolicited().empty());
}

TEST(ReplyCollector, AFloodIsGarbageAndStaysBounded)
{
    ReplyCollector collector;
    collector.begin("getrgbi4 2\r", replyRule(Command::GetRgbi, 1007));
    const std::string flood(1 << 20, 'A');
    for (int i = 0; i < 10; ++i)
        collector.feed(flood);
    EXPECT_EQ(collector.state(), State::Overlong);
    EXPECT_LE(collector.text().size(), ReplyCollector::kMaxReplyBytes);

    // Also while nothing is awaited: the flood is not stored.
    collector.end();
    collector.feed(flood);
    collector.feed("\r");
    collector.begin("getversion\r", replyRule(Command::GetVersion, 1007));
    collector.feed("1007\r");
    EXPECT_EQ(collector.text(), "1007\r\n");
}

TEST(ReplyDecode, NumberFieldsWithoutDigitsAreNoValues)
{
    struct Case {
        const char* name;
        Command command;
        const char* reply;
        int firmware;
        bool valid;
    };
    const Case cases[] = {
        {"version text", Command::GetVersion, "ERRO\r\n", 1007, false},
        {"version", Command::GetVersion, "1007\r\n", 0, true},
        {"long version", Command::GetVersion, "getversion\r\n1007\r\n", 0, true},
        {"letters for rgbi", Command::GetRgbi, "AAAA AAAA AAAA AAAAA\r\n", 1007, false},
        {"one rgbi field blank", Command::GetRgbi, "0255 0128      01234\r\n", 1007, false},
        {"old rgbi layout", Command::GetRgbi, "255 128 000 01234\r\n", 1006, true},
        {"negative offset", Command::GetXOffset, "-0.0125\r\n", 1007, true},
        {"dashes for a temperature", Command::GetCTemp, "-------\r\n", 1007, false},
        {"user time", Command::GetUserTime, "00250\r\n", 1007, true},
        {"serial is text", Command::GetSerial, "AB-C\r\n", 1007, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(numberFieldsHoldDigits(c.command, c.reply, c.firmware), c.valid) << c.name;
}

} // namespace
} // namespace lumivex
