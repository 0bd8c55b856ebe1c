#include "../base/SchedulerBehaviour.h"

#include "platform/QtScheduler.h"

#include <QCoreApplication>

#include <ctime>

namespace lumivex::testing {
namespace {

struct QtSchedulerTraits {
    static constexpr bool kRealTime = true;
    static std::unique_ptr<Scheduler> make() { return std::make_unique<QtScheduler>(); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, SchedulerBehaviour, QtSchedulerTraits);

// pumpOnce() must sleep in the event dispatcher while it waits: a wait loop over it (how the
// engines wait for a reply) may not burn a CPU core.
TEST(QtSchedulerTest, pumpOnceBlocksWhileWaiting)
{
    for (const bool withTicks : {false, true}) {
        SCOPED_TRACE(withTicks ? "with a 10 ms timer ticking" : "single-shot only");
        QtScheduler scheduler;
        int ticks = 0;
        if (withTicks)
            scheduler.setTimer(10ms, [&] { ++ticks; });
        bool done = false;
        int pumps = 0;
        const std::clock_t cpuStart = std::clock();
        const auto wallStart = std::chrono::steady_clock::now();
        scheduler.singleShot(200ms, [&] { done = true; });
        while (!done) {
            scheduler.pumpOnce();
            ++pumps;
        }
        const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        const double wallMs
            = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart).count();
        EXPECT_GE(wallMs, 199.0);
        EXPECT_LT(cpuMs, wallMs / 10) << "pumpOnce() spins instead of blocking";
        // A spinning pump returns thousands of times; a blocking one once per event.
        EXPECT_LE(pumps, ticks + 5);
    }
}

} // namespace
} // namespace lumivex::testing

// QtScheduler needs one QCoreApplication for the whole process.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
