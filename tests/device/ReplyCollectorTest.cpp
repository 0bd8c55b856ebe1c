#include "device/ReplyCollector.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumivex {
namespace {

using State = ReplyCollector::State;

const std::string kFlood(1 << 20, 'A');

// One reply as it reaches the port in pieces. Every piece but the last must leave the reply
// pending: a reply taken early is the fault these cases catch.
struct Arrival {
    const char* name;
    const char* request;
    Command command;
    std::vector<std::string> pieces;
    State final;
    const char* text; // the collected text when the reply is over
    std::string before = {}; // arrived while nothing was awaited
    std::vector<std::string> unsolicited = {};
};

std::ostream& operator<<(std::ostream& out, const Arrival& arrival)
{
    return out << arrival.name;
}

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
        if (i + 1 < a.pieces.size()) {
            ASSERT_EQ(stateName(collector.state()), "pending") << "after piece " << i << " '" << a.pieces[i] << "'";
        }
    }
    EXPECT_EQ(stateName(collector.state()), stateName(a.final));
    EXPECT_EQ(collector.text(), a.text);
    EXPECT_EQ(collector.takeUnsolicited(), a.unsolicited);
    EXPECT_TRUE(collector.takeUnsolicited().empty());
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
    {"ErrorOnceItsLineEnded", "getversion\r", Command::GetVersion, {"ERR", "OR\r"}, State::DeviceError, "ERROR\r\n"},
    {"ErrorAfterEcho", "capture411 1\r", Command::Capture, {"capture411 1\r", "ERROR\r"}, State::DeviceError,
        "capture411 1\r\nERROR\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Replies, ReplyArrival, ::testing::ValuesIn(kArrivals),
    [](const ::testing::TestParamInfo<Arrival>& p) { return std::string(p.param.name); });

} // namespace
} // namespace lumivex
