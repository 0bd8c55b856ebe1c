#include "sim/SimRequest.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <utility>

namespace lumivex {

namespace {

// The grammar after the command word.
enum class Shape {
    Bare, // nothing
    CodeAreaSensorBoard, // "%d%d%d %d"
    FactorSensorBoard, // "%.2d%d %d"
    UserTimeBoard, // "%.5d %d"
    BlankBoard, // " %d"
    FactorBoard, // "%.2d %d"
    SensorGainBoard, // "%d%.3d %d"
    SensorSignedBoard, // "%d" then a signed decimal, " %d"
    SensorNumberBoard, // "%d" then an unsigned decimal, " %d"
    SensorBoard, // "%d %d"
    OutputState, // "%d%d"
};

struct Grammar {
    std::string_view word;
    SimCommand bare; // the command when nothing follows the word
    SimCommand withParameters;
    Shape shape;
};

// "capture" and "capturepwm" exist in both forms; every other word has one shape.
constexpr std::array<Grammar, 24> kGrammar {{
    {"testcon", SimCommand::TestCon, SimCommand::TestCon, Shape::Bare},
    {"gethw", SimCommand::GetHw, SimCommand::GetHw, Shape::Bare},
    {"getserial", SimCommand::GetSerial, SimCommand::GetSerial, Shape::Bare},
    {"getversion", SimCommand::GetVersion, SimCommand::GetVersion, Shape::Bare},
    {"setdefault", SimCommand::SetDefault, SimCommand::SetDefault, Shape::Bare},
    {"capture", SimCommand::CaptureAll, SimCommand::Capture, Shape::CodeAreaSensorBoard},
    {"capturepwm", SimCommand::CapturePwmAll, SimCommand::CapturePwm, Shape::FactorSensorBoard},
    {"setcaptime", SimCommand::SetCapTime, SimCommand::SetCapTime, Shape::CodeAreaSensorBoard},
    {"setusertime", SimCommand::SetUserTime, SimCommand::SetUserTime, Shape::UserTimeBoard},
    {"getusertime", SimCommand::GetUserTime, SimCommand::GetUserTime, Shape::BlankBoard},
    {"setaverage", SimCommand::SetAverage, SimCommand::SetAverage, Shape::FactorBoard},
    {"setintgain", SimCommand::SetIntGain, SimCommand::SetIntGain, Shape::SensorGainBoard},
    {"setxoffset", SimCommand::SetXOffset, SimCommand::SetXOffset, Shape::SensorSignedBoard},
    {"setyoffset", SimCommand::SetYOffset, SimCommand::SetYOffset, Shape::SensorSignedBoard},
    {"setdistance", SimCommand::SetDistance, SimCommand::SetDistance, Shape::SensorNumberBoard},
    {"getrgbi", SimCommand::GetRgbi, SimCommand::GetRgbi, Shape::SensorBoard},
    {"gethsi", SimCommand::GetHsi, SimCommand::GetHsi, Shape::SensorBoard},
    {"getxy", SimCommand::GetXy, SimCommand::GetXy, Shape::SensorBoard},
    {"getctemp", SimCommand::GetCtemp, SimCommand::GetCtemp, Shape::SensorBoard},
    {"getxoffset", SimCommand::GetXOffset, SimCommand::GetXOffset, Shape::SensorBoard},
    {"getyoffset", SimCommand::GetYOffset, SimCommand::GetYOffset, Shape::SensorBoard},
    {"getdistance", SimCommand::GetDistance, SimCommand::GetDistance, Shape::SensorBoard},
    {"getintensity", SimCommand::GetIntensity, SimCommand::GetIntensity, Shape::SensorBoard},
    {"setoutput", SimCommand::SetOutput, SimCommand::SetOutput, Shape::OutputState},
}};

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

class Cursor {
public:
    explicit Cursor(std::string_view text) : m_text(text) { }

    bool atEnd() const { return m_pos == m_text.size(); }

    // Exactly n digits.
    bool digits(std::size_t n, int& out)
    {
        if (m_text.size() - m_pos < n)
            return false;
        int value = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const char c = m_text[m_pos + i];
            if (!isDigit(c))
                return false;
            value = value * 10 + (c - '0');
        }
        m_pos += n;
        out = value;
        return true;
    }

    bool sensor(int& out) { return digits(1, out) && out >= 1 && out <= 5; }

    // One blank and a board number as "%d" writes it (no sign, no leading zero), ending the line.
    bool boardToEnd(int& out)
    {
        if (atEnd() || m_text[m_pos] != ' ')
            return false;
        const std::string_view rest = m_text.substr(m_pos + 1);
        if (rest.empty() || rest.size() > 5 || rest[0] == '0')
            return false;
        int value = 0;
        for (const char c : rest) {
            if (!isDigit(c))
                return false;
            value = value * 10 + (c - '0');
        }
        m_pos = m_text.size();
        out = value;
        return true;
    }

    // A plain decimal ("2", "2.5", ".5", "2."), optionally after a sign, up to the next blank.
    bool decimal(bool signRequired, double& out)
    {
        const std::size_t blank = m_text.find(' ', m_pos);
        if (blank == std::string_view::npos)
            return false;
        std::string_view text = m_text.substr(m_pos, blank - m_pos);
        bool negative = false;
        if (signRequired) {
            if (text.empty() || (text[0] != '+' && text[0] != '-'))
                return false;
            negative = text[0] == '-';
            text.remove_prefix(1);
        }
        int digitCount = 0;
        int points = 0;
        for (const char c : text) {
            if (isDigit(c))
                ++digitCount;
            else if (c == '.')
                ++points;
            else
                return false;
        }
        if (digitCount == 0 || points > 1)
            return false;
        double value = 0.0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size())
            return false;
        out = negative && value != 0.0 ? -value : value; // no "-0.0000" later
        m_pos = blank;
        return true;
    }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

bool parseShape(Shape shape, Cursor& in, SimRequest& r)
{
    switch (shape) {
    case Shape::Bare:
        return in.atEnd();
    case Shape::CodeAreaSensorBoard:
        return in.digits(1, r.code) && r.code >= 1 && r.code <= 8 && in.digits(1, r.area) && r.area <= 1
            && in.sensor(r.sensor) && in.boardToEnd(r.board);
    case Shape::FactorSensorBoard:
        return in.digits(2, r.value) && r.value <= 15 && in.sensor(r.sensor) && in.boardToEnd(r.board);
    case Shape::UserTimeBoard:
        return in.digits(5, r.value) && r.value >= 1 && in.boardToEnd(r.board);
    case Shape::BlankBoard:
        return in.boardToEnd(r.board);
    case Shape::FactorBoard:
        return in.digits(2, r.value) && r.value <= 15 && in.boardToEnd(r.board);
    case Shape::SensorGainBoard:
        return in.sensor(r.sensor) && in.digits(3, r.value) && r.value >= 1 && r.value <= 500 && in.boardToEnd(r.board);
    case Shape::SensorSignedBoard:
        return in.sensor(r.sensor) && in.decimal(true, r.number) && std::fabs(r.number) < 1.0 && in.boardToEnd(r.board);
    case Shape::SensorNumberBoard:
        return in.sensor(r.sensor) && in.decimal(false, r.number) && r.number <= 999.9 && in.boardToEnd(r.board);
    case Shape::SensorBoard:
        return in.sensor(r.sensor) && in.boardToEnd(r.board);
    case Shape::OutputState:
        return in.digits(1, r.value) && r.value <= 1 && in.digits(1, r.state) && r.state <= 1 && in.atEnd();
    }
    return false;
}

} // namespace

std::string_view simCommandWord(std::string_view line)
{
    std::size_t n = 0;
    while (n < line.size() && line[n] >= 'a' && line[n] <= 'z')
        ++n;
    return line.substr(0, n);
}

bool isSimCommandWord(std::string_view word)
{
    return std::any_of(kGrammar.begin(), kGrammar.end(), [word](const Grammar& g) { return g.word == word; });
}

std::optional<SimRequest> parseSimRequest(std::string_view line)
{
    const std::string_view word = simCommandWord(line);
    for (const Grammar& grammar : kGrammar) {
        if (grammar.word != word)
            continue;
        SimRequest request;
        if (line.size() == word.size()) {
            request.command = grammar.bare;
            // Only the captures have a bare form besides the commands without parameters.
            if (grammar.shape != Shape::Bare && grammar.bare == grammar.withParameters)
                return std::nullopt;
            return request;
        }
        request.command = grammar.withParameters;
        Cursor in(line.substr(word.size()));
        if (!parseShape(grammar.shape, in, request))
            return std::nullopt;
        return request;
    }
    return std::nullopt;
}

} // namespace lumivex
