#include "platform/QtScheduler.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QTimerEvent>

#include <algorithm>
#include <climits>
#include <stdexcept>

namespace lumivex {

// Owns the Qt timers and hands their events back to the scheduler.
class QtScheduler::Receiver final : public QObject {
public:
    explicit Receiver(QtScheduler& scheduler) : m_scheduler(scheduler) { }

protected:
    void timerEvent(QTimerEvent* event) override { m_scheduler.dispatch(event->timerId()); }

private:
    QtScheduler& m_scheduler;
};

QtScheduler::QtScheduler()
{
    if (QCoreApplication::instance() == nullptr)
        throw std::logic_error("QtScheduler needs a QCoreApplication");
    m_receiver = std::make_unique<Receiver>(*this);
    m_clock.start();
}

QtScheduler::~QtScheduler() = default; // the receiver's Qt timers die with it

Scheduler::TimerId QtScheduler::setTimer(std::chrono::milliseconds period, Callback callback)
{
    const auto ms = std::clamp<std::chrono::milliseconds::rep>(period.count(), 1, INT_MAX);
    return add(static_cast<int>(ms), false, std::move(callback));
}

Scheduler::TimerId QtScheduler::singleShot(std::chrono::microseconds delay, Callback callback)
{
    const auto micros = std::max<std::chrono::microseconds::rep>(delay.count(), 0);
    const auto ms = std::min<std::chrono::microseconds::rep>((micros + 999) / 1000, INT_MAX);
    return add(static_cast<int>(ms), true, std::move(callback));
}

Scheduler::TimerId QtScheduler::add(int intervalMs, bool singleShot, Callback callback)
{
    const int qtId = m_receiver->startTimer(intervalMs, Qt::PreciseTimer);
    if (qtId == 0)
        throw std::runtime_error("Qt could not start a timer");
    const TimerId id = m_nextId++;
    Entry& entry = m_entries[id];
    entry.qtId = qtId;
    entry.singleShot = singleShot;
    entry.callback = std::make_shared<const Callback>(std::move(callback));
    m_byQtId[qtId] = id;
    return id;
}

void QtScheduler::killTimer(TimerId id)
{
    const auto it = m_entries.find(id);
    if (it == m_entries.end())
        return;
    m_receiver->killTimer(it->second.qtId);
    m_byQtId.erase(it->second.qtId);
    m_entries.erase(it);
}

void QtScheduler::dispatch(int qtId)
{
    const auto byQt = m_byQtId.find(qtId);
    if (byQt == m_byQtId.end())
        return; // killed after Qt picked it
    const TimerId id = byQt->second;
    const auto it = m_entries.find(id);
    if (it == m_entries.end() || it->second.running)
        return; // a tick while its own callback runs in a nested pump is skipped

    // Our own reference: the entry may be killed, and the map rehashed, while the callback runs.
    const std::shared_ptr<const Callback> callback = it->second.callback;
    if (it->second.singleShot) {
        killTimer(id);
        if (*callback)
            (*callback)();
        return;
    }

    it->second.running = true;
    struct ClearRunning {
        QtScheduler& scheduler;
        TimerId id;
        ~ClearRunning()
        {
            const auto entry = scheduler.m_entries.find(id);
            if (entry != scheduler.m_entries.end())
                entry->second.running = false;
        }
    } clearRunning {*this, id};
    if (*callback)
        (*callback)();
}

bool QtScheduler::pumpOnce()
{
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return true;
}

std::int64_t QtScheduler::nowMicros() const
{
    return m_clock.nsecsElapsed() / 1000;
}

} // namespace lumivex
