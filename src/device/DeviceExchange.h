#pragma once

#include "device/ReplyCollector.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lumivex {

class CGlobal;
class CSeriell;
class Dialogs;

// One request and its reply on the shared port: what the main window's engine, the measurement
// list run and the stability run all send through. It purges the receive side before each
// request, reads on arrival into a ReplyCollector, drops whatever arrives while nothing is
// awaited, and notices a port that has gone away. Counting the time-out stays with each caller:
// their limits differ.
class DeviceExchange {
public:
    // Every chunk read, byte for byte, before anything looks at it (the serial debug file).
    using Recorder = std::function<void(const char* data, std::size_t size)>;

    DeviceExchange(CSeriell& port, JoinRules rules, Recorder recorder = {});
    DeviceExchange(const DeviceExchange&) = delete;
    DeviceExchange& operator=(const DeviceExchange&) = delete;

    // Purges what arrived before, then writes the request (SendCommandText: the length limit,
    // the write failure and the log line). True when it was written; the reply is then awaited.
    bool Send(std::string_view request, ReplyRule rule, Dialogs& dialogs, CGlobal& log, bool loggingOn = true);
    // Reads everything that has arrived. False when the port has hung up: nothing more will come.
    bool ReadArrived();
    // Nothing is awaited any more (completion, failure, time-out, disconnect): later bytes of
    // this reply are dropped when they arrive.
    void Abandon() { m_collector.end(); }

    bool Awaiting() const { return m_collector.awaiting(); }
    ReplyCollector::State State() const { return m_collector.state(); }
    const std::string& Text() const { return m_collector.text(); }
    std::size_t RawByteCount() const { return m_collector.rawByteCount(); }
    // "InputIO<digit>" messages seen since the last call.
    std::vector<std::string> TakeUnsolicited() { return m_collector.takeUnsolicited(); }

private:
    CSeriell& m_port;
    ReplyCollector m_collector;
    Recorder m_recorder;
};

} // namespace lumivex
