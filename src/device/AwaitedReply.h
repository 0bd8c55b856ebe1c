#pragma once

#include "device/DeviceExchange.h"
#include "foundation/StringTable.h"

#include <optional>

namespace lumivex {

class CGlobal;
class Scheduler;

// A run's wait for the reply to one request on a DeviceExchange, as the measurement list run and
// the stability run both wait: the reply is read as bytes arrive, "ERROR" or an overlong reply
// fails it, and a budget of ticks (one per tick of the owner's timer) fails the reply that never
// comes. What a complete reply means stays with the owner, which ends the wait.
class AwaitedReply {
public:
    enum class Step { Waiting, Complete, Failed };

    AwaitedReply(DeviceExchange& exchange, CGlobal& log, const bool& loggingOn)
        : m_exchange(exchange), m_log(log), m_loggingOn(loggingOn)
    {
    }

    // The request `number` (for the log) was sent; its reply may take `ticks` ticks.
    void Begin(int number, int ticks);
    // Pumps the scheduler until the wait has ended (each pump sleeps until something happens).
    void Wait(Scheduler& scheduler);
    void End();
    bool Awaiting() const { return m_awaiting; }

    // Reads what has arrived. Failed after the port went away (no message: the owner reports the
    // lost port), after "ERROR" and after an overlong reply.
    Step Read();
    // A tick of the owner's timer: reads, then counts the budget down.
    Step Tick();

    // The message for the last Failed, if it has one to show.
    std::optional<StringId> Message() const { return m_message; }
    // The last Failed was a reply that never came.
    bool TimedOut() const { return m_timedOut; }

private:
    Step Fail(std::optional<StringId> message);

    DeviceExchange& m_exchange;
    CGlobal& m_log;
    const bool& m_loggingOn;
    bool m_awaiting = false;
    bool m_timedOut = false;
    int m_number = 0;
    int m_budget = 0;
    std::optional<StringId> m_message;
};

} // namespace lumivex
