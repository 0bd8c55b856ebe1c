#include "device/AwaitedReply.h"

#include "base/Scheduler.h"
#include "device/ProtocolLog.h"
#include "foundation/CGlobal.h"

namespace lumivex {

void AwaitedReply::Begin(int number, int ticks)
{
    m_number = number;
    m_budget = ticks;
    m_awaiting = true;
    m_timedOut = false;
    m_message.reset();
}

void AwaitedReply::Wait(Scheduler& scheduler)
{
    while (m_awaiting) {
        if (!scheduler.pumpOnce())
            End(); // nothing can ever arrive
    }
}

void AwaitedReply::End()
{
    m_awaiting = false;
    m_exchange.Abandon();
}

AwaitedReply::Step AwaitedReply::Fail(std::optional<StringId> message)
{
    End();
    m_message = message;
    return Step::Failed;
}

AwaitedReply::Step AwaitedReply::Read()
{
    if (!m_exchange.ReadArrived()) {
        // The port went away: nothing more will come.
        return m_awaiting ? Fail(std::nullopt) : Step::Waiting;
    }
    if (!m_awaiting)
        return Step::Waiting;
    switch (m_exchange.State()) {
    case ReplyCollector::State::Pending:
        return Step::Waiting;
    case ReplyCollector::State::DeviceError:
        if (m_loggingOn && m_log.IsLogging(ProtocolLog::kLevel))
            m_log.WriteLog(ProtocolLog::kLevel, ProtocolLog::reply(m_exchange.Text(), m_number));
        return Fail(ProtocolLog::kBoardErrorMessage);
    case ReplyCollector::State::Overlong:
        return Fail(ProtocolLog::kNoReturnMessage);
    case ReplyCollector::State::Complete:
        return Step::Complete;
    }
    return Step::Waiting;
}

AwaitedReply::Step AwaitedReply::Tick()
{
    if (!m_awaiting)
        return Step::Waiting;
    if (const Step step = Read(); step != Step::Waiting || !m_awaiting)
        return step;
    // Once per tick, never twice: the budget is the number of ticks the reply may take.
    if (--m_budget > 0)
        return Step::Waiting;
    if (m_loggingOn && m_log.IsLogging(ProtocolLog::kLevel))
        m_log.WriteLog(ProtocolLog::kLevel, ProtocolLog::noValidResponse(m_number));
    m_timedOut = true;
    return Fail(ProtocolLog::kNoReturnMessage);
}

} // namespace lumivex
