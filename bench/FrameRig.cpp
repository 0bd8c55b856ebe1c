#include "FrameRig.h"

using namespace std::chrono_literals;

namespace lumivex::bench {

FrameRig::FrameRig(Scheduler& scheduler, SerialBackend& backend, const std::string& comPort, int logLevel,
    DeviceHold* hold, bool allValueGroups)
    : m_scheduler(scheduler), m_port(backend), m_hold(hold)
{
    const std::string ini = m_folder.file("Lumivex.ini");
    writeBytes(ini,
        "[SYSTEM]\r\nCOMPORT=" + comPort + "\r\nLog-Level=" + std::to_string(logLevel) + "\r\n"
            + (allValueGroups ? "CheckRGB=1\r\nCheckHSI=1\r\nCheckXY=1\r\n" : ""));
    m_frame = std::make_unique<MainFrame>(scheduler, m_port, m_dialogs);
    m_frame->Initialise(iniLocationOf(ini));
}

std::string FrameRig::connect(int firmware)
{
    m_frame->MenuConnect();
    if (!pumpWhile([this] { return busy(); }, 10s))
        return "the connection chain did not end";
    if (!m_frame->Connected() || m_frame->Sequencer().FirmwareNumber() != firmware)
        return "not connected at firmware " + std::to_string(firmware) + " " + m_dialogs.first();
    return {};
}

void takeRunFigures(RunFigures& f, std::int64_t startNanos, std::int64_t endNanos, std::size_t requests,
    const CountingBackend& port, const DeviceHold* hold)
{
    f.wallMicros = microsBetween(startNanos, endNanos);
    f.sent = port.sent;
    f.received = port.received;
    f.wireMicros = wireMicros(f.sent + f.received);
    f.simPaceMicros = simPaceMicros(port.replies);
    f.requests = requests;
    if (hold) {
        f.heldMicros = hold->totalMicros();
        f.heldCaptureMicros = hold->captureMicros();
    }
}

void RunRow::add(const RunFigures& f, double captureMicros, bool inProcess)
{
    const double requests = static_cast<double>(f.requests);
    wallMicros.add(f.wallMicros);
    wireRatio.add(f.wallMicros / (f.wireMicros + captureMicros));
    if (inProcess) {
        engineMicros.add(f.wallMicros - f.heldMicros);
        extraMicros.add((f.wallMicros - f.heldMicros) / requests);
        heldCaptureMicros.add(f.heldCaptureMicros);
    } else {
        paceRatio.add(f.wallMicros / (f.simPaceMicros + captureMicros));
        extraMicros.add((f.wallMicros - f.simPaceMicros - captureMicros) / requests);
    }
    last = f;
}

void printRunHead(const char* lastHeading)
{
    std::printf("%-11s %-10s %8s %8s %8s | %6s %6s %8s %6s | %8s %6s | %9s", "line", "read", "run ms", "min ms",
        "max ms", "out B", "in B", "wire ms", "ratio", "sim ms", "ratio", "extra us");
    if (lastHeading)
        std::printf(" %8s", lastHeading);
    std::printf("\n");
}

void printRunFigures(const RunRow& r)
{
    char pace[2][16] = {"-", "-"};
    if (!r.paceRatio.empty()) {
        std::snprintf(pace[0], sizeof pace[0], "%.1f", r.last.simPaceMicros / 1000);
        std::snprintf(pace[1], sizeof pace[1], "%.3f", r.paceRatio.median());
    }
    std::printf("%-11s %-10s %8.1f %8.1f %8.1f | %6llu %6llu %8.1f %6.3f | %8s %6s | %9.1f", r.line.c_str(),
        readModeText(r.tickOnly), r.wallMicros.median() / 1000, r.wallMicros.min() / 1000, r.wallMicros.max() / 1000,
        static_cast<unsigned long long>(r.last.sent), static_cast<unsigned long long>(r.last.received),
        r.last.wireMicros / 1000, r.wireRatio.median(), pace[0], pace[1], r.extraMicros.median());
}

void printWireTarget(const RunRow& arrival, const char* note)
{
    const double ratio = arrival.wireRatio.median();
    std::printf("%-11s run / (wire + capture) <= 1.1:     %7.3f  %s%s\n", arrival.line.c_str(), ratio,
        metText(ratio <= 1.1), note);
}

void printPaceTarget(const RunRow& arrival)
{
    std::printf("%-11s run / (sim + capture):              %7.3f  (lumivex-sim's own pace)\n", arrival.line.c_str(),
        arrival.paceRatio.median());
}

void printTickTarget(const RunRow& arrival, const RunRow& tick, bool inProcess)
{
    const double tickRatio = tick.wallMicros.median() / arrival.wallMicros.median();
    if (inProcess)
        std::printf("%-11s tick-only / on arrival >= 10:      %7.1f  %s\n", arrival.line.c_str(), tickRatio,
            metText(tickRatio >= 10.0));
    else
        std::printf("%-11s tick-only / on arrival:            %7.1f  (no target: the line takes its time)\n",
            arrival.line.c_str(), tickRatio);
}

void printExtraTarget(const RunRow& arrival, bool inProcess)
{
    const double extra = arrival.extraMicros.median();
    if (inProcess)
        std::printf("%-11s engine per request < 500 us:       %7.1f  %s\n", arrival.line.c_str(), extra,
            metText(extra < 500.0));
    else
        std::printf("%-11s extra per request:                 %7.1f  (engine + pty + lumivex-sim; the engine's"
                    " own share is the in-process figure)\n",
            arrival.line.c_str(), extra);
}

} // namespace lumivex::bench
