// Wall time of one request to its decoded value, through the program's own port code on the real
// clock: SendCommandText writes through CSeriell, the bytes-arrived callback reads, the main
// window's joiner and rule complete the reply, and the decoder reads it. Waits pump the
// QtScheduler (they block in the event loop). Two lines:
//   in-process  the simulated device in this process (SimSerialBackend), no latency
//   pty         lumivex-sim --pty in a process of its own, reached through QSerialPort
//
// The request log is off unless --log-level 9 asks for it.
//
//   build/bench/bench_roundtrip [--rounds 2000] [--warmup 100] [--capture-rounds 200] [--log-level 0]

#include "BenchSupport.h"

#include "device/CSeriell.h"
#include "device/DeviceCommand.h"
#include "device/ReplyDecode.h"
#include "device/ReplyRules.h"
#include "device/ReplyText.h"
#include "device/SendCommandText.h"
#include "foundation/CGlobal.h"
#include "platform/QtScheduler.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace lumivex;
using namespace lumivex::bench;
using namespace std::chrono_literals;

namespace {

constexpr int kFirmware = 1007;

struct Row {
    std::string line;
    std::string request;
    Samples micros;
    int failures = 0;
    std::string example; // a decoded value, to show the reply really was read
};

// One port, one request at a time, timed from before the write to the decoded value.
class Link {
public:
    // At log level 9 SendCommandText logs every request after writing it, as the program does.
    Link(Scheduler& scheduler, SerialBackend& backend, int logLevel, const std::string& logFile)
        : m_scheduler(scheduler), m_port(backend, m_dialogs)
    {
        m_log.SetLevel(logLevel);
        m_log.SetFilePath(logFile);
        m_port.Log().SetLevel(0);
        backend.setBytesArrivedCallback([this] { onArrival(); });
    }

    bool open(const std::string& name)
    {
        m_port.SetPortName(name);
        if (m_port.OpenPort() != 1)
            return false;
        m_port.SetBaudRate(115200);
        m_port.Purge(SerialBackend::PurgeRxAbort | SerialBackend::PurgeRxClear);
        return m_dialogs.empty();
    }

    // Sends the request and pumps until its reply is decoded; the round trip in microseconds, or
    // a negative value when no complete reply came within two seconds.
    double exchange(int number, std::function<std::string(std::string_view)> decode, std::string* value = nullptr)
    {
        DeviceCommand::Fields fields;
        fields.rangeIndex = 1; // "UTH 3x3  10ms"
        const auto request = DeviceCommand::build(number, fields);
        m_rule = DeviceCommand::replyRule(number, kFirmware);
        m_decode = std::move(decode);
        m_reply.reset();
        m_awaiting = true;
        bool expired = false;
        const auto guard = m_scheduler.singleShot(2s, [&expired] { expired = true; });

        const std::int64_t start = nowNanos();
        if (SendCommandText(m_port, m_dialogs, m_log, request->text) != 1)
            m_awaiting = false;
        while (m_awaiting && !expired)
            m_scheduler.pumpOnce();
        m_scheduler.killTimer(guard);
        if (m_awaiting || !m_dialogs.empty()) {
            m_awaiting = false;
            return -1.0;
        }
        if (value)
            *value = m_value;
        return static_cast<double>(m_decodedAt - start) / 1000.0;
    }

    const QuietDialogs& dialogs() const { return m_dialogs; }

private:
    void onArrival()
    {
        while (const std::size_t n = m_port.ReadAvailable()) {
            if (!m_awaiting)
                continue; // late bytes of a reply given up on
            m_reply.append(m_port.ReceiveBuffer(), n);
            if (m_reply.text().ends_with('\n') && isReplyComplete(m_rule, m_reply)) {
                m_value = m_decode(m_reply.text());
                m_decodedAt = nowNanos();
                m_awaiting = false;
            }
        }
    }

    Scheduler& m_scheduler;
    QuietDialogs m_dialogs;
    CSeriell m_port;
    CGlobal m_log;
    ReplyText m_reply {JoinRules::MainWindow};
    ReplyRule m_rule;
    std::function<std::string(std::string_view)> m_decode;
    bool m_awaiting = false;
    std::string m_value;
    std::int64_t m_decodedAt = 0;
};

std::string hardware(std::string_view reply)
{
    return decodeHardware(reply);
}

std::string rgbi(std::string_view reply)
{
    const RgbiReply r = decodeRgbi(reply, kFirmware);
    return std::to_string(r.red) + " " + std::to_string(r.green) + " " + std::to_string(r.blue) + " "
        + std::to_string(r.intensity);
}

std::string acknowledged(std::string_view reply)
{
    return containsOk(reply) ? "OK" : "";
}

// "gethw" and, after one capture, "getrgbi": warm-up rounds first, then the timed ones. Then the
// capture itself, to show what the device's 10 ms capture timer costs as seen from here.
void measure(Link& link, const std::string& line, int rounds, int warmup, int captureRounds, std::vector<Row>& rows)
{
    struct Case {
        const char* request;
        int number;
        std::string (*decode)(std::string_view);
        int rounds;
        int warmup;
    };
    const Case cases[] = {
        {"gethw\\r", DeviceCommand::GetHw, hardware, rounds, warmup},
        {"getrgbi1 1\\r", DeviceCommand::GetRgbi, rgbi, rounds, warmup},
        {"capture601 1\\r", DeviceCommand::CaptureRange, acknowledged, captureRounds, 3},
    };
    std::string ok;
    if (link.exchange(DeviceCommand::CaptureRange, acknowledged, &ok) < 0 || ok != "OK") {
        std::fprintf(stderr, "%s: the capture was not acknowledged %s\n", line.c_str(), link.dialogs().first().c_str());
        return;
    }
    for (const Case& c : cases) {
        Row row {line, c.request, {}, 0, {}};
        for (int i = 0; i < c.warmup; ++i)
            link.exchange(c.number, c.decode);
        for (int i = 0; i < c.rounds; ++i) {
            const double micros = link.exchange(c.number, c.decode, &row.example);
            if (micros < 0)
                ++row.failures;
            else
                row.micros.add(micros);
        }
        rows.push_back(std::move(row));
    }
}

} // namespace

int main(int argc, char** argv)
{
    BenchApplication app(argc, argv);
    int rounds = 2000;
    int warmup = 100;
    int captureRounds = 200;
    int logLevel = 0;
    if (!readOptions("bench_roundtrip", argc, argv,
            {{"--rounds", &rounds}, {"--warmup", &warmup}, {"--capture-rounds", &captureRounds}}, logLevel))
        return 2;

    QtScheduler scheduler;
    const ScratchFolder folder;
    std::vector<Row> rows;
    const LineEnd end = measureLines(scheduler, {kFirmware, 0, false, false, {}}, [&](Line& line) {
        Link link(scheduler, line.backend, logLevel, folder.file("Lumivex.log"));
        if (!link.open(line.port)) {
            if (line.inProcess)
                std::fprintf(stderr, "in-process: the port did not open %s\n", link.dialogs().first().c_str());
            else
                std::fprintf(stderr, "pty: %s did not open %s\n", line.port.c_str(), link.dialogs().first().c_str());
            return LineEnd::NotSetUp;
        }
        measure(link, line.name, rounds, warmup, captureRounds, rows);
        return LineEnd::Measured;
    });
    if (end == LineEnd::NotSetUp)
        return 1;

    std::printf(
        "\nRound trip, write to decoded value, microseconds (%d rounds after %d warm-up; the capture %d rounds)\n\n",
        rounds, warmup, captureRounds);
    std::printf(
        "%-11s %-14s %8s %8s %8s %8s %6s  %s\n", "line", "request", "median", "p90", "min", "max", "lost", "decoded");
    bool failed = rows.size() != 6;
    for (const Row& r : rows) {
        std::printf("%-11s %-14s %8.1f %8.1f %8.1f %8.1f %6d  %s\n", r.line.c_str(), r.request.c_str(),
            r.micros.median(), r.micros.percentile(0.9), r.micros.min(), r.micros.max(), r.failures, r.example.c_str());
        failed = failed || r.failures > 0;
    }
    return failed ? 1 : 0;
}
