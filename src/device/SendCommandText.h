#pragma once

#include <string_view>

namespace lumivex {

class CGlobal;
class CSeriell;
class Dialogs;

// Writes one request to the port: 1 when it was written, else 0. A text over 500 characters is
// refused with its message; a failed write shows "Error COM writing". The request is logged at
// level 9 when the log wants it (the measurement list and the stability run also pass their
// logging-on flag).
int SendCommandText(CSeriell& port, Dialogs& dialogs, CGlobal& log, std::string_view text, bool loggingOn = true);

} // namespace lumivex
