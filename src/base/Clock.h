#pragma once

#include "base/Scheduler.h"

#include <cstdint>
#include <optional>

namespace lumivex {

// A microsecond counter for timing a run. nullopt when the platform has none.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::optional<std::int64_t> nowMicros() = 0;
};

// The scheduler's own clock: the real monotonic clock in the program, virtual time in tests.
class SchedulerClock : public Clock {
public:
    explicit SchedulerClock(const Scheduler& scheduler) : m_scheduler(scheduler) { }
    std::optional<std::int64_t> nowMicros() override { return m_scheduler.nowMicros(); }

private:
    const Scheduler& m_scheduler;
};

} // namespace lumivex
