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
#include "platform/SimulatorProcess.h"

#include "main/MainFrame.h"
#include "main/TestConfiguration.h"
#include "platform/QtScheduler.h"
#include "platform/QtSerialBackend.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

#include <QCoreApplication>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
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

// When the in-process device took the capture request and when it sent its "OK": how long the
// device really held the chain, the lateness of its timer included.
class CaptureHold {
public:
    void watch(SimulatedDevice& device)
    {
        device.setTrace([this](std::string_view direction, std::string_view text) {
            if (direction == "<" && text.starts_with("capture")) {
                m_received = nowNanos();
                m_capturing = true;
            } else if (direction == ">" && m_capturing) {
                m_micros = static_cast<double>(nowNanos() - m_received) / 1000.0;
                m_capturing = false;
            }
        });
    }
    double lastMicros() const { return m_micros; }

private:
    std::int64_t m_received = 0;
    bool m_capturing = false;
    double m_micros = 0;
};

// The window's engine on a port, with its own settings file and log in a scratch folder.
class Rig {
public:
    Rig(Scheduler& scheduler, SerialBackend& backend, const std::string& comPort, int logLevel) : m_scheduler(scheduler)
    {
        const std::string ini = m_folder.file("Lumivex.ini");
        writeBytes(ini, "[SYSTEM]\r\nCOMPORT=" + comPort + "\r\nLog-Level=" + std::to_string(logLevel) + "\r\n");
        m_frame = std::make_unique<MainFrame>(scheduler, backend, m_dialogs);
        m_frame->Initialise(iniLocationOf(ini));
    }

    // The connection chain; an empty text when the device answered with firmware 1007.
    std::string connect()
    {
        m_frame->MenuConnect();
        if (!pumpWhile([this] { return busy(); }, 10s))
            return "the connection chain did not end";
        if (!m_frame->Connected() || m_frame->Sequencer().FirmwareNumber() != kFirmware)
            return "not connected at firmware 1007 " + m_dialogs.first();
        return m_dialogs.first();
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
        return Chain {static_cast<double>(end - start) / 1000.0, static_cast<double>(end - okAt) / 1000.0};
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

    const std::string& problem() const { return m_problem; }

private:
    bool busy() const { return m_frame->Sequencer().ChainRunning() || m_frame->Sequencer().ReplyAwaited(); }

    // Pumps while the condition holds; false when it still held after the limit.
    template<class Condition> bool pumpWhile(Condition condition, std::chrono::milliseconds limit)
    {
        bool expired = false;
        const auto guard = m_scheduler.singleShot(limit, [&expired] { expired = true; });
        bool holds = condition();
        while (holds && !expired) {
            m_scheduler.pumpOnce();
            holds = condition();
        }
        m_scheduler.killTimer(guard);
        return !holds;
    }

    Scheduler& m_scheduler;
    ScratchFolder m_folder;
    QuietDialogs m_dialogs;
    std::unique_ptr<MainFrame> m_frame;
    std::string m_problem;
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

struct WaitRow {
    std::string line;
    std::vector<Rig::Wait> waits;
};

// Warm-up chains, then normal and tick-only chains in turn. False after a failed chain.
bool runChains(Rig& rig, const std::string& line, int chains, const CaptureHold* hold, std::vector<ChainRow>& rows)
{
    ChainRow normal {line, false, {}, {}, {}, {}, {}};
    ChainRow tickOnly {line, true, {}, {}, {}, {}, {}};
    for (int i = 0; i < kWarmupChains; ++i) {
        if (!rig.manualChain(false) || !rig.manualChain(true)) {
            std::fprintf(stderr, "%s: %s\n", line.c_str(), rig.problem().c_str());
            return false;
        }
    }
    for (int i = 0; i < chains; ++i) {
        for (ChainRow* row : {&normal, &tickOnly}) {
            const auto chain = rig.manualChain(row->tickOnly);
            if (!chain) {
                std::fprintf(
                    stderr, "%s%s: %s\n", line.c_str(), row->tickOnly ? " tick-only" : "", rig.problem().c_str());
                return false;
            }
            row->chainMicros.add(chain->micros);
            row->perRequestMicros.add((chain->micros - kCaptureMicros) / kChainRequests);
            row->perReadMicros.add(chain->readsMicros / (kChainRequests - 1));
            if (hold) {
                row->holdMicros.add(hold->lastMicros());
                row->perRequestHeldMicros.add((chain->micros - hold->lastMicros()) / kChainRequests);
            }
        }
    }
    rows.push_back(std::move(normal));
    rows.push_back(std::move(tickOnly));
    return true;
}

bool runWaits(Rig& rig, const std::string& line, std::vector<WaitRow>& rows)
{
    WaitRow row {line, {}};
    for (int i = 0; i < kUserCaptures; ++i) {
        const auto wait = rig.userCaptureWait();
        if (!wait) {
            std::fprintf(stderr, "%s user capture: %s\n", line.c_str(), rig.problem().c_str());
            return false;
        }
        row.waits.push_back(*wait);
    }
    rows.push_back(std::move(row));
    return true;
}

const char* readMode(const ChainRow& row)
{
    return row.tickOnly ? "tick-only" : "on arrival";
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
        std::printf("%-11s %-10s %9.2f %9.2f | %11.1f %12.1f %6s | %11.1f %12.1f %6s\n", r.line.c_str(), readMode(r),
            r.chainMicros.median() / 1000, r.chainMicros.percentile(0.9) / 1000, r.perRequestMicros.median(),
            r.perRequestMicros.percentile(0.9), ratioText(rows, i, &ChainRow::perRequestMicros).c_str(),
            r.perReadMicros.median(), r.perReadMicros.percentile(0.9),
            ratioText(rows, i, &ChainRow::perReadMicros).c_str());
    }
    bool met = true;
    for (const ChainRow& r : rows)
        met = met && (r.tickOnly || r.perRequestMicros.median() < 500.0);
    std::printf("\nTarget, read on arrival: below 500 us per request (median): %s\n", met ? "met" : "MISSED");

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
        std::printf("%-11s %-10s %12.3f %16.1f %16.1f\n", r.line.c_str(), readMode(r), r.holdMicros.median() / 1000,
            r.perRequestHeldMicros.median(), r.perRequestHeldMicros.percentile(0.9));
    }
}

void printWaits(const std::vector<WaitRow>& rows)
{
    std::printf(
        "\nWaiting for a User Capture of %d ms (capture sent to its \"OK\" handled), CPU of this whole process\n\n",
        kUserTimeMs);
    std::printf("%-11s %4s %10s %9s %8s %9s %6s\n", "line", "run", "wall ms", "CPU ms", "core %", "wake-ups", "ticks");
    bool met = true;
    for (const WaitRow& r : rows) {
        for (std::size_t i = 0; i < r.waits.size(); ++i) {
            const Rig::Wait& w = r.waits[i];
            const double percent = 100.0 * w.cpuMs / w.wallMs;
            met = met && percent < 2.0;
            std::printf("%-11s %4zu %10.1f %9.2f %8.3f %9d %6d\n", r.line.c_str(), i + 1, w.wallMs, w.cpuMs, percent,
                w.wakeUps, w.ticks);
        }
    }
    std::printf("\nTarget: below 2 %% of one core while waiting: %s\n", met ? "met" : "MISSED");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C"); // the core's printf formats
    int chains = 30;
    int logLevel = 9;
    std::string only; // --line in-process|pty: one line only
    try {
        chains = intOption(argc, argv, "--chains", chains);
        for (int i = 1; i + 1 < argc; ++i) {
            if (std::string(argv[i]) == "--log-level")
                logLevel = std::atoi(argv[i + 1]);
            else if (std::string(argv[i]) == "--line")
                only = argv[i + 1];
        }
        if (!only.empty() && only != "in-process" && only != "pty")
            throw std::invalid_argument("--line takes in-process or pty");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_chain: %s\n", e.what());
        return 2;
    }

    QtScheduler scheduler;
    std::vector<ChainRow> chainRows;
    std::vector<WaitRow> waitRows;
    bool ok = true;
    if (only != "pty") {
        SimConfig config;
        config.firmware = kFirmware;
        SimulatedDevice device(scheduler, config);
        SimSerialBackend backend(scheduler, device);
        CaptureHold hold;
        hold.watch(device);
        Rig rig(scheduler, backend, SimSerialBackend::kPortName, logLevel);
        if (const std::string problem = rig.connect(); !problem.empty()) {
            std::fprintf(stderr, "in-process: %s\n", problem.c_str());
            return 1;
        }
        ok = runChains(rig, "in-process", chains, &hold, chainRows) && runWaits(rig, "in-process", waitRows);
    }
    if (ok && only != "in-process") {
        SimulatorProcess sim {QString::fromUtf8(LUMIVEX_SIM_PATH)};
        if (!sim.start({"--firmware", QString::number(kFirmware)}, 10s)) {
            std::fprintf(stderr, "pty: %s\n", sim.problem().c_str());
            return 1;
        }
        QtSerialBackend backend;
        Rig rig(scheduler, backend, sim.path(), logLevel);
        if (const std::string problem = rig.connect(); !problem.empty()) {
            std::fprintf(stderr, "pty: %s\n", problem.c_str());
            return 1;
        }
        ok = runChains(rig, "pty", chains, nullptr, chainRows) && runWaits(rig, "pty", waitRows);
    }

    printChains(chainRows, chains, logLevel);
    printWaits(waitRows);
    return ok ? 0 : 1;
}
