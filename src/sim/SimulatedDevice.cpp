#include "sim/SimulatedDevice.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

namespace lumivex {

namespace {

// Junk the host's joiner drops: control bytes other than CR and LF, and DEL.
constexpr std::array<char, 12> kNoise {
    '\x00', '\x01', '\x02', '\x07', '\x08', '\x0b', '\x0c', '\x11', '\x13', '\x1a', '\x1b', '\x7f'};

SimConfig validated(SimConfig config)
{
    const std::string problem = validateSimConfig(config);
    if (!problem.empty())
        throw std::invalid_argument("simulated device: " + problem);
    return config;
}

} // namespace

SimulatedDevice::SimulatedDevice(Scheduler& scheduler, SimConfig config)
    : m_scheduler(scheduler),
      m_config(validated(std::move(config))),
      m_model(m_config, scheduler.nowMicros()),
      m_noiseRandom(m_config.seed ^ 0x5eedu),
      m_lineFreeAt(scheduler.nowMicros())
{
    for (const SimInputEvent& event : m_config.inputEvents) {
        const int digit = event.digit;
        m_inputTimers.push_back(
            m_scheduler.singleShot(std::chrono::milliseconds(event.afterMs), [this, digit] { triggerInputIo(digit); }));
    }
}

SimulatedDevice::~SimulatedDevice()
{
    m_scheduler.killTimer(m_workTimer);
    m_scheduler.killTimer(m_transmitTimer);
    for (const Scheduler::TimerId id : m_inputTimers)
        m_scheduler.killTimer(id);
}

void SimulatedDevice::trace(std::string_view direction, std::string_view text)
{
    if (m_trace)
        m_trace(direction, text);
}

void SimulatedDevice::receive(std::string_view bytes)
{
    for (const char c : bytes) {
        if (!m_connected)
            return;
        if (c == '\r') {
            takeLine();
        } else if (c == '\n' && m_line.empty() && !m_lineOverlong) {
            // a host that ends its requests with CR LF
        } else if (m_line.size() < kSimMaxRequest) {
            m_line.push_back(c);
        } else {
            m_lineOverlong = true; // the rest of the line is lost; the request is refused
        }
    }
}

void SimulatedDevice::takeLine()
{
    Pending request {std::move(m_line), m_lineOverlong, 0};
    m_line.clear();
    m_lineOverlong = false;
    if (request.line.empty() && !request.overlong)
        return;
    trace("<", request.line);
    request.number = ++m_requests;
    const auto& limit = m_config.faults.disconnectAfter;
    if (limit && m_requests > *limit) {
        disconnect();
        return;
    }
    m_pending.push_back(std::move(request));
    startNext();
}

void SimulatedDevice::startNext()
{
    while (!m_working && !m_pending.empty() && m_connected) {
        Pending request = std::move(m_pending.front());
        m_pending.pop_front();
        const std::string word(simCommandWord(request.line));
        const SimFaults& faults = m_config.faults;
        if (faults.silentOn.count(word) > 0) {
            trace("!", "silent: " + request.line);
            continue;
        }
        std::optional<SimRequest> parsed;
        if (!request.overlong && faults.errorOn.count(word) == 0)
            parsed = parseSimRequest(request.line);
        std::int64_t latency = static_cast<std::int64_t>(faults.latencyMs) * 1000;
        if (const auto once = faults.latencyAt.find(request.number); once != faults.latencyAt.end())
            latency += static_cast<std::int64_t>(once->second) * 1000;
        const std::int64_t work = parsed ? m_model.durationMicros(*parsed) : 0;
        const std::int64_t captureStart = m_scheduler.nowMicros() + latency;
        m_working = true;
        m_workTimer = m_scheduler.singleShot(
            std::chrono::microseconds(latency + work), [this, request = std::move(request), parsed, captureStart] {
                m_workTimer = 0;
                finish(request, parsed, captureStart);
            });
    }
}

void SimulatedDevice::finish(const Pending& request, const std::optional<SimRequest>& parsed, std::int64_t captureStart)
{
    const SimReply reply = parsed ? m_model.execute(*parsed, captureStart) : SimReply {SimReply::Kind::Error, "ERROR"};
    // What a lamp on the outputs would show, for whoever watches the trace.
    if (parsed && parsed->command == SimCommand::SetOutput && reply.kind == SimReply::Kind::Ok)
        trace("!", std::string("outputs ") + (m_model.output(0) ? "0=on" : "0=off") + (m_model.output(1) ? " 1=on" : " 1=off"));
    transmit(compose(request, parsed, reply));
    m_working = false;
    startNext();
}

std::string SimulatedDevice::compose(
    const Pending& request, const std::optional<SimRequest>& parsed, const SimReply& reply) const
{
    const std::string& end = m_config.lineEnd;
    // An echo of the request as the device received it, its carriage return included.
    const std::string echo = request.line + "\r";
    switch (reply.kind) {
    case SimReply::Kind::Identity:
        if (m_config.longIdentity
            && (parsed->command == SimCommand::GetSerial || parsed->command == SimCommand::GetVersion))
            return echo + reply.text + end;
        return reply.text + end;
    case SimReply::Kind::Ok:
        return (m_config.faults.multiLine ? echo : std::string()) + reply.text + end;
    case SimReply::Kind::Value:
        // The host reads a multi-line reply from the second character of its last line.
        if (m_config.faults.multiLine)
            return echo + m_config.faults.multiLineLead + reply.text + end;
        return reply.text + end;
    case SimReply::Kind::Error:
        break;
    }
    return reply.text + end;
}

bool SimulatedDevice::triggerInputIo(int digit)
{
    if (!m_connected || !m_model.hasDigitalIo() || digit < 0 || digit > 9)
        return false;
    transmit("InputIO" + std::to_string(digit) + m_config.lineEnd);
    return true;
}

std::string SimulatedDevice::withNoise(std::string message)
{
    for (int i = 0; i < m_config.faults.noiseBytes; ++i) {
        const std::size_t at = m_noiseRandom() % (message.size() + 1);
        message.insert(message.begin() + static_cast<std::ptrdiff_t>(at), kNoise.at(m_noiseRandom() % kNoise.size()));
    }
    return message;
}

void SimulatedDevice::transmit(std::string message)
{
    trace(">", message);
    message = withNoise(std::move(message));
    const SimFaults& faults = m_config.faults;
    const std::int64_t start = std::max(m_scheduler.nowMicros(), m_lineFreeAt);
    // 10 bits per byte: start bit, eight data bits, stop bit.
    const double byteMicros = faults.paceBaud > 0 ? 10.0 * 1e6 / faults.paceBaud : 0.0;
    std::size_t piece = message.size();
    if (faults.chunkSize > 0)
        piece = static_cast<std::size_t>(faults.chunkSize);
    else if (faults.paceBaud > 0)
        piece = 1;
    std::int64_t due = start;
    for (std::size_t at = 0, index = 0; at < message.size(); at += piece, ++index) {
        const std::size_t endByte = std::min(message.size(), at + piece);
        due = faults.paceBaud > 0 ? start + std::llround(static_cast<double>(endByte) * byteMicros)
                                  : start + static_cast<std::int64_t>(index) * faults.chunkGapUs;
        m_deliveries.push_back({due, message.substr(at, endByte - at)});
    }
    m_lineFreeAt = due;
    arm();
}

void SimulatedDevice::arm()
{
    if (m_transmitTimer != 0 || m_deliveries.empty())
        return;
    const std::int64_t delay = std::max<std::int64_t>(0, m_deliveries.front().due - m_scheduler.nowMicros());
    m_transmitTimer = m_scheduler.singleShot(std::chrono::microseconds(delay), [this] {
        m_transmitTimer = 0;
        flush();
    });
}

void SimulatedDevice::flush()
{
    // All pieces that are due go out, each on its own: the host may read between them.
    while (m_connected && !m_deliveries.empty() && m_deliveries.front().due <= m_scheduler.nowMicros()) {
        const std::string bytes = std::move(m_deliveries.front().bytes);
        m_deliveries.pop_front();
        if (m_sink)
            m_sink(bytes);
    }
    arm();
}

void SimulatedDevice::disconnect()
{
    m_connected = false;
    m_scheduler.killTimer(m_workTimer);
    m_scheduler.killTimer(m_transmitTimer);
    m_workTimer = 0;
    m_transmitTimer = 0;
    m_working = false;
    m_pending.clear();
    m_deliveries.clear();
    m_line.clear();
    m_lineOverlong = false;
    trace("!", "disconnected after " + std::to_string(m_requests - 1) + " requests");
    if (m_onDisconnect)
        m_onDisconnect();
}

void SimulatedDevice::reconnect()
{
    m_connected = true;
    m_requests = 0;
    m_lineFreeAt = m_scheduler.nowMicros();
}

} // namespace lumivex
