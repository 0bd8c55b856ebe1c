#include "base/VirtualScheduler.h"

#include <algorithm>

namespace lumivex {

namespace {
constexpr std::int64_t kMinPeriodMicros = 1000;
}

Scheduler::TimerId VirtualScheduler::setTimer(std::chrono::milliseconds period, Callback callback)
{
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(period).count();
    const std::int64_t periodMicros = std::max(micros, kMinPeriodMicros);
    return add(periodMicros, periodMicros, std::move(callback));
}

Scheduler::TimerId VirtualScheduler::singleShot(std::chrono::microseconds delay, Callback callback)
{
    return add(0, std::max<std::int64_t>(delay.count(), 0), std::move(callback));
}

Scheduler::TimerId VirtualScheduler::add(std::int64_t periodMicros, std::int64_t delayMicros, Callback callback)
{
    const TimerId id = m_nextId++;
    Entry& entry = m_entries[id];
    entry.periodMicros = periodMicros;
    entry.callback = std::make_shared<const Callback>(std::move(callback));
    enqueue(id, entry, m_now + delayMicros);
    return id;
}

void VirtualScheduler::enqueue(TimerId id, Entry& entry, std::int64_t due)
{
    entry.due = due;
    entry.sequence = m_nextSequence++;
    entry.queued = true;
    m_queue.emplace(Key {entry.due, entry.sequence}, id);
}

void VirtualScheduler::killTimer(TimerId id)
{
    const auto it = m_entries.find(id);
    if (it == m_entries.end())
        return;
    if (it->second.queued)
        m_queue.erase(Key {it->second.due, it->second.sequence});
    m_entries.erase(it);
}

bool VirtualScheduler::pumpOnce()
{
    if (m_queue.empty())
        return false;
    const auto front = m_queue.begin();
    const std::int64_t due = front->first.first;
    const TimerId id = front->second;
    m_queue.erase(front);
    m_now = std::max(m_now, due);

    const auto it = m_entries.find(id);
    // The callback is held by its own reference: the entry may be killed, and the map rehashed,
    // while it runs.
    const std::shared_ptr<const Callback> callback = it->second.callback;
    if (it->second.periodMicros == 0) {
        m_entries.erase(it);
        if (*callback)
            (*callback)();
        return true;
    }

    // Out of the queue while running, so that a nested pump cannot re-enter it; put back in
    // when the callback ends, even by an exception.
    it->second.queued = false;
    struct Requeue {
        VirtualScheduler& scheduler;
        TimerId id;
        std::int64_t due;
        ~Requeue() { scheduler.finishTick(id, due); }
    } requeue {*this, id, due};
    if (*callback)
        (*callback)();
    return true;
}

void VirtualScheduler::finishTick(TimerId id, std::int64_t due)
{
    const auto it = m_entries.find(id);
    if (it == m_entries.end())
        return; // killed while running
    std::int64_t next = due + it->second.periodMicros;
    if (next <= m_now)
        next = m_now + it->second.periodMicros; // a nested pump ran past the next tick: skip it
    enqueue(id, it->second, next);
}

void VirtualScheduler::advance(std::chrono::microseconds duration)
{
    runUntil(m_now + duration.count());
}

void VirtualScheduler::runUntil(std::int64_t targetMicros)
{
    while (!m_queue.empty() && m_queue.begin()->first.first <= targetMicros)
        pumpOnce();
    m_now = std::max(m_now, targetMicros);
}

} // namespace lumivex
