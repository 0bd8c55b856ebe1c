#include "cli/SingleLedTest.h"

#include "app/Startup.h"
#include "base/Dialogs.h"
#include "base/FormatText.h"
#include "base/Windows1252.h"
#include "cli/CliSession.h"
#include "cli/TestCommand.h"
#include "cli/TestDocument.h"
#include "device/DeviceExchange.h"
#include "device/DeviceRequest.h"
#include "device/ReplyRules.h"
#include "main/MainFrame.h"

#include <chrono>
#include <cstdlib>
#include <ostream>
#include <vector>

namespace lumivex {

namespace {

void printFields(const std::vector<NamedField>& fields, std::ostream& out)
{
    for (const auto& field : fields)
        out << field.name << ": " << windows1252ToUtf8(field.text) << '\n';
}

std::string jsonText(const std::string& windows1252)
{
    return jsonString(windows1252ToUtf8(windows1252));
}

// A number the device reported as text ("-0.0125"), or null where it reported none.
std::string jsonNumberOf(const std::string& text)
{
    if (text.empty())
        return "null";
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() ? formatText("%.10g", value) : "null";
}

// Version 2 of the test's JSON document (described in `lumivex-cli test --help`).
void printJson(
    MainFrame& frame, const TestCommandOptions& options, const std::vector<ReportedValue>& values, std::ostream& out)
{
    static constexpr const char* kModes[] = {"manual", "user", "pwm"};
    const auto& sequencer = frame.Sequencer();
    const auto& config = frame.Config();
    const auto now
        = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch());
    out << "{\"version\": 2, \"time\": \"" << utcTimeStamp(now.count())
        << "\", \"device\": {\"port\": " << jsonText(frame.State().settings.comPort)
        << ", \"hardware\": " << jsonText(sequencer.HardwareText())
        << ", \"serial\": " << jsonText(sequencer.SerialText()) << ", \"firmware\": " << sequencer.FirmwareNumber()
        << "}, \"board\": " << options.board << ", \"led\": " << options.led << ", \"mode\": \"" << kModes[options.mode]
        << '"';
    if (options.mode == kManualCapture) {
        const int range = config.currentOption;
        std::string name(TestConfiguration::kRangeTexts.at(static_cast<std::size_t>(range)));
        out << ", \"range\": {\"index\": " << range << ", \"name\": " << jsonText(name) << '}';
    } else if (options.mode == kPwmCapture) {
        out << ", \"averaging\": " << config.currentOption;
    } else {
        out << ", \"userTimeMs\": " << config.userTime << ", \"userArea\": \"" << (config.userArea == 1 ? "9x9" : "3x3")
            << '"';
    }
    if (options.details) {
        // The tested sensor's offsets and distance as the test read them; none below firmware 1007.
        auto& settings = frame.SensorSettings();
        const bool read = sequencer.FirmwareNumber() >= kFirmwareWideCounts
            && settings.FindSettingsBySensor(sensorListIndex(options.board, options.led));
        const CKonfList* record = read ? settings.cursor() : nullptr;
        out << ", \"sensor\": {\"xOffset\": " << jsonNumberOf(record ? record->XOffset.str() : std::string())
            << ", \"yOffset\": " << jsonNumberOf(record ? record->YOffset.str() : std::string())
            << ", \"distance\": " << jsonNumberOf(record ? record->Distance.str() : std::string()) << '}';
    }
    out << ", \"values\": " << valuesJson(values) << ", \"status\": \"" << valueStatusName(overallStatus(values))
        << "\"}\n";
}

// The identity of the device and what the test read of the tested sensor's offsets and distance.
// Firmware below 1007 has no offsets and no distance: their fields stay empty.
void appendDetails(std::vector<NamedField>& fields, MainFrame& frame, int board, int led)
{
    const auto& sequencer = frame.Sequencer();
    fields.push_back({0, "Hardware", sequencer.HardwareText()});
    fields.push_back({0, "Serial Number", sequencer.SerialText()});
    fields.push_back({0, "Firmware Number", sequencer.FirmwareText()});
    // The test's read of them went into the tested sensor's settings, as the device reported them.
    auto& settings = frame.SensorSettings();
    const bool read = sequencer.FirmwareNumber() >= kFirmwareWideCounts
        && settings.FindSettingsBySensor(sensorListIndex(board, led));
    const CKonfList* record = read ? settings.cursor() : nullptr;
    fields.push_back({0, "X offset", record ? record->XOffset.str() : std::string()});
    fields.push_back({0, "Y offset", record ? record->YOffset.str() : std::string()});
    fields.push_back({0, "Distance", record ? record->Distance.str() : std::string()});
}

// A PWM capture's time-out is sized by the capture time of the engine's last one-sensor capture
// (code 2, 200 ms, in a fresh run), but the device keeps whatever an earlier run set: after a
// user capture of 10 s the PWM capture would outlast its time-out. So the sensor's capture time is
// set to the assumed one first. The engine has no request for it; the port is borrowed the way
// the stability run borrows it (the engine keeps off while that measures).
bool setAssumedCaptureTime(MainFrame& frame, Scheduler& scheduler, Dialogs& dialogs, int board, int led)
{
    const auto& config = frame.Config();
    const std::string request
        = formatCodeAreaRequest(Command::SetCapTime, config.timeCode, config.areaCode, led, board);
    auto& portSwitch = frame.PortSwitch();
    DeviceExchange exchange(frame.Port(), JoinRules::MainWindow,
        [&portSwitch](const char* data, std::size_t size) { portSwitch.RecordReceived(data, size); });
    frame.Stability().measuring = true;
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
    frame.Stability().measuring = false;
    return ok;
}

} // namespace

int runSingleLedTest(const TestCommandOptions& options, const IniSearchInput& search, Scheduler& scheduler,
    SerialBackend& backend, std::ostream& out, std::ostream& err)
{
    CliDialogs dialogs(err);
    MainFrame frame(scheduler, backend, dialogs);
    startFrame(frame, options.iniPath, search, options.port, options.simulate, options.output.logPath);
    auto& sequencer = frame.Sequencer();
    auto& config = frame.Config();
    auto& portSwitch = frame.PortSwitch();
    const auto& view = frame.View();
    auto fail = [&](const std::string& why) { return failCommand(frame, dialogs, err, why); };

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

    if (!connectFrame(frame, scheduler, options.port, dialogs, err))
        return kCliDeviceFailed;
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
    settleEngine(scheduler, sequencer);
    if (sequencer.TimedOut() || !sequencer.ResultValid() || sequencer.ChainFailed())
        return fail("the test did not complete");

    const auto values = reportedValues(view.LastTestNumbers(), view.Display().Fields());
    if (options.json) {
        printJson(frame, options, values, out);
    } else {
        auto fields = view.Display().Fields().InWindowOrder();
        if (options.details)
            appendDetails(fields, frame, options.board, options.led);
        printFields(fields, out);
    }
    portSwitch.SwitchComPort(0, {});
    const auto status = overallStatus(values);
    return status == ValueStatus::Overflow || status == ValueStatus::Underflow ? kCliOutOfRange : kCliSuccess;
}

} // namespace lumivex
