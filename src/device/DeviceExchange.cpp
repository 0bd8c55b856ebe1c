#include "device/DeviceExchange.h"

#include "device/CSeriell.h"
#include "device/SendCommandText.h"

namespace lumivex {

namespace {
constexpr std::uint32_t kPurgeInput = SerialBackend::PurgeRxAbort | SerialBackend::PurgeRxClear; // 10
} // namespace

DeviceExchange::DeviceExchange(CSeriell& port, JoinRules rules, Recorder recorder)
    : m_port(port), m_collector(rules), m_recorder(std::move(recorder))
{
}

bool DeviceExchange::Send(std::string_view request, ReplyRule rule, Dialogs& dialogs, CGlobal& log, bool loggingOn)
{
    m_collector.end();
    // What is still in the driver (a late reply, chatter) is looked at once more for messages
    // that matter on their own, then thrown away: it never joins this request's reply.
    ReadArrived();
    m_port.Purge(kPurgeInput);
    if (!SendCommandText(m_port, dialogs, log, request, loggingOn))
        return false;
    m_collector.begin(request, rule);
    return true;
}

bool DeviceExchange::ReadArrived()
{
    for (;;) {
        const std::size_t n = m_port.ReadAvailable();
        if (n == 0)
            break;
        if (m_recorder)
            m_recorder(m_port.ReceiveBuffer(), n);
        m_collector.feed(std::string_view(m_port.ReceiveBuffer(), n));
    }
    return !m_port.Backend().hungUp();
}

} // namespace lumivex
