#pragma once

// The benchmarks that run the main window's engine whole: MainFrame on a counted port with its
// own settings file and log in a scratch folder; the figures of a run against the time the line
// and the device need, their table and target lines; and the rounds read on arrival and on the
// tick in turn.

#include "BenchSupport.h"

#include "main/MainFrame.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace lumivex::bench {

// MainFrame on the port, reached through a CountingBackend; the rig of each benchmark builds on it.
class FrameRig {
public:
    // `hold`: the in-process device's holds, when traced. `allValueGroups`: the settings switch RGB,
    // HSI and XY on.
    FrameRig(Scheduler& scheduler, SerialBackend& backend, const std::string& comPort, int logLevel, DeviceHold* hold,
        bool allValueGroups);
    FrameRig(const FrameRig&) = delete;
    FrameRig& operator=(const FrameRig&) = delete;

    // The connection chain; an empty text when the device answered with `firmware`.
    std::string connect(int firmware);
    const std::string& problem() const { return m_problem; }
    const DeviceHold* hold() const { return m_hold; }

protected:
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
    ScratchFolder m_folder;
    QuietDialogs m_dialogs;
    std::unique_ptr<MainFrame> m_frame;
    std::string m_problem;
};

// A whole run against what the line and the device needed for it.
struct RunFigures {
    double wallMicros = 0; // the run, start to return
    double wireMicros = 0; // bytes written and read at kLineBaud
    double simPaceMicros = 0; // the replies as lumivex-sim paces them
    double heldMicros = 0; // in-process: the device's own time
    double heldCaptureMicros = 0; // in-process: the captures as the device held them
    std::size_t requests = 0;
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
};

// The figures of a run from `startNanos` to `endNanos` that sent `requests`, with the port's
// counts and, in-process, the device's holds.
void takeRunFigures(RunFigures& f, std::int64_t startNanos, std::int64_t endNanos, std::size_t requests,
    const CountingBackend& port, const DeviceHold* hold);

// One line's runs in one reading mode.
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
    Samples heldCaptureMicros; // in-process: the captures as the device held them
    RunFigures last;

    // A run whose captures take `captureMicros` on the device.
    void add(const RunFigures& f, double captureMicros, bool inProcess);
};

// The head of a table of RunRows, with one more column when `lastHeading` is given.
void printRunHead(const char* lastHeading);
// A row's figures up to the extra per request; the caller adds its own columns and the line's end.
void printRunFigures(const RunRow& r);

// Target lines for a line's runs read on arrival (`tick`: the same line's tick-only runs).
void printWireTarget(const RunRow& arrival, const char* note);
void printPaceTarget(const RunRow& arrival);
void printTickTarget(const RunRow& arrival, const RunRow& tick, bool inProcess);
void printExtraTarget(const RunRow& arrival, bool inProcess);

// measureLines with a Rig(scheduler, backend, port, logLevel, hold) on each line, set up: a problem
// with that (printed as "line: problem") ends it as NotSetUp. Measured when `measure(rig, line)`
// returns true.
template<class Rig, class RigScheduler, class Measure>
LineEnd measureRigs(RigScheduler& scheduler, const LineOptions& options, int logLevel, Measure measure)
{
    return measureLines(scheduler, options, [&](Line& line) {
        Rig rig(scheduler, line.backend, line.port, logLevel, line.hold);
        if (const std::string problem = rig.setUp(); !problem.empty()) {
            std::fprintf(stderr, "%s: %s\n", line.name, problem.c_str());
            return LineEnd::NotSetUp;
        }
        return measure(rig, line) ? LineEnd::Measured : LineEnd::Failed;
    });
}

// Warm-up rounds, then rounds read on arrival and tick-only in turn, so that both see the same
// machine: `measure(tickOnly)` gives a round's figures or nothing, `add(row, figures)` takes them
// into the row (which has `line` and `tickOnly`). False after a failed round, with the rig's
// problem printed; else both rows are added to `rows`.
template<class Row, class Rig, class Measure, class Add>
bool alternateModes(
    Rig& rig, const std::string& line, int warmups, int rounds, Measure measure, Add add, std::vector<Row>& rows)
{
    Row arrival;
    arrival.line = line;
    Row tick;
    tick.line = line;
    tick.tickOnly = true;
    for (int i = 0; i < warmups; ++i) {
        if (!measure(false) || !measure(true)) {
            std::fprintf(stderr, "%s: %s\n", line.c_str(), rig.problem().c_str());
            return false;
        }
    }
    for (int i = 0; i < rounds; ++i) {
        for (Row* row : {&arrival, &tick}) {
            const auto figures = measure(row->tickOnly);
            if (!figures) {
                std::fprintf(
                    stderr, "%s%s: %s\n", line.c_str(), row->tickOnly ? " tick-only" : "", rig.problem().c_str());
                return false;
            }
            add(*row, *figures);
        }
    }
    rows.push_back(std::move(arrival));
    rows.push_back(std::move(tick));
    return true;
}

template<class Wait> struct WaitRow {
    std::string line;
    std::vector<Wait> waits;
};

// `count` of the rig's userCaptureWait() as one row. False after a failed one, its problem printed.
template<class Rig, class Wait>
bool repeatWaits(Rig& rig, const std::string& line, int count, std::vector<WaitRow<Wait>>& rows)
{
    WaitRow<Wait> row {line, {}};
    for (int i = 0; i < count; ++i) {
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

} // namespace lumivex::bench
