#pragma once

#include "sim/SimColour.h"
#include "sim/SimConfig.h"
#include "sim/SimRequest.h"

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace lumivex {

// What the device answers to one request, before line ends and faults are applied.
struct SimReply {
    enum class Kind {
        Ok, // "OK"
        Value, // a value line, which the host reads from the reply's last line
        Identity, // "testcon", "gethw", "getserial", "getversion", "getusertime": read from the start
        Error, // "ERROR"
    };
    Kind kind = Kind::Error;
    std::string text; // the line without its line end
};

// The sensor device's state and behaviour, without any notion of bytes on a wire or of waiting:
// boards 1..N of five sensors, each looking at its own LED, the per-board user time and
// averaging, the per-sensor capture settings, the last capture's values and the two digital
// outputs. Times are the scheduler's microseconds.
class SimDeviceModel {
public:
    struct Sensor {
        int code = 2; // capture-time code 1..8
        int area = 0;
        int gain = 100; // percent
        double xOffset = 0.0;
        double yOffset = 0.0;
        double distance = 2.0;
        SimLed led;
        SimReading last; // of the last capture; zeros before the first one
        int captures = 0;
    };
    struct Board {
        int userTime = 800; // ms
        int average = 0; // averaging factor of the all-sensor PWM capture
        std::array<Sensor, kSimSensorsPerBoard> sensors;
    };

    // The configuration must be valid (validateSimConfig). Times of drift and flicker count
    // from startMicros.
    SimDeviceModel(const SimConfig& config, std::int64_t startMicros);

    // How long the device works before it answers: the capture time (times the PWM runs) for a
    // capture, 0 for everything else and for requests it will refuse.
    std::int64_t durationMicros(const SimRequest& request) const;

    // Carries the request out. A capture is taken as if it began at captureStartMicros and lasted
    // durationMicros(); drift and flicker are sampled within that span.
    SimReply execute(const SimRequest& request, std::int64_t captureStartMicros);

    int firmware() const { return m_config.firmware; }
    int fullScale() const { return m_config.firmware >= 1007 ? 4095 : 255; }
    int boardCount() const { return static_cast<int>(m_boards.size()); }
    const Board& board(int board) const { return m_boards.at(static_cast<std::size_t>(board - 1)); }
    const Sensor& sensor(int board, int sensor) const;
    bool output(int number) const { return m_outputs.at(static_cast<std::size_t>(number)); }
    // Whether this firmware has the digital outputs and the "InputIO" message.
    bool hasDigitalIo() const { return m_config.firmware >= 2002; }

    void setLed(int board, int sensor, const SimLed& led);

    // Capture time of a capture-time code on a board, in ms.
    int captureTimeMs(int board, int code) const;

private:
    bool accepts(const SimRequest& request) const;
    Sensor& sensorRef(int board, int sensor);
    void restoreDefaults();
    void capture(int board, int sensor, int code, int runs, std::int64_t startMicros);
    double intensityAt(const SimLed& led, std::int64_t micros);
    SimReply valueReply(const SimRequest& request) const;

    SimConfig m_config;
    std::int64_t m_startMicros = 0;
    std::vector<Board> m_boards;
    std::array<bool, 2> m_outputs {false, false};
    std::mt19937 m_random;
};

} // namespace lumivex
