// The stability analysis run end to end on the real clock: MainFrame, connected to a device at
// firmware 1007, runs 100 readings of board 1, LED 1 without a pause, each a Manual capture of
// 10 ms (range 1, "10ms 3x3") and "getrgbi", "gethsi", "getxy": the two capture settings, then
// four requests a reading. Two lines:
//   in-process  the simulated device in this process (SimSerialBackend), no latency, unpaced
//   pty         lumivex-sim --pty --firmware 1007 --pace 115200 in a process of its own, reached
//               through QSerialPort
// each as the program runs (replies read as their bytes arrive) and read only on the run's 10 ms
// tick (SetTickOnly), alternating run by run so that both see the same machine. The tick runs only
// while a reply is awaited, so tick-only costs about one tick a request.
//
// What a run should cost is what the line and the device need: the bytes actually written and
// read, 10 bits each at 115200 baud, plus 100 captures of 10 ms. Over the pty also against what
// lumivex-sim really takes (it paces its replies on whole-millisecond byte timers). Time added per
// request: in-process the run less the time the device held the requests (request taken to reply
// sent, the captures included), which leaves the engine alone; over pty the run less lumivex-sim's
// pace and the captures, which leaves the pty's and lumivex-sim's latency in.
//
// Then what the pauses cost: a run of a few readings with the longest delay, 20000 ms, the whole
// process's CPU time against the wall time from each reading taken to the next capture written
// (or the run's end). And, without any device, what saving and loading a run of 100 readings
// costs: the data file's bytes and the report's text in memory, and both written to disk.
//
// The settings are the program's defaults, so the log writes every request and reply (level 9);
// --log-level 0 switches the log off.
//
//   build/bench/bench_stability [--runs 5] [--log-level 9] [--line in-process|pty] [--rounds 200]
//                               [--pause-readings 3] [--delay 20000]

#include "BenchSupport.h"
#include "platform/SimulatorProcess.h"

#include "app/Settings.h"
#include "main/MainFrame.h"
#include "main/TestConfiguration.h"
#include "platform/QtScheduler.h"
#include "platform/QtSerialBackend.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"
#include "stability/StabilityFiles.h"

#include <QCoreApplication>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
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
constexpr int kBaud = 115200;
constexpr int kRangeIndex = 1; // "10ms", "3x3"
constexpr double kCaptureMicros = 10000.0;
constexpr int kReadings = 100;
constexpr int kSetRequests = 2; // "setcaptime", "setaverage"
constexpr int kRequestsPerReading = 4; // capture, getrgbi, gethsi, getxy
constexpr int kRunRequests = kSetRequests + kReadings * kRequestsPerReading;
constexpr double kRunCaptureMicros = kReadings * kCaptureMicros;
constexpr int kWarmupRuns = 1; // of each mode
constexpr int kLongestDelayMs = 20000;
// A reading's requests in the order they are sent.
constexpr const char* kReadingRequests[kRequestsPerReading] = {"capture", "getrgbi", "gethsi", "getxy"};

double wireMicros(std::uint64_t bytes)
{
    return static_cast<double>(bytes) * 10.0 * 1e6 / kBaud;
}

// How lumivex-sim paces the replies: the requests reach it at once, and its byte timers run in
// whole milliseconds, so a reply's last byte leaves on the first millisecond step after its due
// time at 115200 baud.
double simPaceMicros(const std::vector<std::size_t>& replies)
{
    double micros = 0;
    for (const std::size_t bytes : replies)
        micros += std::ceil(wireMicros(bytes) / 1000.0) * 1000.0;
    return micros;
}

// How long the in-process device held the requests, from taking each to sending its reply (the
// device's own share of a run, its capture timer's lateness included), and the engine's time
// between a reply sent and the next request taken.
class DeviceHold {
public:
    void watch(SimulatedDevice& device)
    {
        device.setTrace([this](std::string_view direction, std::string_view text) {
            const std::int64_t now = nowNanos();
            if (direction == "<") {
                if (m_repliedAt != 0)
                    m_gaps.push_back(static_cast<double>(now - m_repliedAt) / 1000.0);
                m_received = now;
                m_capture = text.starts_with("capture");
                m_holding = true;
            } else if (direction == ">" && m_holding) {
                const double micros = static_cast<double>(now - m_received) / 1000.0;
                m_totalMicros += micros;
                if (m_capture)
                    m_captureMicros += micros;
                m_holding = false;
                m_repliedAt = now;
            }
        });
    }
    void reset()
    {
        m_totalMicros = m_captureMicros = 0;
        m_repliedAt = 0;
        m_gaps.clear();
    }
    double totalMicros() const { return m_totalMicros; }
    double captureMicros() const { return m_captureMicros; }
    const std::vector<double>& gaps() const { return m_gaps; }

private:
    std::int64_t m_received = 0;
    std::int64_t m_repliedAt = 0;
    bool m_holding = false;
    bool m_capture = false;
    double m_totalMicros = 0;
    double m_captureMicros = 0;
    std::vector<double> m_gaps;
};

struct Wait {
    double wallMs = 0;
    double cpuMs = 0;
    std::uint64_t events = 0; // timer events dispatched meanwhile
};

// The stability window as the run sees it: whether the run completed, and when timing pauses,
// the process's CPU from each reading taken to the next request written or the run's end.
class PauseView : public NoStabilityView {
public:
    explicit PauseView(const CountingScheduler& scheduler) : m_scheduler(scheduler) { }
    void ReadingTaken(int, int) override
    {
        if (!timing)
            return;
        m_open = true;
        m_wallAt = nowNanos();
        m_cpuAt = processCpuNanos();
        m_eventsAt = m_scheduler.events();
    }
    void RunEnded(bool completed) override
    {
        closePause();
        ended = completed ? 1 : 0;
    }
    void closePause()
    {
        if (!m_open)
            return;
        m_open = false;
        pauses.push_back({static_cast<double>(nowNanos() - m_wallAt) / 1e6,
            static_cast<double>(processCpuNanos() - m_cpuAt) / 1e6, m_scheduler.events() - m_eventsAt});
    }
    void reset()
    {
        ended = -1;
        m_open = false;
        pauses.clear();
    }

    bool timing = false;
    int ended = -1; // -1: the run did not end
    std::vector<Wait> pauses;

private:
    const CountingScheduler& m_scheduler;
    bool m_open = false;
    std::int64_t m_wallAt = 0;
    std::int64_t m_cpuAt = 0;
    std::uint64_t m_eventsAt = 0;
};

struct RunFigures {
    double wallMicros = 0; // Measure, start to return
    double wireMicros = 0; // bytes written and read at 115200 baud
    double simPaceMicros = 0; // the replies as lumivex-sim paces them
    double heldMicros = 0; // in-process: the device's own time
    double heldCaptureMicros = 0; // in-process: the captures as the device held them
    std::vector<double> gaps; // in-process: reply sent to next request taken, per request
    // Each of a reading's requests, written to the next request written (the last to the run's end).
    std::vector<double> steps[kRequestsPerReading];
    std::size_t requests = 0;
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
};

// The main window's engine on a port, with its own settings file and log in a scratch folder.
class Rig {
public:
    Rig(CountingScheduler& scheduler, SerialBackend& backend, const std::string& comPort, int logLevel,
        DeviceHold* hold)
        : m_scheduler(scheduler), m_port(backend), m_hold(hold), m_view(scheduler)
    {
        const std::string ini = m_folder.file("Lumivex.ini");
        writeBytes(ini,
            "[SYSTEM]\r\nCOMPORT=" + comPort + "\r\nLog-Level=" + std::to_string(logLevel)
                + "\r\nCheckRGB=1\r\nCheckHSI=1\r\nCheckXY=1\r\n");
        m_frame = std::make_unique<MainFrame>(scheduler, m_port, m_dialogs);
        m_frame->Initialise(iniLocationOf(ini));
        m_frame->SetStabilityView(&m_view);
        m_port.onWritten = [this] {
            m_view.closePause();
            m_writes.push_back(nowNanos());
        };
    }
    ~Rig()
    {
        m_port.onWritten = {};
        m_frame->SetStabilityView(nullptr);
    }
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    // Connects and chooses board 1, LED 1, Manual capture with range 1 and every value group. An
    // empty text when all went as planned.
    std::string setUp()
    {
        m_frame->MenuConnect();
        if (!pumpWhile([this] { return busy(); }, 10s))
            return "the connection chain did not end";
        if (!m_frame->Connected() || m_frame->Sequencer().FirmwareNumber() != kFirmware)
            return "not connected at firmware 1007 " + m_dialogs.first();
        TestConfiguration& config = m_frame->Config();
        config.OnBoardChanged(0);
        config.OnLedChanged(0);
        config.OnTestModeChanged(kManualCapture);
        config.OnOptionChanged(kRangeIndex);
        config.OnCheckRgb(true);
        config.OnCheckHsi(true);
        config.OnCheckXy(true);
        m_frame->StabilityAnalysis().boxes = {true, true, true};
        const StabilityChoice choice = m_frame->CurrentStabilityChoice();
        if (choice.ledIndex != 0 || choice.testMode != kManualCapture || choice.rangeIndex != kRangeIndex
            || !choice.checkRgb || !choice.checkHsi || !choice.checkXy)
            return "the main window did not take board 1, LED 1, Manual capture, range 1 and every value group";
        return m_dialogs.first();
    }

    // One run of 100 readings without a pause; nothing when it did not complete with the 402
    // requests and 100 readings, or a box came up.
    std::optional<RunFigures> run(bool tickOnly)
    {
        StabilityRun& run = m_frame->StabilityAnalysis();
        if (!run.SetReadingCount(kReadings) || !run.SetDelay(0)) {
            m_problem = "the run's settings were refused " + m_dialogs.first();
            return std::nullopt;
        }
        m_view.reset();
        m_view.timing = false;
        if (m_hold)
            m_hold->reset();
        m_port.resetCounts();
        m_writes.clear();
        run.SetTickOnly(tickOnly);
        const std::int64_t start = nowNanos();
        run.Measure();
        const std::int64_t end = nowNanos();
        run.SetTickOnly(false);
        m_writes.push_back(end);

        if (m_view.ended != 1 || run.SentRequests().size() != kRunRequests || run.Readings().size() != kReadings
            || !m_dialogs.empty()) {
            m_problem = "the run " + std::string(m_view.ended == 1 ? "completed" : "did not complete") + " with "
                + std::to_string(run.SentRequests().size()) + " requests and " + std::to_string(run.Readings().size())
                + " readings " + m_dialogs.first();
            return std::nullopt;
        }
        RunFigures f;
        f.wallMicros = static_cast<double>(end - start) / 1000.0;
        f.sent = m_port.sent;
        f.received = m_port.received;
        f.wireMicros = wireMicros(f.sent + f.received);
        f.simPaceMicros = simPaceMicros(m_port.replies);
        f.requests = run.SentRequests().size();
        for (std::size_t i = kSetRequests; i + 1 < m_writes.size(); ++i)
            f.steps[(i - kSetRequests) % kRequestsPerReading].push_back(
                static_cast<double>(m_writes[i + 1] - m_writes[i]) / 1000.0);
        if (m_hold) {
            f.heldMicros = m_hold->totalMicros();
            f.heldCaptureMicros = m_hold->captureMicros();
            f.gaps = m_hold->gaps();
        }
        return f;
    }

    // A run of `readings` readings with `delayMs` between them: each pause's wall and CPU time.
    std::optional<std::vector<Wait>> pauses(int readings, int delayMs)
    {
        StabilityRun& run = m_frame->StabilityAnalysis();
        if (!run.SetReadingCount(readings) || !run.SetDelay(delayMs)) {
            m_problem = "the run's settings were refused " + m_dialogs.first();
            return std::nullopt;
        }
        m_view.reset();
        m_view.timing = true;
        run.Measure();
        m_view.timing = false;
        run.SetDelay(0);
        if (m_view.ended != 1 || run.Readings().size() != static_cast<std::size_t>(readings) || !m_dialogs.empty()
            || m_view.pauses.size() != static_cast<std::size_t>(readings)) {
            m_problem = "the run with pauses failed " + m_dialogs.first();
            return std::nullopt;
        }
        return m_view.pauses;
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
    CountingBackend m_port;
    DeviceHold* m_hold;
    PauseView m_view;
    ScratchFolder m_folder;
    QuietDialogs m_dialogs;
    std::unique_ptr<MainFrame> m_frame;
    std::string m_problem;
    std::vector<std::int64_t> m_writes; // when each request of a run was written
};

struct RunRow {
    std::string line;
    bool tickOnly = false;
    Samples wallMicros;
    Samples wireRatio; // run / (wire + captures)
    Samples paceRatio; // pty: run / (lumivex-sim's pace + captures)
    // Per request: the run less the device's own time in-process (the engine alone), less
    // lumivex-sim's pace and the captures over pty (the engine, the pty and lumivex-sim's latency).
    Samples extraMicros;
    Samples engineMicros; // in-process: the run less the device's own time
    Samples gapMicros; // in-process: every reply sent to the next request taken
    Samples heldCaptureMicros; // in-process: the 100 captures as the device held them
    Samples stepMicros[kRequestsPerReading]; // each request of a reading, written to the next written
    RunFigures last;
};

struct PauseRow {
    std::string line;
    int delayMs = 0;
    std::vector<Wait> pauses;
};

// Warm-up runs, then on-arrival and tick-only runs in turn. False after a failed run.
bool runAll(Rig& rig, const std::string& line, int runs, bool inProcess, std::vector<RunRow>& rows)
{
    RunRow arrival;
    arrival.line = line;
    RunRow tick;
    tick.line = line;
    tick.tickOnly = true;
    for (int i = 0; i < kWarmupRuns; ++i) {
        if (!rig.run(false) || !rig.run(true)) {
            std::fprintf(stderr, "%s: %s\n", line.c_str(), rig.problem().c_str());
            return false;
        }
    }
    for (int i = 0; i < runs; ++i) {
        for (RunRow* row : {&arrival, &tick}) {
            const auto f = rig.run(row->tickOnly);
            if (!f) {
                std::fprintf(
                    stderr, "%s%s: %s\n", line.c_str(), row->tickOnly ? " tick-only" : "", rig.problem().c_str());
                return false;
            }
            const double requests = static_cast<double>(f->requests);
            row->wallMicros.add(f->wallMicros);
            row->wireRatio.add(f->wallMicros / (f->wireMicros + kRunCaptureMicros));
            for (int k = 0; k < kRequestsPerReading; ++k) {
                for (const double step : f->steps[k])
                    row->stepMicros[k].add(step);
            }
            if (inProcess) {
                row->engineMicros.add(f->wallMicros - f->heldMicros);
                row->extraMicros.add((f->wallMicros - f->heldMicros) / requests);
                row->heldCaptureMicros.add(f->heldCaptureMicros);
                for (const double gap : f->gaps)
                    row->gapMicros.add(gap);
            } else {
                row->paceRatio.add(f->wallMicros / (f->simPaceMicros + kRunCaptureMicros));
                row->extraMicros.add((f->wallMicros - f->simPaceMicros - kRunCaptureMicros) / requests);
            }
            row->last = *f;
        }
    }
    rows.push_back(std::move(arrival));
    rows.push_back(std::move(tick));
    return true;
}

bool runPauses(Rig& rig, const std::string& line, int readings, int delayMs, std::vector<PauseRow>& rows)
{
    const auto pauses = rig.pauses(readings, delayMs);
    if (!pauses) {
        std::fprintf(stderr, "%s pauses: %s\n", line.c_str(), rig.problem().c_str());
        return false;
    }
    rows.push_back({line, delayMs, *pauses});
    return true;
}

const char* metText(bool met)
{
    return met ? "met" : "MISSED";
}

void printRuns(const std::vector<RunRow>& rows, int runs, int logLevel)
{
    std::printf("\nStability run, firmware %d, board 1 LED 1, Manual capture range %d (10 ms, 3x3), RGBI/HSI/XY,"
                " %d readings, no pause: %d requests;\nmedian of %d runs per case after %d warm-up, log level %d\n\n",
        kFirmware, kRangeIndex, kReadings, kRunRequests, runs, kWarmupRuns, logLevel);
    std::printf("%-11s %-10s %8s %8s %8s | %6s %6s %8s %6s | %8s %6s | %9s\n", "line", "read", "run ms", "min ms",
        "max ms", "out B", "in B", "wire ms", "ratio", "sim ms", "ratio", "extra us");
    for (const RunRow& r : rows) {
        char pace[2][16] = {"-", "-"};
        if (!r.paceRatio.empty()) {
            std::snprintf(pace[0], sizeof pace[0], "%.1f", r.last.simPaceMicros / 1000);
            std::snprintf(pace[1], sizeof pace[1], "%.3f", r.paceRatio.median());
        }
        std::printf("%-11s %-10s %8.1f %8.1f %8.1f | %6llu %6llu %8.1f %6.3f | %8s %6s | %9.1f\n", r.line.c_str(),
            r.tickOnly ? "tick-only" : "on arrival", r.wallMicros.median() / 1000, r.wallMicros.min() / 1000,
            r.wallMicros.max() / 1000, static_cast<unsigned long long>(r.last.sent),
            static_cast<unsigned long long>(r.last.received), r.last.wireMicros / 1000, r.wireRatio.median(), pace[0],
            pace[1], r.extraMicros.median());
    }
    std::printf(
        "\nwire: the bytes written and read at 10 bits a byte, 115200 baud; ratio: run / (wire + 100 x 10 ms "
        "capture).\n"
        "sim: the replies as lumivex-sim sends them (requests arrive at once, its byte timers step in whole ms);\n"
        "     ratio: run / (sim + captures).\n"
        "extra: per request, in-process the run less the device's own time (each request taken to its reply\n"
        "     sent): the engine alone; over pty the run less sim and captures: the engine, the pty and\n"
        "     lumivex-sim's own latency. Medians.\n");
    std::printf("\nA reading's requests, each written to the next written (ms, median and p90 of every reading)\n\n");
    std::printf("%-11s %-10s", "line", "read");
    for (const char* request : kReadingRequests)
        std::printf(" | %-15s", request);
    std::printf("\n");
    for (const RunRow& r : rows) {
        std::printf("%-11s %-10s", r.line.c_str(), r.tickOnly ? "tick-only" : "on arrival");
        for (const Samples& s : r.stepMicros)
            std::printf(" | %6.2f %8.2f", s.median() / 1000, s.percentile(0.9) / 1000);
        std::printf("\n");
    }
    std::printf("\n");
    for (const RunRow& r : rows) {
        if (r.heldCaptureMicros.empty())
            continue;
        std::printf("In-process %-10s: the 100 captures as the device held them %.1f ms, the run less the device's"
                    " time %.1f ms;\n    reply sent to next request taken (%zu): median %.1f us, p90 %.1f us, max"
                    " %.1f us\n",
            r.tickOnly ? "tick-only" : "on arrival", r.heldCaptureMicros.median() / 1000,
            r.engineMicros.median() / 1000, r.gapMicros.count(), r.gapMicros.median(), r.gapMicros.percentile(0.9),
            r.gapMicros.max());
    }

    std::printf("\nTargets (reading on arrival)\n");
    for (std::size_t i = 0; i + 1 < rows.size(); i += 2) {
        const RunRow& arrival = rows[i];
        const RunRow& tick = rows[i + 1];
        const bool inProcess = arrival.paceRatio.empty();
        const double ratio = arrival.wireRatio.median();
        const double tickRatio = tick.wallMicros.median() / arrival.wallMicros.median();
        const double extra = arrival.extraMicros.median();
        if (inProcess)
            std::printf("%-11s run / (wire + capture):            %7.3f  (no target: the in-process device sends"
                        " unpaced)\n",
                arrival.line.c_str(), ratio);
        else
            std::printf("%-11s run / (wire + capture) <= 1.1:     %7.3f  %s\n", arrival.line.c_str(), ratio,
                metText(ratio <= 1.1));
        if (!inProcess)
            std::printf("%-11s run / (sim + capture):              %7.3f  (lumivex-sim's own pace)\n",
                arrival.line.c_str(), arrival.paceRatio.median());
        if (inProcess) {
            std::printf("%-11s tick-only / on arrival >= 10:      %7.1f  %s\n", arrival.line.c_str(), tickRatio,
                metText(tickRatio >= 10.0));
            std::printf("%-11s   the same less the device's time:  %7.1f  (the 10 ms captures take the same time"
                        " either way)\n",
                arrival.line.c_str(), tick.engineMicros.median() / arrival.engineMicros.median());
            std::printf("%-11s engine per request < 500 us:       %7.1f  %s\n", arrival.line.c_str(), extra,
                metText(extra < 500.0));
        } else {
            std::printf("%-11s tick-only / on arrival:            %7.1f  (no target: the line takes its time)\n",
                arrival.line.c_str(), tickRatio);
            std::printf("%-11s extra per request:                 %7.1f  (engine + pty + lumivex-sim; the engine's"
                        " own share is the in-process figure)\n",
                arrival.line.c_str(), extra);
        }
    }
}

void printPauses(const std::vector<PauseRow>& rows)
{
    if (rows.empty())
        return;
    std::printf("\nPausing between readings (a reading taken to the next capture written or the run's end),"
                " CPU of this whole process\n\n");
    std::printf("%-11s %8s %5s %10s %9s %8s %8s %9s\n", "line", "delay ms", "pause", "wall ms", "CPU ms", "core %",
        "events", "events/s");
    bool met = true;
    for (const PauseRow& r : rows) {
        double wall = 0;
        double cpu = 0;
        for (std::size_t i = 0; i < r.pauses.size(); ++i) {
            const Wait& w = r.pauses[i];
            wall += w.wallMs;
            cpu += w.cpuMs;
            const double percent = 100.0 * w.cpuMs / w.wallMs;
            met = met && percent < 1.0;
            std::printf("%-11s %8d %5zu %10.1f %9.2f %8.3f %8llu %9.1f\n", r.line.c_str(), r.delayMs, i + 1, w.wallMs,
                w.cpuMs, percent, static_cast<unsigned long long>(w.events),
                static_cast<double>(w.events) * 1000.0 / w.wallMs);
        }
        std::printf(
            "%-11s %8d %5s %10.1f %9.2f %8.3f\n", r.line.c_str(), r.delayMs, "all", wall, cpu, 100.0 * cpu / wall);
    }
    std::printf("(events: timer callbacks this process dispatched while pausing)\n");
    std::printf("\nTarget: below 1 %% of one core while pausing: %s\n", metText(met));
}

// A run's 100 readings with every value group, as a run stores them.
std::vector<CBlinkData> hundredReadings()
{
    std::vector<CBlinkData> readings;
    const auto flags
        = static_cast<std::uint16_t>(BlinkFlag::Rgbi | BlinkFlag::Hsi | BlinkFlag::Xy | BlinkFlag::ManualOrPwm);
    for (int n = 1; n <= kReadings; ++n) {
        CBlinkData r;
        r.ReadingNo = static_cast<std::uint16_t>(n);
        r.Flags = flags;
        r.Red = static_cast<std::int16_t>(85 + n % 7);
        r.Green = static_cast<std::int16_t>(90 - n % 5);
        r.Blue = static_cast<std::int16_t>(80 + n % 3);
        r.Intensity = 15000 + 13 * n;
        r.Saturation = static_cast<std::int16_t>(40 + n % 11);
        r.Hue = 120.5f + static_cast<float>(n) / 8.0f;
        r.X = 0.3127f + static_cast<float>(n) / 10000.0f;
        r.Y = 0.3290f - static_cast<float>(n) / 10000.0f;
        readings.push_back(r);
    }
    return readings;
}

// Saving and loading a run of 100 readings without any device: the data file's bytes and the
// report's text in memory, then "Save" and "Load" with their files. Medians of `rounds` rounds.
bool timeFiles(int rounds)
{
    ScratchFolder folder;
    QuietDialogs dialogs;
    Settings settings;
    settings.stabilityFile = folder.file("StabilityReport.txt");
    settings.selectDatei = 0;

    StabilityReportInput input;
    input.setup = StabilitySetup {0, kRangeIndex, kManualCapture, 0, 0, 1950};
    input.readings = hundredReadings();
    input.groups = {true, true, true};
    input.title = "Stability Analysis  -Manual Capture-  Board: 1 Sensor: 1 Time: 10ms Area: 3x3";
    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);

    Samples companion, text, save, parse, load;
    std::size_t companionBytes = 0;
    std::size_t reportBytes = 0;
    bool ok = true;
    for (int i = 0; i < rounds && ok; ++i) {
        const std::int64_t t0 = nowNanos();
        const std::string bytes = stabilityCompanionBytes(input.setup, input.readings);
        const std::int64_t t1 = nowNanos();
        const std::string report
            = stabilityReportText(settings.stabilityFile, local, input.title, input.groups, input.readings);
        const std::int64_t t2 = nowNanos();
        ok = saveStabilityReportAt(input, settings, dialogs, local);
        const std::int64_t t3 = nowNanos();
        const auto parsed = parseStabilityCompanion(bytes);
        const std::int64_t t4 = nowNanos();
        const auto loaded = loadStabilityReport(settings, dialogs);
        const std::int64_t t5 = nowNanos();
        ok = ok && parsed && parsed->readings == input.readings && parsed->setup == input.setup && loaded
            && loaded->readings == input.readings && loaded->setup == input.setup;
        companionBytes = bytes.size();
        reportBytes = report.size();
        companion.add(static_cast<double>(t1 - t0) / 1000.0);
        text.add(static_cast<double>(t2 - t1) / 1000.0);
        save.add(static_cast<double>(t3 - t2) / 1000.0);
        parse.add(static_cast<double>(t4 - t3) / 1000.0);
        load.add(static_cast<double>(t5 - t4) / 1000.0);
    }
    if (!ok || !dialogs.empty()) {
        std::fprintf(
            stderr, "files: save or load failed, or the readings came back changed %s\n", dialogs.first().c_str());
        return false;
    }

    std::printf("\nSaving and loading a run of %d readings without a device, %d rounds (us)\n\n", kReadings, rounds);
    std::printf("%-52s %9s %9s %9s\n", "step", "median", "p90", "max");
    const auto line = [](const char* name, const Samples& s) {
        std::printf("%-52s %9.1f %9.1f %9.1f\n", name, s.median(), s.percentile(0.9), s.max());
    };
    line("stabilityCompanionBytes (in memory)", companion);
    line("stabilityReportText (in memory)", text);
    line("saveStabilityReportAt (both, written and synced)", save);
    line("parseStabilityCompanion (in memory)", parse);
    line("loadStabilityReport (file read + parse)", load);
    std::printf("(data file: %zu bytes, report: %zu bytes; every round's load gave back the saved readings)\n",
        companionBytes, reportBytes);
    std::printf("(\"Save\" replaces the data file and then the report, each atomically with a sync of the file and"
                " its folder:\n its time is mostly the disk's)\n");
    return true;
}

std::string loadText()
{
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) != 3)
        return "unknown";
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f", load[0], load[1], load[2]);
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C"); // the core's printf formats
    int runs = 5;
    int logLevel = 9;
    int rounds = 200;
    int pauseReadings = 3;
    int delayMs = kLongestDelayMs;
    std::string only; // --line in-process|pty: one line only
    try {
        runs = intOption(argc, argv, "--runs", runs);
        rounds = intOption(argc, argv, "--rounds", rounds);
        pauseReadings = intOption(argc, argv, "--pause-readings", pauseReadings);
        delayMs = intOption(argc, argv, "--delay", delayMs);
        for (int i = 1; i + 1 < argc; ++i) {
            if (std::string(argv[i]) == "--log-level")
                logLevel = std::atoi(argv[i + 1]);
            else if (std::string(argv[i]) == "--line")
                only = argv[i + 1];
        }
        if (!only.empty() && only != "in-process" && only != "pty")
            throw std::invalid_argument("--line takes in-process or pty");
        if (pauseReadings > StabilityRun::kMaxReadings)
            throw std::invalid_argument("--pause-readings takes 1 to 100");
        if (delayMs < StabilityRun::kMinDelayMs || delayMs > StabilityRun::kMaxDelayMs)
            throw std::invalid_argument("--delay takes 10 to 20000 (ms)");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_stability: %s\n", e.what());
        return 2;
    }
    const std::string loadAtStart = loadText();

    QtScheduler clock;
    CountingScheduler scheduler(clock);
    std::vector<RunRow> runRows;
    std::vector<PauseRow> pauseRows;
    bool ok = true;
    if (only != "pty") {
        SimConfig config;
        config.firmware = kFirmware;
        SimulatedDevice device(scheduler, config);
        SimSerialBackend backend(scheduler, device);
        DeviceHold hold;
        hold.watch(device);
        Rig rig(scheduler, backend, SimSerialBackend::kPortName, logLevel, &hold);
        if (const std::string problem = rig.setUp(); !problem.empty()) {
            std::fprintf(stderr, "in-process: %s\n", problem.c_str());
            return 1;
        }
        ok = runAll(rig, "in-process", runs, true, runRows)
            && runPauses(rig, "in-process", pauseReadings, delayMs, pauseRows);
    }
    if (ok && only != "in-process") {
        SimulatorProcess sim {QString::fromUtf8(LUMIVEX_SIM_PATH)};
        if (!sim.start({"--firmware", QString::number(kFirmware), "--pace", QString::number(kBaud)}, 10s)) {
            std::fprintf(stderr, "pty: %s\n", sim.problem().c_str());
            return 1;
        }
        QtSerialBackend backend;
        Rig rig(scheduler, backend, sim.path(), logLevel, nullptr);
        if (const std::string problem = rig.setUp(); !problem.empty()) {
            std::fprintf(stderr, "pty: %s\n", problem.c_str());
            return 1;
        }
        ok = runAll(rig, "pty", runs, false, runRows) && runPauses(rig, "pty", pauseReadings, delayMs, pauseRows);
    }

    std::printf("Load average at the start: %s, at the end of the runs: %s\n", loadAtStart.c_str(), loadText().c_str());
    printRuns(runRows, runs, logLevel);
    printPauses(pauseRows);
    ok = timeFiles(rounds) && ok;
    return ok ? 0 : 1;
}
