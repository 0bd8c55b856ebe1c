#pragma once

// Behaviour every Scheduler implementation shares, instantiated per implementation with a trait
// type: `static constexpr bool kRealTime` (a real clock: allow for its noise) and
// `static std::unique_ptr<lumivex::Scheduler> make()`. On a real clock every case is kept short
// (tens of milliseconds) and counts get generous bounds.

#include "base/Scheduler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lumivex::testing {

using namespace std::chrono_literals;

template<class Traits> class SchedulerBehaviour : public ::testing::Test {
protected:
    static constexpr bool kRealTime = Traits::kRealTime;
    // A real clock's timers may come up to a millisecond early against our clock's rounding.
    static constexpr std::int64_t kEarlySlackMicros = kRealTime ? 1000 : 0;

    Scheduler& scheduler() { return *m_scheduler; }

    // Pumps until done() holds; gives up (returning false) after the limit on the scheduler's
    // clock, so that a broken implementation fails the test instead of hanging it.
    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 1000ms)
    {
        bool timedOut = false;
        const auto guard = m_scheduler->singleShot(limit, [&] { timedOut = true; });
        while (!done() && !timedOut && m_scheduler->pumpOnce()) { }
        m_scheduler->killTimer(guard);
        return done();
    }

    void pumpFor(std::chrono::microseconds duration)
    {
        bool elapsed = false;
        m_scheduler->singleShot(duration, [&] { elapsed = true; });
        while (!elapsed)
            ASSERT_TRUE(m_scheduler->pumpOnce());
    }

    // Exact in virtual time; on a real clock ticks may be lost to a busy machine but never gained.
    void expectCountNear(int actual, int expected)
    {
        EXPECT_GE(actual, kRealTime ? expected / 2 : expected);
        EXPECT_LE(actual, kRealTime ? expected + 1 : expected);
    }

private:
    std::unique_ptr<Scheduler> m_scheduler = Traits::make();
};

TYPED_TEST_SUITE_P(SchedulerBehaviour);

TYPED_TEST_P(SchedulerBehaviour, periodicTimers_tickOncePerPeriodNeverEarlyInDueOrder)
{
    Scheduler& s = this->scheduler();
    std::string order;
    std::vector<std::int64_t> ticks;
    const std::int64_t start = s.nowMicros();
    s.setTimer(10ms, [&] {
        order += 'A';
        ticks.push_back(s.nowMicros() - start);
    });
    s.setTimer(25ms, [&] { order += 'B'; });
    this->pumpFor(105ms); // the timers are not pumped again
    this->expectCountNear(static_cast<int>(ticks.size()), 10);
    for (std::size_t i = 0; i < ticks.size(); ++i)
        EXPECT_GE(ticks[i], 10000 * static_cast<std::int64_t>(i + 1) - this->kEarlySlackMicros) << "tick " << i;
    // Due at 10, 20, 25, 30, 40 ms. A late real clock may skip ticks as the platform likes: there
    // only the first tick and the faster timer's lead are certain.
    ASSERT_GE(order.size(), 2u);
    if constexpr (TestFixture::kRealTime) {
        EXPECT_EQ(order.front(), 'A') << order;
        EXPECT_GE(ticks.size(), order.size() - ticks.size()) << order;
    } else {
        EXPECT_EQ(order.substr(0, 5), "AABAA");
    }
}

TYPED_TEST_P(SchedulerBehaviour, singleShots_fireOnceInDueOrder_zeroDelaysInSchedulingOrder)
{
    Scheduler& s = this->scheduler();
    std::vector<int> fired;
    std::int64_t shortShotAt = -1;
    const std::int64_t start = s.nowMicros();
    s.singleShot(3ms, [&] { fired.push_back(3); });
    s.singleShot(1500us, [&] {
        fired.push_back(2);
        shortShotAt = s.nowMicros() - start;
    });
    s.singleShot(0us, [&] { fired.push_back(0); });
    s.singleShot(0us, [&] { fired.push_back(1); });

    ASSERT_TRUE(s.pumpOnce());
    ASSERT_FALSE(fired.empty()) << "a zero delay fires at the first pump";
    EXPECT_EQ(fired.front(), 0);
    ASSERT_TRUE(this->pumpUntil([&] { return fired.size() >= 4; }));
    this->pumpFor(10ms); // nothing fires twice
    EXPECT_EQ(fired, (std::vector<int> {0, 1, 2, 3}));
    EXPECT_GE(shortShotAt, 1500 - this->kEarlySlackMicros);
}

TYPED_TEST_P(SchedulerBehaviour, killInsideACallback_stopsTheTimerForGood_staleIdsKillNothing)
{
    Scheduler& s = this->scheduler();
    int ownTicks = 0, nestedTicks = 0, slowTicks = 0, fastTicks = 0;
    bool replacementFired = false, shotFired = false;
    Scheduler::TimerId own = 0, nested = 0;
    own = s.setTimer(10ms, [&] {
        if (++ownTicks < 3)
            return;
        s.killTimer(own);
        s.killTimer(own); // a second kill does nothing
        s.singleShot(0us, [&] { replacementFired = true; }); // started inside a callback, it runs
    });
    // Killed by another timer while its own callback pumps.
    nested = s.setTimer(10ms, [&] {
        ++nestedTicks;
        bool killed = false;
        s.singleShot(2ms, [&] {
            s.killTimer(nested);
            killed = true;
        });
        while (!killed)
            ASSERT_TRUE(s.pumpOnce());
    });
    const auto slow = s.setTimer(25ms, [&] { ++slowTicks; });
    const auto shot = s.singleShot(15ms, [&] { shotFired = true; });
    const auto fast = s.setTimer(10ms, [&] {
        if (++fastTicks == 1) {
            s.killTimer(slow);
            s.killTimer(shot);
        }
    });
    s.killTimer(987654); // unknown ids do nothing
    this->pumpFor(55ms);
    // Own ticks, replacement fired, nested ticks, slow ticks, shot fired.
    EXPECT_EQ((std::vector<int> {ownTicks, replacementFired, nestedTicks, slowTicks, shotFired}),
        (std::vector<int> {3, 1, 1, 0, 0}));
    this->expectCountNear(fastTicks, 5);

    // An id is not handed out again, so a late kill with an old one cannot stop a newer timer.
    bool fired = false;
    s.singleShot(1ms, [&] { fired = true; });
    for (const auto old : {own, nested, slow, shot, fast})
        s.killTimer(old);
    EXPECT_TRUE(this->pumpUntil([&] { return fired; }, 200ms));
}

TYPED_TEST_P(SchedulerBehaviour, nestedPump_runsOtherTimersButNeverReentersTheRunningOne)
{
    Scheduler& s = this->scheduler();
    int depth = 0, maxDepth = 0, outerTicks = 0, innerTicks = 0, innerTicksDuringOuter = 0;
    s.setTimer(5ms, [&] {
        ++innerTicks;
        innerTicksDuringOuter += depth > 0;
    });
    s.setTimer(20ms, [&] {
        maxDepth = std::max(maxDepth, ++depth);
        if (++outerTicks == 1) { // runs past the outer timer's next tick (40 ms), which must be skipped
            for (const int target = innerTicks + 8; innerTicks < target;)
                ASSERT_TRUE(s.pumpOnce());
        }
        --depth;
    });
    ASSERT_TRUE(this->pumpUntil([&] { return outerTicks >= 2; }));
    EXPECT_EQ(maxDepth, 1);
    EXPECT_GE(innerTicksDuringOuter, 8);
}

REGISTER_TYPED_TEST_SUITE_P(SchedulerBehaviour, periodicTimers_tickOncePerPeriodNeverEarlyInDueOrder,
    singleShots_fireOnceInDueOrder_zeroDelaysInSchedulingOrder,
    killInsideACallback_stopsTheTimerForGood_staleIdsKillNothing,
    nestedPump_runsOtherTimersButNeverReentersTheRunningOne);

} // namespace lumivex::testing
