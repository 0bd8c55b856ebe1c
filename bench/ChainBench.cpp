// The main window's engine end to end on the real clock: MainFrame with its MeasurementSequencer,
// connected first, runs the Manual test chain of firmware 1007 (capture, getrgbi, gethsi, getxy,
// getctemp, getxoffset, getyoffset, getdistance) with the shortest capture ("UTH 3x3  10ms")
// against
//   in-process  the simulated device in this process, no latency
//   pty         lumivex-sim --pty in a process of its own, reached through QSerialPort
// each as the program runs (replies read as their bytes arrive) and read only on the 10 ms tick
// (SetTickOnly), alternating chain by chain so that both see the same machine.
//
// Per request: (chain time - 10 ms capture) / 8. That figure also carries the lateness of the
// device's 10 ms capture timer, so two more are shown: the seven reads alone (from the capture's
// "OK" handled to the chain's end, / 7), and in-process the chain less the capture as the device
// really held it, / 8.
//
// Then what waiting costs: a User Capture of 2000 ms, the whole process's CPU time against the
// wall time from the capture's send to its "OK".
//
// The settings are the program's defaults, so the log writes every request and reply (level 9);
// --log-level 0 switches the log off.
//
//   build/bench/bench_chain [--chains 30] [--log-level 9] [--line in-process|pty]

#include "BenchSupport.h"
#include "FrameRig.h"

#include "main/MainFrame.h"
#include "main/TestConfiguration.h"
#include "platform/QtScheduler.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

using namespace lumivex;
using namespace lumivex::bench;
using namespace std::chrono_literals;

namespace {

constexpr int kFirmware = 1007;
constexpr int kRangeIndex = 1; // "UTH 3x3  10ms"
constexpr double kCaptureMicros = 10000.0;
constexpr int kChainRequests = 8;
constexpr int kUserTimeMs = 2000;
constexpr int kWarmupChains = 3;
constexpr int kUserCaptures = 3;

const std::vector<std::string> kChain = {"capture601 1\r", "getrgbi1 1\r", "gethsi1 1\r", "getxy1 1\r", "getctemp1 1\r",
    "getxoffset1 1\r", "getyoffset1 1\r", "getdistance1 1\r"};

// The window's engine on a port, with its own settings file and log in a scratch folder.
class Rig : public FrameRig {
public:
    Rig(Scheduler& scheduler, SerialBackend& backend, const std::string& comPort, int logLevel, DeviceHold* hold)
        : FrameRig(scheduler, backend, comPort, logLevel, hold, false)
    {
    }

    // The connection chain; an empty text when the device answered with firmware 1007.
    std::string setUp()
    {
        const std::string problem = connect(kFirmware);
        return problem.empty() ? m_dialogs.first() : problem;
    }

    struct Chain {
        double micros = 0; // START TEST to the chain's end
        double readsMicros = 0; // the capture's "OK" handled to the chain's end
    };
    // One Manual test; nothing when it did not send the eight requests of the chain, gave no
    // valid result or a box came up.
    std::optional<Chain> manualChain(bool tickOnly)
    {
        MeasurementSequencer& sequencer = m_frame->Sequencer();
        TestConfiguration& config = m_frame->Config();
        config.OnTestModeChanged(kManualCapture);
        config.OnOptionChanged(kRangeIndex);
        sequencer.SetTickOnly(tickOnly);
        const std::size_t before = sequencer.SentRequests().size();

        std::int64_t okAt = 0;
        const std::int64_t start = nowNanos();
        sequencer.StartTest();
        const bool ended = pumpWhile(
            [&] {
                // The "OK" is handled by sending "getrgbi" at once: the number moves on.
                if (okAt == 0 && sequencer.CommandNumber() != DeviceCommand::CaptureRange)
                    okAt = nowNanos();
                return busy();
            },
            5s);
        const std::int64_t end = nowNanos();
        sequencer.SetTickOnly(false);

        const std::vector<std::string> sent(
            sequencer.SentRequests().begin() + static_cast<std::ptrdiff_t>(before), sequencer.SentRequests().end());
        if (!ended || sent != kChain || !sequencer.ResultValid() || !m_dialogs.empty()) {
            m_problem = !ended   ? "the chain did not end"
                : sent != kChain ? "the chain sent " + std::to_string(sent.size()) + " requests"
                                 : "no valid result " + m_dialogs.first();
            return std::nullopt;
        }
        return Chain {microsBetween(start, end), microsBetween(okAt, end)};
    }

    struct Wait {
        double wallMs = 0;
        double cpuMs = 0;
        int wakeUps = 0; // returns of pumpOnce during the wait
        int ticks = 0; // time-out ticks counted for the capture before its "OK" came
    };
    // A User Capture of kUserTimeMs: CPU and wall time from the capture's send (StartTest sends
    // and awaits "setusertime" first) until its "OK" has been handled; then the chain runs out.
    std::optional<Wait> userCaptureWait()
    {
        MeasurementSequencer& sequencer = m_frame->Sequencer();
        TestConfiguration& config = m_frame->Config();
        config.OnTestModeChanged(kUserCapture);
        if (!config.OnUserTimeEdited(std::to_string(kUserTimeMs)).empty()) {
            m_problem = "the user time was refused";
            return std::nullopt;
        }
        sequencer.StartTest();
        if (sequencer.CommandNumber() != DeviceCommand::CaptureUser || !sequencer.ReplyAwaited()) {
            m_problem = "the user capture was not sent " + m_dialogs.first();
            return std::nullopt;
        }
        Wait wait;
        const std::int64_t wallStart = nowNanos();
        const std::int64_t cpuStart = processCpuNanos();
        const bool answered = pumpWhile(
            [&] {
                ++wait.wakeUps;
                const bool waiting
                    = sequencer.CommandNumber() == DeviceCommand::CaptureUser && sequencer.ReplyAwaited();
                if (waiting)
                    wait.ticks = sequencer.TickCounter();
                return waiting;
            },
            std::chrono::milliseconds(kUserTimeMs + 3000));
        const std::int64_t cpuEnd = processCpuNanos();
        const std::int64_t wallEnd = nowNanos();
        --wait.wakeUps; // the first look came before any pump
        wait.wallMs = static_cast<double>(wallEnd - wallStart) / 1e6;
        wait.cpuMs = static_cast<double>(cpuEnd - cpuStart) / 1e6;
        pumpWhile([this] { return busy(); }, 5s);
        config.OnTestModeChanged(kManualCapture);
        if (!answered || !sequencer.ResultValid() || !m_dialogs.empty()) {
            m_problem = "the user capture failed " + m_dialogs.first();
            return std::nullopt;
        }
        return wait;
    }
};

struct ChainRow {
    std::string line;
    bool tickOnly = false;
    Samples chainMicros;
    Samples perRequestMicros; // (chain - 10 ms) / 8
    Samples perReadMicros; // reads alone / 7
    Samples holdMicros; // in-process: the capture as the device held it
    Samples perRequestHeldMicros; // in-process: (chain - held) / 8
};

// Warm-up chains, then normal and tick-only chains in turn. False after a failed chain.
bool runChains(Rig& rig, const std::string& line, int chains, std::vector<ChainRow>& rows)
{
    const DeviceHold* hold = rig.hold();
    return alternateModes(
        rig, line, kWarmupChains, chains, [&rig](bool tickOnly) { return rig.manualChain(tickOnly); },
        [hold](ChainRow& row, const Rig::Chain& chain) {
            row.chainMicros.add(chain.micros);
            row.perRequestMicros.add((chain.micros - kCaptureMicros) / kChainRequests);
            row.perReadMicros.add(chain.readsMicros / (kChainRequests - 1));
            if (hold) {
                row.holdMicros.add(hold->lastCaptureMicros());
                row.perRequestHeldMicros.add((chain.micros - hold->lastCaptureMicros()) / kChainRequests);
            }
        },
        rows);
}

// The tick-only row's median over its on-arrival partner's (the row before it).
std::string ratioText(const std::vector<ChainRow>& rows, std::size_t i, Samples ChainRow::*samples)
{
    if (!rows[i].tickOnly || i == 0)
        return "";
    char text[32];
    std::snprintf(text, sizeof text, "%.0fx", (rows[i].*samples).median() / (rows[i - 1].*samples).median());
    return text;
}

void printChains(const std::vector<ChainRow>& rows, int chains, int logLevel)
{
    std::printf("\nManual test chain, firmware %d, %d requests, capture \"UTH 3x3 10ms\"; %d chains per case after %d"
                " warm-up, log level %d\n\n",
        kFirmware, kChainRequests, chains, kWarmupChains, logLevel);
    std::printf("%-11s %-10s %9s %9s | %-24s %6s | %-24s %6s\n", "", "", "chain", "chain", "per request (chain-10ms)/8",
        "", "per read, reads alone /7", "");
    std::printf("%-11s %-10s %9s %9s | %11s %12s %6s | %11s %12s %6s\n", "line", "read", "med ms", "p90 ms",
        "median us", "p90 us", "ratio", "median us", "p90 us", "ratio");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ChainRow& r = rows[i];
        std::printf("%-11s %-10s %9.2f %9.2f | %11.1f %12.1f %6s | %11.1f %12.1f %6s\n", r.line.c_str(),
            readModeText(r.tickOnly), r.chainMicros.median() / 1000, r.chainMicros.percentile(0.9) / 1000,
            r.perRequestMicros.median(), r.perRequestMicros.percentile(0.9),
            ratioText(rows, i, &ChainRow::perRequestMicros).c_str(), r.perReadMicros.median(),
            r.perReadMicros.percentile(0.9), ratioText(rows, i, &ChainRow::perReadMicros).c_str());
    }
    bool met = true;
    for (const ChainRow& r : rows)
        met = met && (r.tickOnly || r.perRequestMicros.median() < 500.0);
    std::printf("\nTarget, read on arrival: below 500 us per request (median): %s\n", metText(met));

    bool heading = false;
    for (const ChainRow& r : rows) {
        if (r.holdMicros.empty())
            continue;
        if (!heading) {
            std::printf("\nIn-process, less the capture as the device held it (10 ms and its timer's lateness)\n\n");
            std::printf(
                "%-11s %-10s %12s %16s %16s\n", "line", "read", "held med ms", "per req med us", "per req p90 us");
            heading = true;
        }
        std::printf("%-11s %-10s %12.3f %16.1f %16.1f\n", r.line.c_str(), readModeText(r.tickOnly),
            r.holdMicros.median() / 1000, r.perRequestHeldMicros.median(), r.perRequestHeldMicros.percentile(0.9));
    }
}

void printWaits(const std::vector<WaitRow<Rig::Wait>>& rows)
{
    std::printf(
        "\nWaiting for a User Capture of %d ms (capture sent to its \"OK\" handled), CPU of this whole process\n\n",
        kUserTimeMs);
    std::printf("%-11s %4s %10s %9s %8s %9s %6s\n", "line", "run", "wall ms", "CPU ms", "core %", "wake-ups", "ticks");
    bool met = true;
    for (const WaitRow<Rig::Wait>& r : rows) {
        for (std::size_t i = 0; i < r.waits.size(); ++i) {
            const Rig::Wait& w = r.waits[i];
            const double percent = 100.0 * w.cpuMs / w.wallMs;
            met = met && percent < 2.0;
            std::printf("%-11s %4zu %10.1f %9.2f %8.3f %9d %6d\n", r.line.c_str(), i + 1, w.wallMs, w.cpuMs, percent,
                w.wakeUps, w.ticks);
        }
    }
    std::printf("\nTarget: below 2 %% of one core while waiting: %s\n", metText(met));
}

} // namespace

int main(int argc, char** argv)
{
    BenchApplication app(argc, argv);
    int chains = 30;
    int logLevel = 9;
    LineOptions lines {kFirmware, 0, false, true, {}};
    if (!readOptions("bench_chain", argc, argv, {{"--chains", &chains}}, logLevel, &lines.only))
        return 2;

    QtScheduler scheduler;
    std::vector<ChainRow> chainRows;
    std::vector<WaitRow<Rig::Wait>> waitRows;
    const LineEnd end = measureRigs<Rig>(scheduler, lines, logLevel, [&](Rig& rig, const Line& line) {
        return runChains(rig, line.name, chains, chainRows) && repeatWaits(rig, line.name, kUserCaptures, waitRows);
    });
    if (end == LineEnd::NotSetUp)
        return 1;

    printChains(chainRows, chains, logLevel);
    printWaits(waitRows);
    return end == LineEnd::Measured ? 0 : 1;
}
