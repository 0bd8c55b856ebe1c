#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace lumivex {

// Window timers and the message pump, as the engines see them. Everything the system waits for
// (a reply, a pause, a time-out) is either a timer callback or a loop over pumpOnce(); nothing
// ever spins on the CPU. The Qt implementation runs on the real clock, VirtualScheduler on a
// virtual one so that tests cost no wall time and are deterministic.
//
// Shared rules for every implementation:
// - Single thread: callbacks run on the thread that calls pumpOnce().
// - Events are dispatched in the order they fall due. Engines must not rely on the order of two
//   different timers that fall due at the same moment (on the real clock they never quite do).
// - A periodic timer never re-enters its own callback: a tick that falls due while the callback
//   is still running (inside a nested pump) is skipped, and the next tick comes within one period
//   after the callback returned.
// - Periods below 1 ms count as 1 ms; the real clock rounds one-shot delays up to whole ms.
// - killTimer() may be called from anywhere, including the timer's own callback; a killed timer
//   never fires again. Killing an unknown or already killed id does nothing.
class Scheduler {
public:
    using TimerId = int;
    using Callback = std::function<void()>;

    virtual ~Scheduler() = default;

    // A periodic timer; the first tick comes one period from now. Returns an id > 0.
    virtual TimerId setTimer(std::chrono::milliseconds period, Callback callback) = 0;
    // A one-shot event after the delay (0: as soon as the pump runs). Killable like a timer.
    virtual TimerId singleShot(std::chrono::microseconds delay, Callback callback) = 0;
    virtual void killTimer(TimerId id) = 0;

    // Dispatches pending events; blocks until at least one event has been dispatched. Returns
    // false only when no event can ever arrive (possible in virtual time only: nothing is
    // scheduled), so that a wait loop can give up instead of hanging.
    virtual bool pumpOnce() = 0;

    // Microseconds on this scheduler's clock (monotonic; virtual in tests).
    virtual std::int64_t nowMicros() const = 0;
};

} // namespace lumivex
