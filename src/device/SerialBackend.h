#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lumivex {

// The operating-system port under CSeriell. The Qt implementation wraps QSerialPort; the
// simulated sensor device has an in-process implementation of its own. All calls come from one
// thread and none of them waits for bytes that have not arrived.
class SerialBackend {
public:
    // Purge flags, with the values of the Windows communications interface.
    enum PurgeFlag : std::uint32_t {
        PurgeTxAbort = 0x1,
        PurgeRxAbort = 0x2,
        PurgeTxClear = 0x4,
        PurgeRxClear = 0x8,
    };

    // Communication error bits, with the values of the Windows communications interface, so
    // that the log keeps naming them as it always has.
    enum CommError : std::uint32_t {
        CeRxOver = 0x0001,
        CeOverrun = 0x0002,
        CeRxParity = 0x0004,
        CeFrame = 0x0008,
        CeBreak = 0x0010,
        CeTxFull = 0x0100,
        CePto = 0x0200,
        CeIoe = 0x0400,
        CeDns = 0x0800,
        CeOop = 0x1000,
        CeMode = 0x8000,
    };

    enum class Parity { None, Odd, Even };
    enum class StopBits { One, Two };

    struct LineSettings {
        std::uint32_t baudRate = 115200;
        int dataBits = 8;
        Parity parity = Parity::None;
        StopBits stopBits = StopBits::One;
    };

    // Why the last open() failed, as far as the platform can tell.
    enum class OpenFailure { None, NotFound, PermissionDenied, Busy, Other };
    struct OpenError {
        OpenFailure reason = OpenFailure::None;
        std::string platformText; // the platform's own words (Windows-1252), for Other
    };

    virtual ~SerialBackend() = default;

    // Opens the port by name for reading and writing, not shared. False when it does not exist
    // or cannot be opened; no box is shown here.
    virtual bool open(const std::string& portName) = 0;
    // The reason for the last failed open(); None after a successful one. A backend that cannot
    // tell keeps the default.
    virtual OpenError lastOpenError() const { return {}; }
    virtual bool isOpen() const = 0;
    virtual bool close() = 0;

    // Driver queue sizes (bytes).
    virtual bool setQueueSizes(std::uint32_t receive, std::uint32_t transmit) = 0;
    // A write gives up after this time instead of blocking longer.
    virtual bool setWriteTimeout(std::chrono::milliseconds timeout) = 0;
    virtual bool applyLineSettings(const LineSettings& settings) = 0;
    // Modem lines. A port without them (a pseudo-terminal) returns false; callers ignore that.
    virtual bool setDtr(bool on) = 0;
    virtual bool setRts(bool on) = 0;
    virtual bool purge(std::uint32_t purgeFlags) = 0;

    // Writes all bytes or fails (also when the write time-out passes).
    virtual bool write(const char* data, std::size_t size) = 0;
    // Bytes received and not yet read.
    virtual std::size_t bytesQueued() = 0;
    // Copies at most maxBytes of what has already arrived; never waits. Returns the count.
    virtual std::size_t read(char* buffer, std::size_t maxBytes) = 0;
    // The communication errors seen since the last call (CommError bits), then cleared.
    virtual std::uint32_t takeErrors() = 0;
    // True once the port went away under the program (a USB adapter pulled, the far end of a
    // pseudo-terminal closed): nothing can be read or written on it again. The backend has then
    // closed the port itself (isOpen() is false, so no busy loop keeps polling a dead handle)
    // and has called the bytes-arrived callback once so that the owner notices at once. Cleared
    // by the next open().
    virtual bool hungUp() const = 0;

    // Called (on the same thread, from the event loop) whenever bytes have arrived.
    virtual void setBytesArrivedCallback(std::function<void()> callback) = 0;

    // The serial ports this backend can offer, in the order an automatic search should try them.
    virtual std::vector<std::string> availablePorts() const = 0;
    // Whether a configured name is one this backend can open: "COMn" everywhere, plus the
    // platform's own device names (e.g. /dev/ttyUSB0) or the simulated device's name.
    virtual bool isPortName(const std::string& name) const = 0;
};

} // namespace lumivex
