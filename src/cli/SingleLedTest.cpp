#include "cli/SingleLedTest.h"

#include "app/Startup.h"
#include "base/Dialogs.h"
#include "base/FormatText.h"
#include "base/Windows1252.h"
#include "cli/TestCommand.h"
#include "device/DeviceExchange.h"
#include "device/DeviceRequest.h"
#include "device/ReplyRules.h"
#include "main/MainFrame.h"
#include "sim/SimSerialBackend.h"

#include <chrono>
#include <cstdio>
#include <ostream>
#include <vector>

namespace lumivex {

namespace {

// Boxes become lines on standard error; nobody is there to answer a question.
class CliDialogs : public Dialogs {
public:
    explicit CliDialogs(std::ostream& err) : m_err(err) { }
    void message(const std::string& text) override { say(text); }
    void problem(const std::string& text) override { say(text); }
    bool askYesNo(const std::string& text) override
    {
        say(text);
        return false;
    }
    const std::vector<std::string>& said() const { return m_said; }

private:
    void say(const std::string& text)
    {
        std::string line = windows1252ToUtf8(text);
        while (!line.empty() && (line.back() == '\n' || line.back() == ' '))
            line.pop_back();
        m_said.push_back(line);
        m_err << "lumivex-cli: " << line << '\n';
    }
    std::ostream& m_err;
    std::vector<std::string> m_said;
};

std::string jsonString(const std::string& utf8)
{
    std::string out = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

void printFields(const std::vector<NamedField>& fields, bool json, std::ostream& out)
{
    if (!json) {
        for (const auto& field : fields)
            out << field.name << ": " << windows1252ToUtf8(field.text) << '\n';
        return;
    }
    out << '{';
    for (std::size_t i = 0; i < fields.size(); ++i)
        out << (i ? ", " : "") << jsonString(std::string(fields[i].name)) << ": "
            << jsonString(windows1252ToUtf8(fields[i].text));
    out << "}\n";
}

// The identity of the device and what the test read of the tested sensor's offsets and distance.
// Firmware below 1007 has no offsets and no distance: their fields stay empty.
void appendDetails(std::vector<NamedField>& fields, MainFrame& frame, int board, int led)
{
    const auto& sequencer = frame.Sequencer();
    fields.push_back({0, "Hardware", sequencer.HardwareText()});
    fields.push_back({0, "Serial Number", sequencer.SerialText()});
    fields.push_back({0, "Firmware Number", sequencer.FirmwareText()});
    const auto& list = frame.List();
    const bool read
        = sequencer.FirmwareNumber() >= kFirmwareWideCounts && list.lastIndex == sensorListIndex(board, led);
    const SensorValues& values = list.lastValues;
    fields.push_back({0, "X offset", read ? values.xOffsetText : std::string()});
    fields.push_back({0, "Y offset", read ? values.yOffsetText : std::string()});
    // The device sends the distance with one decimal.
    fields.push_back({0, "Distance", read ? formatText("%.1f", values.distance) : std::string()});
}

// A PWM capture's time-out is sized by the capture time of the engine's last one-sensor capture
// (code 2, 200 ms, in a fresh run), but the device keeps whatever an earlier run set: after a
// user capture of 10 s the PWM capture would outlast its time-out. So the sensor's capture time is
// set to the assumed one first. The engine has no request for it; the port is borrowed the way
// the measurement list's run borrows it (the engine keeps off while the list measures).
bool setAssumedCaptureTime(MainFrame& frame, Scheduler& scheduler, Dialogs& dialogs, int board, int led)
{
    const auto& config = frame.Config();
    const std::string request
        = formatCodeAreaRequest(Command::SetCapTime, config.timeCode, config.areaCode, led, board);
    auto& portSwitch = frame.PortSwitch();
    DeviceExchange exchange(frame.Port(), JoinRules::MainWindow,
        [&portSwitch](const char* data, std::size_t size) { portSwitch.RecordReceived(data, size); });
    frame.List().SetMeasuring(true);
    bool over = false;
    const bool sent = exchange.Send(
        request, replyRule(Command::SetCapTime, frame.Sequencer().FirmwareNumber()), dialogs, frame.Log());
    if (sent) {
        constexpr auto tick = std::chrono::milliseconds(MeasurementSequencer::kTickMs);
        const auto poll = scheduler.setTimer(tick, [&] { over = !exchange.ReadArrived() || over; });
        const auto limit = scheduler.singleShot(tick * MeasurementSequencer::kReplyLimitTicks, [&] { over = true; });
        while (!over && exchange.State() == ReplyCollector::State::Pending && scheduler.pumpOnce()) { }
        scheduler.killTimer(poll);
        scheduler.killTimer(limit);
    }
    const bool ok = sent && exchange.State() == ReplyCollector::State::Complete;
    exchange.Abandon();
    frame.List().SetMeasuring(false);
    return ok;
}

// Pumps until the engine rests: nothing awaited and no chain running. Its own time-outs bound it.
void settle(Scheduler& scheduler, const MeasurementSequencer& sequencer)
{
    while (sequencer.ReplyAwaited() || sequencer.ChainRunning()) {
        if (!scheduler.pumpOnce())
            break;
    }
}

} // namespace

int runSingleLedTest(const TestCommandOptions& options, const IniSearchInput& search, Scheduler& scheduler,
    SerialBackend& backend, std::ostream& out, std::ostream& err)
{
    CliDialogs dialogs(err);
    MainFrame frame(scheduler, backend, dialogs);
    if (options.iniPath.empty())
        frame.Initialise(search);
    else
        frame.Initialise(iniLocationOf(options.iniPath));
    frame.State().settings.comPort = options.simulate ? std::string(SimSerialBackend::kPortName) : options.port;
    auto& sequencer = frame.Sequencer();
    auto& config = frame.Config();
    auto& portSwitch = frame.PortSwitch();
    const auto& view = frame.View();

    auto fail = [&](const std::string& fallback) {
        if (dialogs.said().empty())
            err << "lumivex-cli: " << windows1252ToUtf8(fallback) << '\n';
        if (!portSwitch.PortClosed())
            portSwitch.SwitchComPort(0, {});
        return kCliDeviceFailed;
    };

    // A user test without --user-time sends the settings' time: refused before anything is sent,
    // as --user-time itself would be.
    const int userRange = frame.State().settings.userRange;
    if (options.mode == kUserCapture && !options.userTime
        && (userRange < TestConfiguration::kMinUserTime || userRange > TestConfiguration::kMaxUserTime)) {
        err << "lumivex-cli test: UserRange in " << windows1252ToUtf8(frame.State().location.iniPath)
            << formatText(" takes a whole number from %d to %d, not \"%d\"; give --user-time MS or correct the file\n",
                   TestConfiguration::kMinUserTime, TestConfiguration::kMaxUserTime, userRange);
        return kCliUsage;
    }

    sequencer.Connect();
    settle(scheduler, sequencer);
    if (sequencer.DisconnectedShown()) {
        if (options.port == "Auto")
            return fail("no sensor device answered on any serial port");
        return fail(sequencer.StatusText().empty() ? "the sensor device did not answer" : sequencer.StatusText());
    }
    if (options.board > sequencer.BoardCount())
        return fail("the sensor device has " + std::to_string(sequencer.BoardCount()) + " board(s), not "
            + std::to_string(options.board));

    config.OnBoardChanged(options.board - 1);
    config.OnLedChanged(options.led - 1);
    config.OnTestModeChanged(options.mode);
    if (options.range)
        config.OnOptionChanged(*options.range);
    if (options.average)
        config.OnOptionChanged(*options.average);
    if (options.userTime)
        config.OnUserTimeEdited(std::to_string(*options.userTime));
    if (options.userArea)
        config.OnArea(*options.userArea);

    if (options.mode == kPwmCapture && !setAssumedCaptureTime(frame, scheduler, dialogs, options.board, options.led))
        return fail("the sensor device did not set the capture time for the PWM capture");

    sequencer.StartTest();
    settle(scheduler, sequencer);
    if (sequencer.TimedOut() || !sequencer.ResultValid() || sequencer.ChainFailed())
        return fail("the test did not complete");

    auto fields = view.Display().Fields().InWindowOrder();
    if (options.details)
        appendDetails(fields, frame, options.board, options.led);
    printFields(fields, options.json, out);
    portSwitch.SwitchComPort(0, {});
    return kCliSuccess;
}

} // namespace lumivex
