// pumpOnce() must sleep in the event dispatcher while it waits: a wait loop over it (how the
// engines wait for a reply) may not burn a CPU core.

#include "platform/QtScheduler.h"

#include <QTest>

#include <chrono>
#include <ctime>

using namespace std::chrono_literals;

class TestQtScheduler : public QObject {
    Q_OBJECT

private slots:
    void pumpOnce_blocksWhileWaiting_data();
    void pumpOnce_blocksWhileWaiting();
};

void TestQtScheduler::pumpOnce_blocksWhileWaiting_data()
{
    QTest::addColumn<bool>("withTicks");
    QTest::newRow("single-shot only") << false;
    QTest::newRow("with a 10 ms timer ticking") << true;
}

void TestQtScheduler::pumpOnce_blocksWhileWaiting()
{
    QFETCH(bool, withTicks);
    lumivex::QtScheduler scheduler;
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

    qInfo("waited %.1f ms wall, %.2f ms CPU, %d pumps, %d ticks", wallMs, cpuMs, pumps, ticks);
    QVERIFY(wallMs >= 199.0);
    QVERIFY2(cpuMs < wallMs / 10, "pumpOnce() spins instead of blocking");
    // A spinning pump returns thousands of times; a blocking one once per event.
    QVERIFY(pumps <= ticks + 5);
}

QTEST_GUILESS_MAIN(TestQtScheduler)
#include "tst_qtscheduler.moc"
