#include "cli/SingleLedTest.h"

#include "app/Startup.h"
#include "base/Dialogs.h"
#include "base/Windows1252.h"
#include "cli/TestCommand.h"
#include "main/MainFrame.h"
#include "sim/SimSerialBackend.h"

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

    sequencer.StartTest();
    settle(scheduler, sequencer);
    if (sequencer.TimedOut() || !sequencer.ResultValid())
        return fail("the test did not complete");

    printFields(view.Display().Fields().InWindowOrder(), options.json, out);
    portSwitch.SwitchComPort(0, {});
    return kCliSuccess;
}

} // namespace lumivex
