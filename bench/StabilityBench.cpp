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
#include "FrameRig.h"

#include "foundation/Settings.h"
#include "main/MainFrame.h"
#include "main/TestConfiguration.h"
#include "platform/QtScheduler.h"
#include "stability/StabilityFiles.h"

#include <cstdio>
#include <ctime>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

using namespace lumivex;
using namespace lumivex::bench;

namespace {

constexpr int kFirmware = 1007;
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
        m_takenAt = CpuMark::take(m_scheduler);
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
        pauses.push_back(cpuWaitBetween(m_takenAt, CpuMark::take(m_scheduler)));
    }
    void reset()
    {
        ended = -1;
        m_open = false;
        pauses.clear();
    }

    bool timing = false;
    int ended = -1; // -1: the run did not end
    std::vector<CpuWait> pauses;

private:
    const CountingScheduler& m_scheduler;
    bool m_open = false;
    CpuMark m_takenAt;
};

struct StabilityRunFigures : RunFigures {
    std::vector<double> gaps; // in-process: reply sent to next request taken, per request
    // Each of a reading's requests, written to the next request written (the last to the run's end).
    std::vector<double> steps[kRequestsPerReading];
};

// The main window's engine on a port, with its own settings file and log in a scratch folder.
class Rig : public FrameRig {
public:
    Rig(CountingScheduler& scheduler, SerialBackend& backend, const std::string& comPort, int logLevel,
        DeviceHold* hold)
        : FrameRig(scheduler, backend, comPort, logLevel, hold, true), m_view(scheduler)
    {
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

    // Connects and chooses board 1, LED 1, Manual capture with range 1 and every value group. An
    // empty text when all went as planned.
    std::string setUp()
    {
        if (const std::string problem = connect(kFirmware); !problem.empty())
            return problem;
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
    std::optional<StabilityRunFigures> run(bool tickOnly)
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
        StabilityRunFigures f;
        takeRunFigures(f, start, end, run.SentRequests().size(), m_port, m_hold);
        for (std::size_t i = kSetRequests; i + 1 < m_writes.size(); ++i)
            f.steps[(i - kSetRequests) % kRequestsPerReading].push_back(microsBetween(m_writes[i], m_writes[i + 1]));
        if (m_hold)
            f.gaps = m_hold->gaps();
        return f;
    }

    // A run of `readings` readings with `delayMs` between them: each pause's wall and CPU time.
    std::optional<std::vector<CpuWait>> pauses(int readings, int delayMs)
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

private:
    PauseView m_view;
    std::vector<std::int64_t> m_writes; // when each request of a run was written
};

struct StabilityRow : RunRow {
    Samples gapMicros; // in-process: every reply sent to the next request taken
    Samples stepMicros[kRequestsPerReading]; // each request of a reading, written to the next written
};

struct PauseRow {
    std::string line;
    int delayMs = 0;
    std::vector<CpuWait> pauses;
};

// Warm-up runs, then on-arrival and tick-only runs in turn. False after a failed run.
bool runAll(Rig& rig, const std::string& line, int runs, bool inProcess, std::vector<StabilityRow>& rows)
{
    return alternateModes(
        rig, line, kWarmupRuns, runs, [&rig](bool tickOnly) { return rig.run(tickOnly); },
        [inProcess](StabilityRow& row, const StabilityRunFigures& f) {
            row.add(f, kRunCaptureMicros, inProcess);
            for (int k = 0; k < kRequestsPerReading; ++k) {
                for (const double step : f.steps[k])
                    row.stepMicros[k].add(step);
            }
            for (const double gap : f.gaps)
                row.gapMicros.add(gap);
        },
        rows);
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

void printRuns(const std::vector<StabilityRow>& rows, int runs, int logLevel)
{
    std::printf("\nStability run, firmware %d, board 1 LED 1, Manual capture range %d (10 ms, 3x3), RGBI/HSI/XY,"
                " %d readings, no pause: %d requests;\nmedian of %d runs per case after %d warm-up, log level %d\n\n",
        kFirmware, kRangeIndex, kReadings, kRunRequests, runs, kWarmupRuns, logLevel);
    printRunHead(nullptr);
    for (const StabilityRow& r : rows) {
        printRunFigures(r);
        std::printf("\n");
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
    for (const StabilityRow& r : rows) {
        std::printf("%-11s %-10s", r.line.c_str(), readModeText(r.tickOnly));
        for (const Samples& s : r.stepMicros)
            std::printf(" | %6.2f %8.2f", s.median() / 1000, s.percentile(0.9) / 1000);
        std::printf("\n");
    }
    std::printf("\n");
    for (const StabilityRow& r : rows) {
        if (r.heldCaptureMicros.empty())
            continue;
        std::printf("In-process %-10s: the 100 captures as the device held them %.1f ms, the run less the device's"
                    " time %.1f ms;\n    reply sent to next request taken (%zu): median %.1f us, p90 %.1f us, max"
                    " %.1f us\n",
            readModeText(r.tickOnly), r.heldCaptureMicros.median() / 1000, r.engineMicros.median() / 1000,
            r.gapMicros.count(), r.gapMicros.median(), r.gapMicros.percentile(0.9), r.gapMicros.max());
    }

    std::printf("\nTargets (reading on arrival)\n");
    for (std::size_t i = 0; i + 1 < rows.size(); i += 2) {
        const StabilityRow& arrival = rows[i];
        const StabilityRow& tick = rows[i + 1];
        const bool inProcess = arrival.paceRatio.empty();
        if (inProcess) {
            std::printf("%-11s run / (wire + capture):            %7.3f  (no target: the in-process device sends"
                        " unpaced)\n",
                arrival.line.c_str(), arrival.wireRatio.median());
        } else {
            printWireTarget(arrival, "");
            printPaceTarget(arrival);
        }
        printTickTarget(arrival, tick, inProcess);
        if (inProcess)
            std::printf("%-11s   the same less the device's time:  %7.1f  (the 10 ms captures take the same time"
                        " either way)\n",
                arrival.line.c_str(), tick.engineMicros.median() / arrival.engineMicros.median());
        printExtraTarget(arrival, inProcess);
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
            const CpuWait& w = r.pauses[i];
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
        companion.add(microsBetween(t0, t1));
        text.add(microsBetween(t1, t2));
        save.add(microsBetween(t2, t3));
        parse.add(microsBetween(t3, t4));
        load.add(microsBetween(t4, t5));
    }
    if (!ok || !dialogs.empty()) {
        std::fprintf(
            stderr, "files: save or load failed, or the readings came back changed %s\n", dialogs.first().c_str());
        return false;
    }

    std::printf("\nSaving and loading a run of %d readings without a device, %d rounds (us)\n\n", kReadings, rounds);
    printStepTable(52,
        {{"stabilityCompanionBytes (in memory)", &companion}, {"stabilityReportText (in memory)", &text},
            {"saveStabilityReportAt (both, written and synced)", &save},
            {"parseStabilityCompanion (in memory)", &parse}, {"loadStabilityReport (file read + parse)", &load}});
    std::printf("(data file: %zu bytes, report: %zu bytes; every round's load gave back the saved readings)\n",
        companionBytes, reportBytes);
    std::printf("(\"Save\" replaces the data file and then the report, each atomically with a sync of the file and"
                " its folder:\n its time is mostly the disk's)\n");
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    BenchApplication app(argc, argv);
    int runs = 5;
    int logLevel = 9;
    int rounds = 200;
    int pauseReadings = 3;
    int delayMs = kLongestDelayMs;
    LineOptions lines {kFirmware, 0, true, true, {}};
    const auto checkPauses = [&] {
        if (pauseReadings > StabilityRun::kMaxReadings)
            throw std::invalid_argument("--pause-readings takes 1 to 100");
        if (delayMs < StabilityRun::kMinDelayMs || delayMs > StabilityRun::kMaxDelayMs)
            throw std::invalid_argument("--delay takes 10 to 20000 (ms)");
    };
    if (!readOptions("bench_stability", argc, argv,
            {{"--runs", &runs}, {"--rounds", &rounds}, {"--pause-readings", &pauseReadings}, {"--delay", &delayMs}},
            logLevel, &lines.only, checkPauses))
        return 2;
    const std::string loadAtStart = loadText();

    QtScheduler clock;
    CountingScheduler scheduler(clock);
    std::vector<StabilityRow> runRows;
    std::vector<PauseRow> pauseRows;
    const LineEnd end = measureRigs<Rig>(scheduler, lines, logLevel, [&](Rig& rig, const Line& line) {
        return runAll(rig, line.name, runs, line.inProcess, runRows)
            && runPauses(rig, line.name, pauseReadings, delayMs, pauseRows);
    });
    if (end == LineEnd::NotSetUp)
        return 1;

    std::printf("Load average at the start: %s, at the end of the runs: %s\n", loadAtStart.c_str(), loadText().c_str());
    printRuns(runRows, runs, logLevel);
    printPauses(pauseRows);
    const bool ok = timeFiles(rounds) && end == LineEnd::Measured;
    return ok ? 0 : 1;
}
