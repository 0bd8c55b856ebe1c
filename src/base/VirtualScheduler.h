#pragma once

#include "base/Scheduler.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>
#include <utility>

namespace lumivex {

// Scheduler on a virtual clock for tests: time starts at 0 µs and moves only when an event is
// dispatched or a test advances it, so a 2-second time-out costs no wall time and every run is
// deterministic. pumpOnce() jumps the clock to the next due event and dispatches that one event.
// A period below 1 ms counts as 1 ms: a zero period would hold the clock still for ever.
class VirtualScheduler final : public Scheduler {
public:
    VirtualScheduler() = default;
    VirtualScheduler(const VirtualScheduler&) = delete;
    VirtualScheduler& operator=(const VirtualScheduler&) = delete;

    TimerId setTimer(std::chrono::milliseconds period, Callback callback) override;
    TimerId singleShot(std::chrono::microseconds delay, Callback callback) override;
    void killTimer(TimerId id) override;
    bool pumpOnce() override;
    std::int64_t nowMicros() const override { return m_now; }

    // Dispatch everything due up to the target (including events scheduled meanwhile), then set
    // the clock to the target. A target in the past leaves the clock where it is.
    void advance(std::chrono::microseconds duration);
    void runUntil(std::int64_t targetMicros);

    // Timers and single-shots that can still fire (a periodic timer counts while its callback runs).
    std::size_t pendingCount() const { return m_entries.size(); }

private:
    using Key = std::pair<std::int64_t, std::uint64_t>; // (due, scheduling sequence)

    struct Entry {
        std::int64_t periodMicros = 0; // 0: single-shot
        std::shared_ptr<const Callback> callback;
        std::int64_t due = 0;
        std::uint64_t sequence = 0;
        bool queued = false; // a running periodic timer is out of the queue until its callback ends
    };

    TimerId add(std::int64_t periodMicros, std::int64_t delayMicros, Callback callback);
    void enqueue(TimerId id, Entry& entry, std::int64_t due);
    void finishTick(TimerId id, std::int64_t due);

    std::int64_t m_now = 0;
    std::uint64_t m_nextSequence = 0;
    TimerId m_nextId = 1;
    std::map<Key, TimerId> m_queue;
    std::unordered_map<TimerId, Entry> m_entries;
};

} // namespace lumivex
