#pragma once

#include "base/VirtualScheduler.h"
#include "sim/SimulatedDevice.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace lumivex::test {

// The host's view of the line, written here from the protocol's rules rather than taken from the
// program's own decoder, so that a fault in either shows up.
inline std::string joinReply(const std::string& raw)
{
    std::string text;
    for (const unsigned char c : raw) {
        if (c == '\r' || c == '\n')
            text += "\r\n";
        else if (c >= 0x20 && c < 0x7f)
            text += static_cast<char>(c);
    }
    return text;
}

inline bool printableByte(char c)
{
    return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7f;
}

// The value replies are read from their last line, without its first character, when the reply
// has more than one line; a one-line reply is read from its start.
inline std::string lastLine(const std::string& text)
{
    auto i = static_cast<std::ptrdiff_t>(text.size()) - 1;
    while (i >= 0 && !printableByte(text[static_cast<std::size_t>(i)]))
        --i;
    while (i >= 0 && printableByte(text[static_cast<std::size_t>(i)]))
        --i;
    if (i > 0)
        return text.substr(static_cast<std::size_t>(i) + 2);
    return text;
}

// Characters from..to (inclusive) of a reply, as the fixed-width readers take them.
inline std::string field(const std::string& text, std::size_t from, std::size_t to)
{
    return from < text.size() ? text.substr(from, to - from + 1) : std::string();
}
inline int intField(const std::string& text, std::size_t from, std::size_t to)
{
    return std::atoi(field(text, from, to).c_str());
}

// A simulated device in virtual time with a recorder on its line.
struct SimWire {
    struct Piece {
        std::int64_t micros;
        std::string bytes;
    };

    explicit SimWire(SimConfig config = {}) : device(std::make_unique<SimulatedDevice>(scheduler, std::move(config)))
    {
        device->setSink([this](std::string_view bytes) {
            pieces.push_back({scheduler.nowMicros(), std::string(bytes)});
        });
    }

    // Sends the request (its carriage return added) and lets virtual time run until the device
    // has nothing left to do. Returns the raw bytes that came back.
    std::string ask(const std::string& request)
    {
        pieces.clear();
        device->receive(request + "\r");
        settle();
        return raw();
    }
    void settle()
    {
        while (device->busy() && scheduler.pumpOnce()) { }
    }
    std::string raw() const
    {
        std::string all;
        for (const Piece& p : pieces)
            all += p.bytes;
        return all;
    }
    std::string reply(const std::string& request) { return joinReply(ask(request)); }
    // A value reply cut to the part the host reads its fields from.
    std::string value(const std::string& request) { return lastLine(reply(request)); }
    std::int64_t lastArrival() const { return pieces.empty() ? -1 : pieces.back().micros; }

    VirtualScheduler scheduler;
    std::unique_ptr<SimulatedDevice> device;
    std::vector<Piece> pieces;
};

inline SimConfig configWith(int firmware, std::vector<SimLedSetting> leds = {})
{
    SimConfig config;
    config.firmware = firmware;
    config.leds = std::move(leds);
    return config;
}

inline SimLed led(int red, int green, int blue, int intensity)
{
    SimLed l;
    l.red = red;
    l.green = green;
    l.blue = blue;
    l.intensity = intensity;
    return l;
}

} // namespace lumivex::test
