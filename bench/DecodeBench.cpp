// Throughput of the reply path without the port: the reply collector (joiner, line ends, echo and
// completion rule), the digit check and the decoder, for the value replies a test reads most.
// Each iteration handles one reply as the engine does: the request begun, the bytes fed (whole,
// or a byte at a time as a slow line delivers them) until the reply is complete, then decoded.
//
//   build/bench/bench_decode [--benchmark_filter=getrgbi] [--benchmark_repetitions=5]

#include "device/DeviceCommand.h"
#include "device/ReplyCollector.h"
#include "device/ReplyDecode.h"
#include "device/ReplyRules.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

using namespace lumivex;

namespace {

struct ReplyCase {
    std::string name;
    int number; // the main window's request number: selects rule and decoder
    int firmware;
    std::string value; // the value line without its line end
    std::string request; // echoed before the value in a two-line reply
};

// The device's layouts, as lumivex-sim sends them.
const std::vector<ReplyCase>& replyCases()
{
    static const std::vector<ReplyCase> cases = {
        {"getrgbi_1006", DeviceCommand::GetRgbi, 1006, "255 128 000 30000", "getrgbi1 1"},
        {"getrgbi_1007", DeviceCommand::GetRgbi, 1007, "2048 1024 0000 30000", "getrgbi1 1"},
        {"gethsi", DeviceCommand::GetHsi, 1007, "030.12 100 30000", "gethsi1 1"},
        {"getxy", DeviceCommand::GetXy, 1007, "0.5123 0.4012", "getxy1 1"},
    };
    return cases;
}

// One line ended by the device's CR, or the request echoed first and the value line led by a
// blank (the host reads a multi-line reply from the second character of its last line).
std::string replyBytes(const ReplyCase& c, bool twoLines)
{
    return twoLines ? c.request + "\r " + c.value + "\r" : c.value + "\r";
}

// Something of every decoded value, so that the decoder cannot be dropped.
int decoded(const ReplyCase& c, std::string_view text)
{
    switch (c.number) {
    case DeviceCommand::GetRgbi: {
        const RgbiReply r = decodeRgbi(text, c.firmware);
        return r.red + r.green + r.blue + r.intensity;
    }
    case DeviceCommand::GetHsi: {
        const HsiReply r = decodeHsi(text);
        return static_cast<int>(r.hue) + r.saturation + r.intensity;
    }
    case DeviceCommand::GetXy: {
        const XyReply r = decodeXy(text);
        return static_cast<int>(r.x * 10000 + r.y * 10000);
    }
    default:
        return 0;
    }
}

void joinCompleteDecode(benchmark::State& state, const ReplyCase& c, bool twoLines, std::size_t piece)
{
    const std::string bytes = replyBytes(c, twoLines);
    ReplyCollector reply(JoinRules::MainWindow);
    const std::string request = c.request + "\r";
    const Command command = *DeviceCommand::commandOf(c.number);
    std::int64_t checksum = 0;
    for (auto _ : state) {
        const ReplyRule rule = DeviceCommand::replyRule(c.number, c.firmware);
        reply.begin(request, rule);
        bool complete = false;
        for (std::size_t at = 0; at < bytes.size() && !complete; at += piece) {
            reply.feed(std::string_view(bytes).substr(at, piece));
            complete = reply.state() == ReplyCollector::State::Complete;
        }
        if (!complete || !numberFieldsHoldDigits(command, reply.text(), c.firmware)) {
            state.SkipWithError("the reply did not complete");
            break;
        }
        checksum += decoded(c, reply.text());
        benchmark::DoNotOptimize(checksum);
    }
    state.SetItemsProcessed(state.iterations()); // replies
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
    state.counters["reply_bytes"] = static_cast<double>(bytes.size());
}

void registerAll()
{
    for (const ReplyCase& c : replyCases()) {
        for (const bool twoLines : {false, true}) {
            for (const std::size_t piece : {std::size_t(0), std::size_t(1)}) {
                const std::string name
                    = c.name + (twoLines ? "/two_lines" : "/one_line") + (piece == 1 ? "/byte_by_byte" : "/whole");
                const std::size_t step = piece == 0 ? replyBytes(c, twoLines).size() : piece;
                benchmark::RegisterBenchmark(name.c_str(),
                    [&c, twoLines, step](benchmark::State& state) { joinCompleteDecode(state, c, twoLines, step); });
            }
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
