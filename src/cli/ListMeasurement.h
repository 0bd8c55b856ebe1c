#pragma once

#include <functional>
#include <iosfwd>

namespace lumivex {

class Scheduler;
class SerialBackend;
struct IniSearchInput;
struct MeasureCommandOptions;

// One run of the measurement list through its own engine: settings (and so the log) loaded,
// connection chain, the sensor settings of the file or of the reference (or the defaults for the
// device's boards), the run with its comparison, one row per sensor printed in the list's columns
// with the comparison (or a JSON document), then the reference and the test report written when
// asked. Returns kCliSuccess, kCliDeviation when a compared sensor deviates, kCliDeviceFailed.
// With --on-input it watches the device's input until `stopRequested` is true (asked between runs)
// and returns kCliSuccess, or kCliDeviceFailed when the port is lost.
int runListMeasurement(const MeasureCommandOptions& options, const IniSearchInput& search, Scheduler& scheduler,
    SerialBackend& backend, std::ostream& out, std::ostream& err, const std::function<bool()>& stopRequested = {});

} // namespace lumivex
