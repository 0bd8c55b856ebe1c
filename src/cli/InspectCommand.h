#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumivex {

// `lumivex-cli inspect FILE [--json]`: every field of one of the program's data files by name.
struct InspectOptions {
    std::string path;
    bool json = false;
    bool help = false;
};

// The files it knows.
enum class InspectedKind {
    StabilityData, // the companion of a stability report
    SensorSettings, // 68-byte records: a settings file, or the settings half of a reference
    ReferenceData, // 128-byte records: the data half of a reference
};

// Exit status for a file that cannot be read or is none of the known kinds.
inline constexpr int kCliFileRefused = 1;

// Reads the arguments after "inspect". An empty text on success, else the usage error.
std::string parseInspectCommand(const std::vector<std::string>& args, InspectOptions& options);
std::string inspectCommandHelp();

// The kind by the name's ending and the bytes: ".cfg" and ".ref" are settings; ".dat" is stability
// data when it reads as such, else reference data; any other name needs bytes that only one kind
// can hold. Nothing, with the reason in `why`, for anything else.
std::optional<InspectedKind> inspectedKind(const std::string& path, std::string_view bytes, std::string& why);

// The file's fields as "name=value" lines, or as one JSON object.
std::string describeInspectedFile(InspectedKind kind, const std::string& path, std::string_view bytes, bool json);

// The whole command: exit 0 when described, kCliFileRefused when the file was refused, 2 for a
// usage error.
int runInspectCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace lumivex
