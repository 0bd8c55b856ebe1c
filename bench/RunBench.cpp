// The measurement list's run end to end on the real clock: MainFrame, connected to a device of 10
// boards at firmware 1007, runs "Perform measurement" over all 50 sensors, each a Manual capture of
// 10 ms ("UTH", 3 x 3), with every value group on: one "capture" and 350 reads (seven a sensor),
// compared with a reference saved from the set-up run. Two lines:
//   in-process  the simulated device in this process (SimSerialBackend), no latency, unpaced
//   pty         lumivex-sim --pty --boards 10 --pace 115200 in a process of its own, reached
//               through QSerialPort
// each as the program runs (replies read as their bytes arrive) and read only on the run's 10 ms
// tick (SetTickOnly), alternating run by run so that both see the same machine.
//
// What a run should cost is what the line and the device need: the bytes actually written and
// read, 10 bits each at 115200 baud, plus the 10 ms capture. Over the pty also against what
// lumivex-sim really takes: it gets the requests at once and sends its replies on whole-millisecond
// byte timers. Time added per request: in-process the run less the time the device held the
// requests (request taken to reply sent, the capture included), which leaves the engine alone;
// over pty the run less lumivex-sim's pace and the capture, which leaves the pty's and
// lumivex-sim's latency in.
//
// Then what waiting costs: a User Capture of 2000 ms for every sensor, the whole process's CPU
// time against the wall time from the capture's start to its "OK" handled (the run's titles mark
// both). And, without any device, what the rows cost: storing 50 sensors' readings, comparing them
// with the reference and building the rows the list shows; and writing the test report.
//
// The settings are the program's defaults, so the log writes every request and reply (level 9);
// --log-level 0 switches the log off.
//
//   build/bench/bench_run [--runs 7] [--log-level 9] [--line in-process|pty] [--rounds 2000]

#include "BenchSupport.h"
#include "FrameRig.h"

#include "device/ReplyDecode.h"
#include "foundation/StringTable.h"
#include "main/MainFrame.h"
#include "multisensor/ReadingColumns.h"
#include "multisensor/RunPlan.h"
#include "platform/QtScheduler.h"

#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

using namespace lumivex;
using namespace lumivex::bench;

namespace {

constexpr int kFirmware = 1007;
constexpr int kBoards = 10;
constexpr int kSensors = 5 * kBoards;
constexpr std::uint8_t kCaptureCode = 6; // "UTH", 10 ms
constexpr double kCaptureMicros = 10000.0;
constexpr int kReadsPerSensor = 7; // colours, hue, x/y, temperature, two offsets, distance
constexpr int kRunRequests = 1 + kSensors * kReadsPerSensor;
constexpr int kUserTimeMs = 2000;
constexpr int kWarmupRuns = 1; // of each mode, after the set-up run
constexpr int kUserCaptures = 3;

// The measurement list's window as the run sees it: its titles mark when the capture starts and
// when the reads start, with the process's CPU time at both.
class PhaseView : public MeasurementRunView {
public:
    explicit PhaseView(const CountingScheduler& scheduler) : m_scheduler(scheduler) { }
    void ShowTitle(const std::string& title) override
    {
        if (title.ends_with(stringText(StringId::TitleMeasurementStarted)))
            capture = CpuMark::take(m_scheduler);
        else if (title.ends_with(stringText(StringId::TitleCollectingData)))
            reads = CpuMark::take(m_scheduler);
    }
    void EnablePerform(bool) override { }
    void ShowProgress(int, int) override { }
    void FillRows() override { }
    void reset() { capture = reads = {}; }

    CpuMark capture;
    CpuMark reads;

private:
    const CountingScheduler& m_scheduler;
};

struct ListRunFigures : RunFigures {
    double readsMicros = 0; // the reads' start to the run's end
};

// The window's engine on a port, with its own settings file, log and reference in a scratch folder.
class Rig : public FrameRig {
public:
    Rig(CountingScheduler& scheduler, SerialBackend& backend, const std::string& comPort, int logLevel,
        DeviceHold* hold)
        : FrameRig(scheduler, backend, comPort, logLevel, hold, true), m_view(scheduler)
    {
        m_frame->SetRunView(&m_view);
    }
    ~Rig() { m_frame->SetRunView(nullptr); }

    // Connects, sets every sensor up (sent with the first run) and saves that run as the
    // reference. An empty text when all went as planned.
    std::string setUp()
    {
        if (const std::string problem = connect(kFirmware); !problem.empty())
            return problem;
        if (m_frame->Readings().sensorCount() != kSensors)
            return "the lists have " + std::to_string(m_frame->Readings().sensorCount()) + " rows, not 50";
        setAll(kKonfManualCapture, kCaptureCode, 0, KonfChange::MeasureTime | KonfChange::Range);

        m_frame->PerformMeasurement();
        const std::size_t expected = kSensors + kRunRequests; // a "setcaptime" a sensor first
        if (m_frame->Run().LastEnd() != MeasurementRun::RunEnd::Measured
            || m_frame->Run().LastRunRequests().size() != expected)
            return "the set-up run failed " + m_dialogs.first();
        // Nothing to compare with yet: the one box expected.
        m_dialogs.messages.clear();
        if (!m_frame->Readings().SaveReference(m_folder.file("reference.ref"), m_frame->SensorSettings()))
            return "the reference was not saved " + m_dialogs.first();
        return m_dialogs.first();
    }

    // One whole run; nothing when it did not send the 351 requests, did not measure or a box came up.
    std::optional<ListRunFigures> run(bool tickOnly)
    {
        MeasurementRun& run = m_frame->Run();
        m_view.reset();
        if (m_hold)
            m_hold->reset();
        m_port.resetCounts();
        run.SetTickOnly(tickOnly);
        const std::int64_t start = nowNanos();
        m_frame->PerformMeasurement();
        const std::int64_t end = nowNanos();
        run.SetTickOnly(false);

        if (run.LastEnd() != MeasurementRun::RunEnd::Measured || run.LastRunRequests().size() != kRunRequests
            || !m_dialogs.empty() || m_view.reads.wallNanos == 0) {
            m_problem = run.LastEnd() != MeasurementRun::RunEnd::Measured
                ? "the run did not measure " + m_dialogs.first()
                : "the run sent " + std::to_string(run.LastRunRequests().size()) + " requests " + m_dialogs.first();
            return std::nullopt;
        }
        ListRunFigures f;
        takeRunFigures(f, start, end, run.LastRunRequests().size(), m_port, m_hold);
        f.readsMicros = microsBetween(m_view.reads.wallNanos, end);
        return f;
    }

    // A run with every sensor on a User Capture of kUserTimeMs: the process's CPU and the wall time
    // from the capture's start until its "OK" has been handled.
    std::optional<CpuWait> userCaptureWait()
    {
        setAll(kKonfUserCapture, kKonfMeasureTimeUser, kUserTimeMs, KonfChange::UserTime | KonfChange::MeasureTime);
        m_view.reset();
        m_frame->PerformMeasurement();
        if (m_frame->Run().LastEnd() != MeasurementRun::RunEnd::Measured || !m_dialogs.empty()
            || m_frame->Run().LastPlan().mode != CaptureMode::User || m_view.reads.wallNanos == 0) {
            m_problem = "the user capture run failed " + m_dialogs.first();
            return std::nullopt;
        }
        return cpuWaitBetween(m_view.capture, m_view.reads);
    }

private:
    // Every sensor alike, the settings named by `changes` pending for the next run.
    void setAll(std::uint8_t testMode, std::uint8_t code, int userTimeMs, std::uint16_t changes)
    {
        SensorSettingsList& settings = m_frame->SensorSettings();
        for (const auto& record : settings.records()) {
            record->TestMode = testMode;
            record->MeasureTime = code;
            record->Range = 0;
            if (userTimeMs > 0)
                record->UserTime = static_cast<std::int16_t>(userTimeMs);
            record->ChangeFlags |= static_cast<std::uint16_t>(KonfChange::Pending | changes);
        }
        settings.setModified(true);
    }

    PhaseView m_view;
};

struct ListRow : RunRow {
    Samples readMicros; // the reads alone, per read
};

// Warm-up runs, then on-arrival and tick-only runs in turn. False after a failed run.
bool runAll(Rig& rig, const std::string& line, int runs, bool inProcess, std::vector<ListRow>& rows)
{
    return alternateModes(
        rig, line, kWarmupRuns, runs, [&rig](bool tickOnly) { return rig.run(tickOnly); },
        [inProcess](ListRow& row, const ListRunFigures& f) {
            row.add(f, kCaptureMicros, inProcess);
            row.readMicros.add(f.readsMicros / (static_cast<double>(f.requests) - 1));
        },
        rows);
}

void printRuns(const std::vector<ListRow>& rows, int runs, int logLevel)
{
    std::printf("\nMeasurement list run, firmware %d, %d boards x 5 sensors, Manual capture 10 ms, RGB/HSI/XY: %d"
                " requests;\nmedian of %d runs per case after %d warm-up, log level %d\n\n",
        kFirmware, kBoards, kRunRequests, runs, kWarmupRuns, logLevel);
    printRunHead("per read");
    for (const ListRow& r : rows) {
        printRunFigures(r);
        std::printf(" %8.1f\n", r.readMicros.median());
    }
    std::printf(
        "\nwire: the bytes written and read at 10 bits a byte, 115200 baud; ratio: run / (wire + 10 ms capture).\n"
        "sim: the replies as lumivex-sim sends them (requests arrive at once, its byte timers step in whole ms);\n"
        "     ratio: run / (sim + 10 ms capture).\n"
        "extra: per request, in-process the run less the device's own time (each request taken to its reply\n"
        "     sent): the engine alone; over pty the run less sim and capture: the engine, the pty and\n"
        "     lumivex-sim's own latency.\n"
        "per read: the reads alone (after the capture's \"OK\") / 350. Medians.\n");
    for (const ListRow& r : rows) {
        if (!r.heldCaptureMicros.empty() && !r.tickOnly)
            std::printf("In-process, the capture as the device held it: %.3f ms (median)\n",
                r.heldCaptureMicros.median() / 1000);
    }

    std::printf("\nTargets (reading on arrival)\n");
    for (std::size_t i = 0; i + 1 < rows.size(); i += 2) {
        const ListRow& arrival = rows[i];
        const bool inProcess = arrival.paceRatio.empty();
        printWireTarget(arrival, inProcess ? "  (the in-process device sends unpaced)" : "");
        if (!inProcess)
            printPaceTarget(arrival);
        printTickTarget(arrival, rows[i + 1], inProcess);
        printExtraTarget(arrival, inProcess);
    }
}

void printWaits(const std::vector<WaitRow<CpuWait>>& rows)
{
    std::printf("\nWaiting for a User Capture of %d ms (capture started to its \"OK\" handled), CPU of this whole"
                " process\n\n",
        kUserTimeMs);
    std::printf("%-11s %4s %10s %9s %8s %8s %9s\n", "line", "run", "wall ms", "CPU ms", "core %", "events", "events/s");
    bool met = true;
    for (const WaitRow<CpuWait>& r : rows) {
        for (std::size_t i = 0; i < r.waits.size(); ++i) {
            const CpuWait& w = r.waits[i];
            const double percent = 100.0 * w.cpuMs / w.wallMs;
            met = met && percent < 2.0;
            std::printf("%-11s %4zu %10.1f %9.2f %8.3f %8llu %9.0f\n", r.line.c_str(), i + 1, w.wallMs, w.cpuMs,
                percent, static_cast<unsigned long long>(w.events), static_cast<double>(w.events) * 1000.0 / w.wallMs);
        }
    }
    std::printf("(events: timer callbacks this process dispatched while waiting)\n");
    std::printf("\nTarget: below 2 %% of one core while waiting: %s\n", metText(met));
}

// The rows of a run without any device: 50 sensors' readings stored as a run stores them (four
// stores a sensor), compared with the reference, and the rows built as the list's window builds
// them; then the test report, as text and written to a file. Medians of `rounds` rounds.
bool timeRows(int rounds)
{
    ScratchFolder folder;
    QuietDialogs dialogs;
    SensorSettingsList settings(dialogs, DeviationSettings {});
    ReadingLists readings(dialogs);
    settings.CreateDefaultSettings(kSensors);
    for (const auto& record : settings.records()) {
        record->TestMode = kKonfManualCapture;
        record->MeasureTime = kCaptureCode;
    }
    readings.setChecks({true, true, true, kFirmware});
    readings.CreateEmptyReadings(kSensors);

    std::vector<std::vector<ReadingTexts>> texts;
    for (int k = 1; k <= kSensors; ++k) {
        texts.push_back({rgbiTexts({1200 + k, 2300 - k, 900 + 3 * k, 15000 + 10 * k}, rgbFullScale(kFirmware)),
            hsiTexts({120.5 + k, 40 + k % 50, 15000 + 10 * k}), xyTexts({0.3127 + k / 10000.0, 0.3290 - k / 10000.0}),
            colourTemperatureTexts(6500.0 - 10 * k)});
    }
    const auto flags = static_cast<std::uint16_t>(kKonfManualCapture | ReadingFlag::Measured);
    const auto storeAll = [&] {
        for (int k = 1; k <= kSensors; ++k) {
            for (const ReadingTexts& t : texts[static_cast<std::size_t>(k - 1)])
                readings.StoreReading(k, t, kCaptureCode, 0, flags);
        }
    };
    storeAll();
    if (!readings.SaveReference(folder.file("reference.ref"), settings)) {
        std::fprintf(stderr, "rows: the reference was not saved %s\n", dialogs.first().c_str());
        return false;
    }

    Samples store, compare, fill, all, text, write;
    std::size_t rowsSeen = 0;
    std::size_t reportBytes = 0;
    const std::string reportPath = folder.file("report.txt");
    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);
    bool ok = true;
    for (int i = 0; i < rounds; ++i) {
        std::int64_t t0 = nowNanos();
        storeAll();
        std::int64_t t1 = nowNanos();
        ok = readings.CompareWithReference(settings) && ok;
        std::int64_t t2 = nowNanos();
        // What the window's FillRows reads: every row, and its verdict for the tooltip.
        rowsSeen = 0;
        for (int k = 1;; ++k) {
            ReadingRow row;
            if (!readings.rowOf(k, row))
                break;
            rowsSeen += comparisonText(row).size() > 0 ? 1 : 0;
        }
        std::int64_t t3 = nowNanos();
        reportBytes = readings.testReportText(reportPath, local).size();
        std::int64_t t4 = nowNanos();
        ok = readings.WriteTestReport(reportPath) && ok;
        std::int64_t t5 = nowNanos();
        store.add(microsBetween(t0, t1));
        compare.add(microsBetween(t1, t2));
        fill.add(microsBetween(t2, t3));
        all.add(microsBetween(t0, t3));
        text.add(microsBetween(t3, t4));
        write.add(microsBetween(t4, t5));
    }
    if (!ok || rowsSeen != kSensors || !dialogs.empty()) {
        std::fprintf(stderr, "rows: compare or report failed (%zu rows) %s\n", rowsSeen, dialogs.first().c_str());
        return false;
    }

    std::printf("\nRows of 50 sensors without a device, %d rounds (us)\n\n", rounds);
    printStepTable(42,
        {{"StoreReading, 4 x 50", &store}, {"CompareWithReference", &compare},
            {"rows: rowOf + comparisonText, 50", &fill}, {"store + compare + rows", &all}, {"testReportText", &text},
            {"WriteTestReport (text + file)", &write}});
    std::printf("(report: %zu bytes)\n", reportBytes);
    // "Far below a millisecond": a quarter of one at most.
    constexpr double kFarBelowMicros = 250.0;
    std::printf("\nTarget: far below 1 ms (median under %.0f us): rows %s, report text %s, report written %s\n",
        kFarBelowMicros, metText(all.median() < kFarBelowMicros), metText(text.median() < kFarBelowMicros),
        metText(write.median() < kFarBelowMicros));
    std::printf("(the report is written in one atomic replace that syncs the file and its folder to the disk)\n");
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    BenchApplication app(argc, argv);
    int runs = 7;
    int logLevel = 9;
    int rounds = 2000;
    LineOptions lines {kFirmware, kBoards, true, true, {}};
    if (!readOptions("bench_run", argc, argv, {{"--runs", &runs}, {"--rounds", &rounds}}, logLevel, &lines.only))
        return 2;

    QtScheduler clock;
    CountingScheduler scheduler(clock);
    std::vector<ListRow> runRows;
    std::vector<WaitRow<CpuWait>> waitRows;
    const LineEnd end = measureRigs<Rig>(scheduler, lines, logLevel, [&](Rig& rig, const Line& line) {
        return runAll(rig, line.name, runs, line.inProcess, runRows)
            && repeatWaits(rig, line.name, kUserCaptures, waitRows);
    });
    if (end == LineEnd::NotSetUp)
        return 1;

    printRuns(runRows, runs, logLevel);
    printWaits(waitRows);
    const bool ok = timeRows(rounds) && end == LineEnd::Measured;
    return ok ? 0 : 1;
}
