#include "device/SendCommandText.h"

#include "base/Dialogs.h"
#include "device/CSeriell.h"
#include "device/ProtocolLog.h"
#include "foundation/CGlobal.h"

namespace lumivex {

int SendCommandText(CSeriell& port, Dialogs& dialogs, CGlobal& log, std::string_view text, bool loggingOn)
{
    if (!port.IsOpen())
        return 0;
    const bool logging = loggingOn && log.IsLogging(ProtocolLog::kLevel);
    if (isRequestTooLong(text)) {
        dialogs.message(std::string(stringText(ProtocolLog::kTooLongMessage)));
        if (logging)
            log.WriteLog(ProtocolLog::kLevel, ProtocolLog::kTextTooLong);
        return 0;
    }
    // The port has already shown "Error COM writing" in its problem box; a second box with the
    // same text would only make the user click twice.
    if (!port.WriteBlock(text))
        return 0;
    if (logging)
        log.WriteLog(ProtocolLog::kLevel, ProtocolLog::commandSent(text));
    return 1;
}

} // namespace lumivex
