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
#include "platform/SimulatorProcess.h"

#include "app/StringTable.h"
#include "device/ReplyDecode.h"
#include "main/MainFrame.h"
#include "multisensor/ReadingColumns.h"
#include "multisensor/RunPlan.h"
#include "platform/QtScheduler.h"
#include "platform/QtSerialBackend.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

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
constexpr int kBoards = 10;
constexpr int kSensors = 5 * kBoards;
constexpr int kBaud = 115200;
constexpr std::uint8_t kCaptureCode = 6; // "UTH", 10 ms
constexpr double kCaptureMicros = 10000.0;
constexpr int kReadsPerSensor = 7; // colours, hue, x/y, temperature, two offsets, distance
constexpr int kRunRequests = 1 + kSensors * kReadsPerSensor;
constexpr int kUserTimeMs = 2000;
constexpr int kWarmupRuns = 1; // of each mode, after the set-up run
constexpr int kUserCaptures = 3;

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

// How long the in-process device held the requests, from taking each to sending its reply: the
// device's own share of a run, the lateness of its capture timer included.
class DeviceHold {
public:
    void watch(SimulatedDevice& device)
    {
        device.setTrace([this](std::string_view direction, std::string_view text) {
            if (direction == "<") {
                m_received = nowNanos();
                m_capture = text.starts_with("capture");
                m_holding = true;
            } else if (direction == ">" && m_holding) {
                const double micros = static_cast<double>(nowNanos() - m_received) / 1000.0;
                m_totalMicros += micros;
                if (m_capture)
                    m_captureMicros = micros;
                m_holding = false;
            }
        });
    }
    void reset() { m_totalMicros = m_captureMicros = 0; }
    double totalMicros() const { return m_totalMicros; }
    double captureMicros() const { return m_captureMicros; }

private:
    std::int64_t m_received = 0;
    bool m_holding = false;
    bool m_capture = false;
    double m_totalMicros = 0;
    double m_captureMicros = 0;
};

// The measurement list's window as the run sees it: its titles mark when the capture starts and
// when the reads start, with the process's CPU time at both.
class PhaseView : public MeasurementRunView {
public:
    explicit PhaseView(const CountingScheduler& scheduler) : m_scheduler(scheduler) { }
    void ShowTitle(const std::string& title) override
    {
        if (title.ends_with(stringText(StringId::TitleMeasurementStarted))) {
            captureAt = nowNanos();
            captureCpu = processCpuNanos();
            captureEvents = m_scheduler.events();
        } else if (title.ends_with(stringText(StringId::TitleCollectingData))) {
            readsAt = nowNanos();
            readsCpu = processCpuNanos();
            readsEvents = m_scheduler.events();
        }
    }
    void EnablePerform(bool) override { }
    void ShowProgress(int, int) override { }
    void FillRows() override { }
    void reset() { captureAt = captureCpu = readsAt = readsCpu = 0; }

    std::int64_t captureAt = 0;
    std::int64_t captureCpu = 0;
    std::int64_t readsAt = 0;
    std::int64_t readsCpu = 0;
    std::uint64_t captureEvents = 0;
    std::uint64_t readsEvents = 0;

private:
    const CountingScheduler& m_scheduler;
};

struct RunFigures {
    double wallMicros = 0; // PerformMeasurement, start to return
    double readsMicros = 0; // the reads' start to the run's end
    double wireMicros = 0; // bytes written and read at 115200 baud
    double simPaceMicros = 0; // the replies as lumivex-sim paces them
    double heldMicros = 0; // in-process: the device's own time
    double heldCaptureMicros = 0; // in-process: the capture as the device held it
    std::size_t requests = 0;
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
};

struct Wait {
    double wallMs = 0;
    double cpuMs = 0;
    std::uint64_t events = 0; // timer events dispatched meanwhile
};

// The window's engine on a port, with its own settings file, log and reference in a scratch folder.
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
        m_frame->SetRunView(&m_view);
    }
    ~Rig() { m_frame->SetRunView(nullptr); }
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    // Connects, sets every sensor up (sent with the first run) and saves that run as the
    // reference. An empty text when all went as planned.
    std::string setUp()
    {
        m_frame->MenuConnect();
        if (!pumpWhile([this] { return busy(); }, 10s))
            return "the connection chain did not end";
        if (!m_frame->Connected() || m_frame->Sequencer().FirmwareNumber() != kFirmware)
            return "not connected at firmware 1007 " + m_dialogs.first();
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
    std::optional<RunFigures> run(bool tickOnly)
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
            || !m_dialogs.empty() || m_view.readsAt == 0) {
            m_problem = run.LastEnd() != MeasurementRun::RunEnd::Measured
                ? "the run did not measure " + m_dialogs.first()
                : "the run sent " + std::to_string(run.LastRunRequests().size()) + " requests " + m_dialogs.first();
            return std::nullopt;
        }
        RunFigures f;
        f.wallMicros = static_cast<double>(end - start) / 1000.0;
        f.readsMicros = static_cast<double>(end - m_view.readsAt) / 1000.0;
        f.sent = m_port.sent;
        f.received = m_port.received;
        f.wireMicros = wireMicros(f.sent + f.received);
        f.simPaceMicros = simPaceMicros(m_port.replies);
        f.requests = run.LastRunRequests().size();
        if (m_hold) {
            f.heldMicros = m_hold->totalMicros();
            f.heldCaptureMicros = m_hold->captureMicros();
        }
        return f;
    }

    // A run with every sensor on a User Capture of kUserTimeMs: the process's CPU and the wall time
    // from the capture's start until its "OK" has been handled.
    std::optional<Wait> userCaptureWait()
    {
        setAll(kKonfUserCapture, kKonfMeasureTimeUser, kUserTimeMs, KonfChange::UserTime | KonfChange::MeasureTime);
        m_view.reset();
        m_frame->PerformMeasurement();
        if (m_frame->Run().LastEnd() != MeasurementRun::RunEnd::Measured || !m_dialogs.empty()
            || m_frame->Run().LastPlan().mode != CaptureMode::User || m_view.readsAt == 0) {
            m_problem = "the user capture run failed " + m_dialogs.first();
            return std::nullopt;
        }
        return Wait {static_cast<double>(m_view.readsAt - m_view.captureAt) / 1e6,
            static_cast<double>(m_view.readsCpu - m_view.captureCpu) / 1e6, m_view.readsEvents - m_view.captureEvents};
    }

    const std::string& problem() const { return m_problem; }

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
    PhaseView m_view;
    ScratchFolder m_folder;
    QuietDialogs m_dialogs;
    std::unique_ptr<MainFrame> m_frame;
    std::string m_problem;
};

struct RunRow {
    std::string line;
    bool tickOnly = false;
    Samples wallMicros;
    Samples readMicros; // the reads alone, per read
    Samples wireRatio; // run / (wire + capture)
    Samples paceRatio; // pty: run / (lumivex-sim's pace + capture)
    // Per request: the run less the device's own time in-process (the engine alone), less
    // lumivex-sim's pace and the capture over pty (the engine, the pty and lumivex-sim's latency).
    Samples extraMicros;
    Samples heldCaptureMicros; // in-process
    RunFigures last;
};

struct WaitRow {
    std::string line;
    std::vector<Wait> waits;
};

// Warm-up runs, then on-arrival and tick-only runs in turn. False after a failed run.
bool runAll(Rig& rig, const std::string& line, int runs, bool inProcess, std::vector<RunRow>& rows)
{
    RunRow arrival {line, false, {}, {}, {}, {}, {}, {}, {}};
    RunRow tick {line, true, {}, {}, {}, {}, {}, {}, {}};
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
            row->readMicros.add(f->readsMicros / (requests - 1));
            row->wireRatio.add(f->wallMicros / (f->wireMicros + kCaptureMicros));
            if (inProcess) {
                row->extraMicros.add((f->wallMicros - f->heldMicros) / requests);
                row->heldCaptureMicros.add(f->heldCaptureMicros);
            } else {
                row->paceRatio.add(f->wallMicros / (f->simPaceMicros + kCaptureMicros));
                row->extraMicros.add((f->wallMicros - f->simPaceMicros - kCaptureMicros) / requests);
            }
            row->last = *f;
        }
    }
    rows.push_back(std::move(arrival));
    rows.push_back(std::move(tick));
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

const char* metText(bool met)
{
    return met ? "met" : "MISSED";
}

void printRuns(const std::vector<RunRow>& rows, int runs, int logLevel)
{
    std::printf("\nMeasurement list run, firmware %d, %d boards x 5 sensors, Manual capture 10 ms, RGB/HSI/XY: %d"
                " requests;\nmedian of %d runs per case after %d warm-up, log level %d\n\n",
        kFirmware, kBoards, kRunRequests, runs, kWarmupRuns, logLevel);
    std::printf("%-11s %-10s %8s %8s %8s | %6s %6s %8s %6s | %8s %6s | %9s %8s\n", "line", "read", "run ms", "min ms",
        "max ms", "out B", "in B", "wire ms", "ratio", "sim ms", "ratio", "extra us", "per read");
    for (const RunRow& r : rows) {
        char pace[2][16] = {"-", "-"};
        if (!r.paceRatio.empty()) {
            std::snprintf(pace[0], sizeof pace[0], "%.1f", r.last.simPaceMicros / 1000);
            std::snprintf(pace[1], sizeof pace[1], "%.3f", r.paceRatio.median());
        }
        std::printf("%-11s %-10s %8.1f %8.1f %8.1f | %6llu %6llu %8.1f %6.3f | %8s %6s | %9.1f %8.1f\n", r.line.c_str(),
            r.tickOnly ? "tick-only" : "on arrival", r.wallMicros.median() / 1000, r.wallMicros.min() / 1000,
            r.wallMicros.max() / 1000, static_cast<unsigned long long>(r.last.sent),
            static_cast<unsigned long long>(r.last.received), r.last.wireMicros / 1000, r.wireRatio.median(), pace[0],
            pace[1], r.extraMicros.median(), r.readMicros.median());
    }
    std::printf(
        "\nwire: the bytes written and read at 10 bits a byte, 115200 baud; ratio: run / (wire + 10 ms capture).\n"
        "sim: the replies as lumivex-sim sends them (requests arrive at once, its byte timers step in whole ms);\n"
        "     ratio: run / (sim + 10 ms capture).\n"
        "extra: per request, in-process the run less the device's own time (each request taken to its reply\n"
        "     sent): the engine alone; over pty the run less sim and capture: the engine, the pty and\n"
        "     lumivex-sim's own latency.\n"
        "per read: the reads alone (after the capture's \"OK\") / 350. Medians.\n");
    for (const RunRow& r : rows) {
        if (!r.heldCaptureMicros.empty() && !r.tickOnly)
            std::printf("In-process, the capture as the device held it: %.3f ms (median)\n",
                r.heldCaptureMicros.median() / 1000);
    }

    std::printf("\nTargets (reading on arrival)\n");
    for (std::size_t i = 0; i + 1 < rows.size(); i += 2) {
        const RunRow& arrival = rows[i];
        const RunRow& tick = rows[i + 1];
        const bool inProcess = arrival.paceRatio.empty();
        const double ratio = arrival.wireRatio.median();
        const double tickRatio = tick.wallMicros.median() / arrival.wallMicros.median();
        const double extra = arrival.extraMicros.median();
        std::printf("%-11s run / (wire + capture) <= 1.1:     %7.3f  %s%s\n", arrival.line.c_str(), ratio,
            metText(ratio <= 1.1), inProcess ? "  (the in-process device sends unpaced)" : "");
        if (!inProcess)
            std::printf("%-11s run / (sim + capture):              %7.3f  (lumivex-sim's own pace)\n",
                arrival.line.c_str(), arrival.paceRatio.median());
        if (inProcess)
            std::printf("%-11s tick-only / on arrival >= 10:      %7.1f  %s\n", arrival.line.c_str(), tickRatio,
                metText(tickRatio >= 10.0));
        else
            std::printf("%-11s tick-only / on arrival:            %7.1f  (no target: the line takes its time)\n",
                arrival.line.c_str(), tickRatio);
        if (inProcess)
            std::printf("%-11s engine per request < 500 us:       %7.1f  %s\n", arrival.line.c_str(), extra,
                metText(extra < 500.0));
        else
            std::printf("%-11s extra per request:                 %7.1f  (engine + pty + lumivex-sim; the engine's"
                        " own share is the in-process figure)\n",
                arrival.line.c_str(), extra);
    }
}

void printWaits(const std::vector<WaitRow>& rows)
{
    std::printf("\nWaiting for a User Capture of %d ms (capture started to its \"OK\" handled), CPU of this whole"
                " process\n\n",
        kUserTimeMs);
    std::printf("%-11s %4s %10s %9s %8s %8s %9s\n", "line", "run", "wall ms", "CPU ms", "core %", "events", "events/s");
    bool met = true;
    for (const WaitRow& r : rows) {
        for (std::size_t i = 0; i < r.waits.size(); ++i) {
            const Wait& w = r.waits[i];
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
        store.add(static_cast<double>(t1 - t0) / 1000.0);
        compare.add(static_cast<double>(t2 - t1) / 1000.0);
        fill.add(static_cast<double>(t3 - t2) / 1000.0);
        all.add(static_cast<double>(t3 - t0) / 1000.0);
        text.add(static_cast<double>(t4 - t3) / 1000.0);
        write.add(static_cast<double>(t5 - t4) / 1000.0);
    }
    if (!ok || rowsSeen != kSensors || !dialogs.empty()) {
        std::fprintf(stderr, "rows: compare or report failed (%zu rows) %s\n", rowsSeen, dialogs.first().c_str());
        return false;
    }

    std::printf("\nRows of 50 sensors without a device, %d rounds (us)\n\n", rounds);
    std::printf("%-42s %9s %9s %9s\n", "step", "median", "p90", "max");
    const auto line = [](const char* name, const Samples& s) {
        std::printf("%-42s %9.1f %9.1f %9.1f\n", name, s.median(), s.percentile(0.9), s.max());
    };
    line("StoreReading, 4 x 50", store);
    line("CompareWithReference", compare);
    line("rows: rowOf + comparisonText, 50", fill);
    line("store + compare + rows", all);
    line("testReportText", text);
    line("WriteTestReport (text + file)", write);
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
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C"); // the core's printf formats
    int runs = 7;
    int logLevel = 9;
    int rounds = 2000;
    std::string only; // --line in-process|pty: one line only
    try {
        runs = intOption(argc, argv, "--runs", runs);
        rounds = intOption(argc, argv, "--rounds", rounds);
        for (int i = 1; i + 1 < argc; ++i) {
            if (std::string(argv[i]) == "--log-level")
                logLevel = std::atoi(argv[i + 1]);
            else if (std::string(argv[i]) == "--line")
                only = argv[i + 1];
        }
        if (!only.empty() && only != "in-process" && only != "pty")
            throw std::invalid_argument("--line takes in-process or pty");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_run: %s\n", e.what());
        return 2;
    }

    QtScheduler clock;
    CountingScheduler scheduler(clock);
    std::vector<RunRow> runRows;
    std::vector<WaitRow> waitRows;
    bool ok = true;
    if (only != "pty") {
        SimConfig config;
        config.firmware = kFirmware;
        config.boards = kBoards;
        SimulatedDevice device(scheduler, config);
        SimSerialBackend backend(scheduler, device);
        DeviceHold hold;
        hold.watch(device);
        Rig rig(scheduler, backend, SimSerialBackend::kPortName, logLevel, &hold);
        if (const std::string problem = rig.setUp(); !problem.empty()) {
            std::fprintf(stderr, "in-process: %s\n", problem.c_str());
            return 1;
        }
        ok = runAll(rig, "in-process", runs, true, runRows) && runWaits(rig, "in-process", waitRows);
    }
    if (ok && only != "in-process") {
        SimulatorProcess sim {QString::fromUtf8(LUMIVEX_SIM_PATH)};
        if (!sim.start({"--boards", QString::number(kBoards), "--firmware", QString::number(kFirmware), "--pace",
                           QString::number(kBaud)},
                10s)) {
            std::fprintf(stderr, "pty: %s\n", sim.problem().c_str());
            return 1;
        }
        QtSerialBackend backend;
        Rig rig(scheduler, backend, sim.path(), logLevel, nullptr);
        if (const std::string problem = rig.setUp(); !problem.empty()) {
            std::fprintf(stderr, "pty: %s\n", problem.c_str());
            return 1;
        }
        ok = runAll(rig, "pty", runs, false, runRows) && runWaits(rig, "pty", waitRows);
    }

    printRuns(runRows, runs, logLevel);
    printWaits(waitRows);
    ok = timeRows(rounds) && ok;
    return ok ? 0 : 1;
}
