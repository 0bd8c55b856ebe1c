#include "SchedulerBehaviour.h"

#include "base/VirtualScheduler.h"

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

TEST(VirtualSchedulerTest, pumpOnceAdvanceAndRunUntil_dispatchWhatIsDueAndStopWhereTheyShould)
{
    VirtualScheduler s;
    EXPECT_FALSE(s.pumpOnce()) << "a wait loop over pumpOnce() gives up instead of hanging";
    s.advance(3ms); // nothing scheduled: only the clock moves
    Log log;
    s.singleShot(2ms, [&] {
        log.emplace_back(s.nowMicros(), 'a');
        s.singleShot(1ms, [&] { log.emplace_back(s.nowMicros(), 'b'); }); // due exactly at the target
    });
    s.singleShot(4ms, [&] { log.emplace_back(s.nowMicros(), 'c'); });
    s.killTimer(s.setTimer(1ms, [&] { log.emplace_back(s.nowMicros(), 'k'); }));
    s.runUntil(6000);
    EXPECT_EQ(log, (Log {{5000, 'a'}, {6000, 'b'}}));
    EXPECT_EQ(s.pendingCount(), 1u);
    s.runUntil(1000); // the clock never goes back
    EXPECT_EQ(s.nowMicros(), 6000);
    EXPECT_TRUE(s.pumpOnce());
    EXPECT_FALSE(s.pumpOnce());
    EXPECT_EQ(log.back(), (std::pair<std::int64_t, char> {7000, 'c'}));

    // A period below one millisecond counts as one; a negative delay means now.
    int fired = 0;
    const auto every = s.setTimer(0ms, [&] { ++fired; });
    s.advance(5ms);
    s.killTimer(every);
    s.singleShot(-5us, [&] { fired = -fired; });
    EXPECT_TRUE(s.pumpOnce());
    EXPECT_EQ(std::pair(fired, s.nowMicros()), std::pair(-5, std::int64_t {12000}));
}

TEST(VirtualSchedulerTest, periodicTimersTickAtExactTimesAndAfterANestedPumpGoOnFromTheirGridOrNow)
{
    VirtualScheduler s;
    Log log;
    s.setTimer(10ms, [&] { log.emplace_back(s.nowMicros(), 'A'); });
    s.setTimer(25ms, [&] { log.emplace_back(s.nowMicros(), 'B'); });
    s.advance(50ms);
    // At 50 ms B goes first: its tick was scheduled at 25 ms, A's at 40 ms.
    EXPECT_EQ(
        log, (Log {{10000, 'A'}, {20000, 'A'}, {25000, 'B'}, {30000, 'A'}, {40000, 'A'}, {50000, 'B'}, {50000, 'A'}}));

    // After a nested pump a timer goes on from its grid or from now; one that throws stays scheduled.
    std::vector<std::int64_t> ticks;
    s.setTimer(10ms, [&] {
        ticks.push_back(s.nowMicros());
        if (ticks.size() == 1)
            s.advance(4ms); // short nested pump: the grid holds (next tick at 70 ms)
        else if (ticks.size() == 2)
            s.advance(27ms); // runs past 80 and 90 ms: those ticks are skipped, next 10 ms after 97
        else if (ticks.size() == 3)
            throw std::runtime_error("reply handler failed");
    });
    EXPECT_THROW(s.runUntil(110000), std::runtime_error);
    s.runUntil(120000);
    EXPECT_EQ(ticks, (std::vector<std::int64_t> {60000, 70000, 107000, 117000}));
}

// Replies simulated in 1-byte chunks schedule thousands of events; the queue must stay ordered
// and cheap (a linear scan per event would take many seconds here). Processor time, not wall
// time: a busy machine must not fail it.
TEST(VirtualSchedulerTest, manyEvents_stayOrderedAndFast)
{
    VirtualScheduler s;
    constexpr int kEvents = 100000;
    std::vector<std::pair<std::int64_t, int>> fired; // (time, scheduling index)
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
    EXPECT_LT(static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC, 2.0);
    ASSERT_EQ(fired.size(), static_cast<std::size_t>(kEvents));
    EXPECT_TRUE(std::is_sorted(fired.begin(), fired.end())) << "by time, ties in scheduling order";
    EXPECT_EQ(pollTicks, 200);
    EXPECT_EQ(s.pendingCount(), 1u);
}

} // namespace
} // namespace lumivex::testing
