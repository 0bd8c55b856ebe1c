#include "../base/SchedulerBehaviour.h"

#include "platform/QtScheduler.h"

#include <QCoreApplication>

namespace lumivex::testing {
namespace {

struct QtSchedulerTraits {
    static constexpr bool kRealTime = true;
    static std::unique_ptr<Scheduler> make() { return std::make_unique<QtScheduler>(); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, SchedulerBehaviour, QtSchedulerTraits);

} // namespace
} // namespace lumivex::testing

// QtScheduler needs one QCoreApplication for the whole process.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
