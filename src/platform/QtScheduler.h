#pragma once

#include "base/Scheduler.h"

#include <QElapsedTimer>

#include <memory>
#include <unordered_map>

namespace lumivex {

// Scheduler on Qt's event loop and the real clock. Needs a QCoreApplication, and must be used on
// its thread. pumpOnce() sleeps in the event dispatcher until something arrives, so a wait loop
// over it costs no CPU. Single-shot delays are rounded up to whole milliseconds (Qt's timer unit),
// so an event never comes early; a period below 1 ms counts as 1 ms, as in VirtualScheduler.
class QtScheduler final : public Scheduler {
public:
    QtScheduler(); // throws std::logic_error without a QCoreApplication
    ~QtScheduler() override;
    QtScheduler(const QtScheduler&) = delete;
    QtScheduler& operator=(const QtScheduler&) = delete;

    TimerId setTimer(std::chrono::milliseconds period, Callback callback) override;
    TimerId singleShot(std::chrono::microseconds delay, Callback callback) override;
    void killTimer(TimerId id) override;
    bool pumpOnce() override;
    std::int64_t nowMicros() const override;

private:
    class Receiver;
    friend class Receiver;

    struct Entry {
        int qtId = 0;
        bool singleShot = false;
        bool running = false; // no re-entry, whatever Qt's dispatcher would do
        std::shared_ptr<const Callback> callback;
    };

    TimerId add(int intervalMs, bool singleShot, Callback callback);
    void dispatch(int qtId);

    std::unique_ptr<Receiver> m_receiver;
    QElapsedTimer m_clock;
    TimerId m_nextId = 1; // our own ids: Qt reuses its ids, and a stale kill must not hit a new timer
    std::unordered_map<TimerId, Entry> m_entries;
    std::unordered_map<int, TimerId> m_byQtId;
};

} // namespace lumivex
