#include "SchedulerBehaviour.h"

#include "base/VirtualScheduler.h"

#include <chrono>
#include <ctime>
#include <stdexcept>
#include <utility>

namespace lumivex::testing {
namespace {

struct VirtualSchedulerTraits {
    static constexpr bool kRealTime = false;
    static std::unique_ptr<Scheduler> make() { return std::make_unique<VirtualScheduler>(); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Virtual, SchedulerBehaviour, VirtualSchedulerTraits);

using Log = std::vector<std::pair<std::int64_t, char>>;

TEST(VirtualSchedulerTest, timersFireAtExactTimes_tiesInSchedulingOrder)
{
    VirtualScheduler s;
    Log log;
    s.setTimer(10ms, [&] { log.emplace_back(s.nowMicros(), 'A'); });
    s.setTimer(25ms, [&] { log.emplace_back(s.nowMicros(), 'B'); });
    s.advance(50ms);
    // At 50 ms B goes first: its tick was scheduled at 25 ms, A's at 40 ms.
    EXPECT_EQ(
        log, (Log {{10000, 'A'}, {20000, 'A'}, {25000, 'B'}, {30000, 'A'}, {40000, 'A'}, {50000, 'B'}, {50000, 'A'}}));
    EXPECT_EQ(s.nowMicros(), 50000);
}

TEST(VirtualSchedulerTest, pumpOnceReturnsFalseOnlyWhenNothingCanFire_shortDelaysCountAsTheirMinimum)
{
    VirtualScheduler s;
    EXPECT_FALSE(s.pumpOnce());
    EXPECT_EQ(s.nowMicros(), 0);

    int fired = 0;
    s.singleShot(7ms, [&] { ++fired; });
    const auto killed = s.setTimer(10ms, [&] { fired += 100; });
    s.killTimer(killed);
    EXPECT_EQ(s.pendingCount(), 1u);
    EXPECT_TRUE(s.pumpOnce());
    EXPECT_EQ(s.nowMicros(), 7000);
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(s.pumpOnce()) << "a wait loop over pumpOnce() gives up instead of hanging";
    EXPECT_EQ(s.pendingCount(), 0u);

    // A period below one millisecond counts as one; a negative delay means now.
    const auto every = s.setTimer(0ms, [&] { ++fired; });
    s.advance(5ms);
    EXPECT_EQ(fired, 6);
    s.killTimer(every);
    s.singleShot(-5us, [&] { fired = -1; });
    EXPECT_TRUE(s.pumpOnce());
    EXPECT_EQ(fired, -1);
    EXPECT_EQ(s.nowMicros(), 12000);
}

TEST(VirtualSchedulerTest, advanceAndRunUntil_dispatchWhatIsDueAndStopAtTheTarget)
{
    VirtualScheduler s;
    s.advance(3ms); // nothing scheduled: only the clock moves
    EXPECT_EQ(s.nowMicros(), 3000);

    Log log;
    s.singleShot(2ms, [&] {
        log.emplace_back(s.nowMicros(), 'a');
        s.singleShot(1ms, [&] { log.emplace_back(s.nowMicros(), 'b'); }); // due exactly at the target
    });
    s.singleShot(4ms, [&] { log.emplace_back(s.nowMicros(), 'c'); });
    s.runUntil(6000);
    EXPECT_EQ(log, (Log {{5000, 'a'}, {6000, 'b'}}));
    EXPECT_EQ(s.nowMicros(), 6000);
    EXPECT_EQ(s.pendingCount(), 1u);

    s.runUntil(1000); // the clock never goes back
    EXPECT_EQ(s.nowMicros(), 6000);
    s.advance(1ms);
    EXPECT_EQ(log.back(), (std::pair<std::int64_t, char> {7000, 'c'}));
}

TEST(VirtualSchedulerTest, periodicTimer_afterNestedPump_goesOnFromTheLaterOfItsGridAndNow)
{
    VirtualScheduler s;
    std::vector<std::int64_t> ticks;
    s.setTimer(10ms, [&] {
        ticks.push_back(s.nowMicros());
        if (ticks.size() == 1)
            s.advance(4ms); // short nested pump: the grid holds (next tick at 20 ms)
        else if (ticks.size() == 2)
            s.advance(27ms); // runs past 30 and 40 ms: those ticks are skipped, next 10 ms after 47
    });
    s.runUntil(60000);
    EXPECT_EQ(ticks, (std::vector<std::int64_t> {10000, 20000, 57000}));
}

TEST(VirtualSchedulerTest, throwingCallback_leavesItsTimerScheduled)
{
    VirtualScheduler s;
    int ticks = 0;
    s.setTimer(10ms, [&] {
        if (++ticks == 1)
            throw std::runtime_error("reply handler failed");
    });
    EXPECT_THROW(s.advance(10ms), std::runtime_error);
    s.advance(20ms);
    EXPECT_EQ(ticks, 3);
}

// Replies simulated in 1-byte chunks schedule thousands of events; the queue must stay ordered
// and cheap (a linear scan per event would take many seconds here). Processor time, not wall
// time: a busy machine must not fail it.
TEST(VirtualSchedulerTest, manyEvents_stayOrderedAndFast)
{
    VirtualScheduler s;
    constexpr int kEvents = 100000;
    std::vector<std::pair<std::int64_t, int>> fired; // (time, scheduling index)
    fired.reserve(kEvents);
    std::uint32_t lcg = 12345;
    int pollTicks = 0;
    s.setTimer(10ms, [&] { ++pollTicks; });
    const std::clock_t cpuStart = std::clock();
    for (int i = 0; i < kEvents; ++i) {
        lcg = lcg * 1664525u + 1013904223u;
        const auto delay = std::chrono::microseconds((lcg >> 8) % 2000000); // many ties: 100k in 2 s
        s.singleShot(delay, [&fired, &s, i] { fired.emplace_back(s.nowMicros(), i); });
    }
    s.advance(2s);
    const double cpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;

    ASSERT_EQ(fired.size(), static_cast<std::size_t>(kEvents));
    for (std::size_t k = 1; k < fired.size(); ++k) {
        ASSERT_LE(fired[k - 1].first, fired[k].first) << "event " << k;
        if (fired[k - 1].first == fired[k].first) {
            ASSERT_LT(fired[k - 1].second, fired[k].second) << "tie at event " << k;
        }
    }
    EXPECT_EQ(pollTicks, 200);
    EXPECT_EQ(s.pendingCount(), 1u);
    EXPECT_LT(cpuSeconds, 2.0);
}

} // namespace
} // namespace lumivex::testing
