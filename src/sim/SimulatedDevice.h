#pragma once

#include "base/Scheduler.h"
#include "sim/SimConfig.h"
#include "sim/SimDeviceModel.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace lumivex {

// The simulated sensor device on its serial line: takes the host's bytes, works on one request
// at a time (a capture takes its capture time) and sends its replies back through the sink, as
// scheduled events and never from inside receive(). Line ends, the long identity replies and the
// faults of the configuration shape the bytes; SimDeviceModel decides what they say.
//
// Every line the device sends ends in the configured line end (a single CR by default): "OK",
// "ERROR", a value line, "<boards>OK" for "testcon", "InputIO<digit>". A line end of one byte is
// what the host's completion rules ("more than n bytes", n = the value's width) and its
// "testcon" status text (the reply without its last four characters) are built around.
class SimulatedDevice {
public:
    using Sink = std::function<void(std::string_view bytes)>;
    // direction: "<" for a request line received, ">" for a message sent (before noise), "!" for
    // an event of the device itself (a silenced request, the disconnect).
    using Trace = std::function<void(std::string_view direction, std::string_view text)>;

    // Throws std::invalid_argument when validateSimConfig refuses the configuration.
    SimulatedDevice(Scheduler& scheduler, SimConfig config);
    ~SimulatedDevice();
    SimulatedDevice(const SimulatedDevice&) = delete;
    SimulatedDevice& operator=(const SimulatedDevice&) = delete;

    // Bytes from the host. A request ends with a carriage return; a line feed right after it is
    // ignored; empty lines are ignored.
    void receive(std::string_view bytes);
    void setSink(Sink sink) { m_sink = std::move(sink); }
    void setTrace(Trace trace) { m_trace = std::move(trace); }
    void setDisconnectedCallback(std::function<void()> callback) { m_onDisconnect = std::move(callback); }

    // Sends "InputIO<digit>" as soon as the line is free. False (nothing sent) when the firmware
    // has no digital I/O (below 2002), the digit is not 0..9, or the device is disconnected.
    bool triggerInputIo(int digit);

    // False once the device has vanished (disconnect-after fault) until it is plugged in again.
    bool connected() const { return m_connected; }
    // Plugged in again: nothing in flight, requests counted from zero.
    void reconnect();
    // Request lines received since the start (or the last reconnect).
    int requestCount() const { return m_requests; }
    // Working on a request, holding requests, or bytes still on the way.
    bool busy() const { return m_working || !m_pending.empty() || !m_deliveries.empty(); }

    SimDeviceModel& model() { return m_model; }
    const SimDeviceModel& model() const { return m_model; }
    const SimConfig& config() const { return m_config; }
    // The faults may be switched between requests.
    SimFaults& faults() { return m_config.faults; }

private:
    struct Pending {
        std::string line;
        bool overlong = false;
        int number = 0; // counted as requestCount() counts
    };
    struct Delivery {
        std::int64_t due = 0;
        std::string bytes;
    };

    void takeLine();
    void startNext();
    void finish(const Pending& request, const std::optional<SimRequest>& parsed, std::int64_t captureStart);
    std::string compose(const Pending& request, const std::optional<SimRequest>& parsed, const SimReply& reply) const;
    void transmit(std::string message);
    std::string withNoise(std::string message);
    void arm();
    void flush();
    void disconnect();
    void trace(std::string_view direction, std::string_view text);

    Scheduler& m_scheduler;
    SimConfig m_config;
    SimDeviceModel m_model;
    std::mt19937 m_noiseRandom;
    Sink m_sink;
    Trace m_trace;
    std::function<void()> m_onDisconnect;

    std::string m_line;
    bool m_lineOverlong = false;
    std::deque<Pending> m_pending;
    bool m_working = false;
    Scheduler::TimerId m_workTimer = 0;

    std::deque<Delivery> m_deliveries;
    std::int64_t m_lineFreeAt = 0;
    Scheduler::TimerId m_transmitTimer = 0;

    std::vector<Scheduler::TimerId> m_inputTimers;
    int m_requests = 0;
    bool m_connected = true;
};

} // namespace lumivex
