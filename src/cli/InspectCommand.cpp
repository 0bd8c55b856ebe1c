#include "cli/InspectCommand.h"

#include "base/AtomicFile.h"
#include "base/FormatText.h"
#include "base/Windows1252.h"
#include "cli/CliSession.h"
#include "multisensor/CMessList.h"
#include "multisensor/KonfListFile.h"
#include "multisensor/ReadingLists.h"
#include "multisensor/SensorSettingsList.h"
#include "stability/StabilityFiles.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <ostream>
#include <system_error>

namespace lumivex {

namespace {

// The largest file of any kind a list can hold.
constexpr std::size_t kMaxInspectedBytes = std::max(
    {kStabilityMaxCompanionBytes, static_cast<std::size_t>(SensorSettingsList::kMaxRecords) * kKonfRecordSize,
        static_cast<std::size_t>(ReadingLists::kMaxRecords) * kMessRecordSize});

// One field as the text and the JSON output show it.
struct Field {
    std::string name;
    std::string text;
    std::string json;
};
using Fields = std::vector<Field>;

Field integer(const char* name, long long value)
{
    const std::string digits = std::to_string(value);
    return {name, digits, digits};
}

Field flags(const char* name, unsigned value)
{
    return {name, formatText("0x%04x", value), std::to_string(value)};
}

Field real(const char* name, float value)
{
    const std::string digits = formatText("%.9g", static_cast<double>(value));
    // JSON has no NaN or infinity.
    return {name, digits, std::isfinite(value) ? digits : "null"};
}

Field text(const char* name, std::string_view value)
{
    const std::string quoted = jsonString(windows1252ToUtf8(value));
    return {name, quoted, quoted};
}

struct Description {
    const char* kind;
    Fields head;
    bool hasSetup = false;
    std::optional<Fields> setup;
    const char* recordsName;
    std::vector<Fields> records;
};

std::string render(const std::string& path, const Description& d, bool json)
{
    const auto line = [json](const Fields& fields) {
        std::string out;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (json)
                out += (i ? ", \"" : "\"") + fields[i].name + "\": " + fields[i].json;
            else
                out += (i ? " " : "") + fields[i].name + "=" + fields[i].text;
        }
        return json ? "{" + out + "}" : out;
    };
    std::string out;
    if (!json) {
        // The path is the command line's own text, not the file's.
        out = "file: " + path + "\nkind: " + d.kind + "\n";
        for (const Field& f : d.head)
            out += f.name + ": " + f.text + "\n";
        if (d.hasSetup)
            out += "setup: " + (d.setup ? line(*d.setup) : std::string("none (the file ends after N)")) + "\n";
        for (const Fields& record : d.records)
            out += std::string(d.recordsName) + ": " + line(record) + "\n";
        return out;
    }
    out = "{\"file\": " + jsonString(path) + ", \"kind\": \"" + d.kind + "\"";
    for (const Field& f : d.head)
        out += ", \"" + f.name + "\": " + f.json;
    if (d.hasSetup)
        out += ", \"setup\": " + (d.setup ? line(*d.setup) : std::string("null"));
    out += ", \"" + std::string(d.recordsName) + "s\": [";
    for (std::size_t i = 0; i < d.records.size(); ++i)
        out += (i ? ", " : "") + line(d.records[i]);
    return out + "]}\n";
}

Description describeStability(const StabilityCompanion& c, std::size_t size)
{
    // A part of the setup, or of a reading, after the last whole one.
    const std::size_t ignored = size < kStabilityHeaderSize ? size - kStabilityCountSize
                                                            : (size - kStabilityHeaderSize) % kStabilityReadingSize;
    Description d {"stability-data",
        {integer("N", c.declaredCount), integer("readingsHeld", static_cast<long long>(c.readings.size())),
            integer("ignoredBytes", static_cast<long long>(ignored))},
        true, std::nullopt, "reading", {}};
    if (c.setup) {
        const StabilitySetup& s = *c.setup;
        d.setup = Fields {integer("ledIndex", s.ledIndex), integer("rangeIndex", s.rangeIndex),
            integer("testMode", s.testMode), integer("averaging", s.averaging), integer("userArea", s.userArea),
            integer("durationMs", s.durationMs)};
    }
    for (const CBlinkData& r : c.readings)
        d.records.push_back({integer("ReadingNo", r.ReadingNo), flags("Flags", r.Flags), integer("Red", r.Red),
            integer("Green", r.Green), integer("Blue", r.Blue), integer("Intensity", r.Intensity),
            integer("Saturation", r.Saturation), real("Hue", r.Hue), real("X", r.X), real("Y", r.Y)});
    return d;
}

template<std::size_t Size, typename Record, typename Decode>
std::vector<Record> decodeAll(std::string_view bytes, Decode decode)
{
    std::vector<Record> records;
    for (std::size_t at = 0; at + Size <= bytes.size(); at += Size)
        records.push_back(decode(
            std::span<const std::uint8_t, Size>(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at, Size)));
    return records;
}

Description describeSettings(std::string_view bytes)
{
    Description d {"sensor-settings", {}, false, std::nullopt, "record", {}};
    for (const CKonfList& r : decodeAll<kKonfRecordSize, CKonfList>(bytes, decodeKonfRecord))
        d.records.push_back(
            {integer("Index", r.Index), integer("SensorNo", r.SensorNo), integer("TestMode", r.TestMode),
                integer("MeasureTime", r.MeasureTime), integer("Range", r.Range), integer("PwmRuns", r.PwmRuns),
                integer("UserTime", r.UserTime), integer("Gain", r.Gain), text("XOffset", r.XOffset.view()),
                text("YOffset", r.YOffset.view()), integer("DevIntensPercent", r.DevIntensPercent),
                integer("DevXYPercent", r.DevXYPercent), flags("ChangeFlags", r.ChangeFlags),
                flags("OptionFlags", r.OptionFlags), integer("DevIntensAbs", r.DevIntensAbs),
                real("DevXYAbs", r.DevXYAbs), text("Distance", r.Distance.view())});
    d.head = {integer("recordsHeld", static_cast<long long>(d.records.size())),
        integer("ignoredBytes", static_cast<long long>(bytes.size() % kKonfRecordSize))};
    return d;
}

Description describeReference(std::string_view bytes)
{
    Description d {"reference-data", {}, false, std::nullopt, "record", {}};
    for (const CMessList& r : decodeAll<kMessRecordSize, CMessList>(bytes, decodeMessRecord))
        d.records.push_back({integer("Index", r.Index), text("SensorText", r.SensorText), text("RedText", r.RedText),
            text("GreenText", r.GreenText), text("BlueText", r.BlueText), text("HueText", r.HueText),
            text("SatText", r.SatText), text("IntensText", r.IntensText), text("XText", r.XText),
            text("YText", r.YText), text("TempText", r.TempText), text("ModeText", r.ModeText),
            text("RangeText", r.RangeText), flags("ReadingFlags", r.ReadingFlags)});
    d.head = {integer("recordsHeld", static_cast<long long>(d.records.size())),
        integer("ignoredBytes", static_cast<long long>(bytes.size() % kMessRecordSize))};
    return d;
}

// Every text field of every record ends within its bytes, as the program writes them.
bool textsEnd(
    std::string_view bytes, std::size_t recordSize, std::initializer_list<std::pair<std::size_t, std::size_t>> fields)
{
    for (std::size_t at = 0; at + recordSize <= bytes.size(); at += recordSize) {
        for (const auto& [offset, size] : fields) {
            if (bytes.substr(at + offset, size).find('\0') == std::string_view::npos)
                return false;
        }
    }
    return true;
}

bool wholeRecords(std::string_view bytes, std::size_t recordSize)
{
    return !bytes.empty() && bytes.size() % recordSize == 0;
}

// Read as stability data; with `exact`, nothing after N but the setup and whole readings.
std::optional<StabilityCompanion> asStabilityData(std::string_view bytes, bool exact)
{
    const bool layout = bytes.size() == kStabilityCountSize
        || (bytes.size() >= kStabilityHeaderSize && (bytes.size() - kStabilityHeaderSize) % kStabilityReadingSize == 0);
    auto companion = layout || !exact ? parseStabilityCompanion(bytes) : std::nullopt;
    if (companion && static_cast<std::size_t>(companion->declaredCount) > kStabilityMaxStoredReadings)
        return std::nullopt;
    return companion;
}

bool looksLikeSettings(std::string_view bytes)
{
    if (!wholeRecords(bytes, kKonfRecordSize) || !textsEnd(bytes, kKonfRecordSize, {{12, 8}, {20, 8}, {44, 8}}))
        return false;
    for (std::size_t at = 0; at < bytes.size(); at += kKonfRecordSize) {
        const auto byte = [&](std::size_t offset) { return static_cast<std::uint8_t>(bytes[at + offset]); };
        if (byte(4) > kKonfTestModeNotSet || byte(5) > 9 || byte(6) > 1)
            return false;
    }
    return true;
}

bool looksLikeReference(std::string_view bytes)
{
    return wholeRecords(bytes, kMessRecordSize)
        && textsEnd(bytes, kMessRecordSize,
            {{2, 4}, {6, 6}, {12, 6}, {18, 6}, {24, 10}, {34, 10}, {44, 10}, {54, 10}, {64, 10}, {74, 12}, {86, 8},
                {94, 6}});
}

std::string lowerExtension(const std::string& path)
{
    std::string ending = std::filesystem::path(path).extension().string();
    std::transform(ending.begin(), ending.end(), ending.begin(),
        [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c; });
    return ending;
}

} // namespace

std::optional<InspectedKind> inspectedKind(const std::string& path, std::string_view bytes, std::string& why)
{
    const std::string ending = lowerExtension(path);
    const std::string size = std::to_string(bytes.size()) + " bytes";
    if (bytes.empty()) {
        why = "the file is empty";
        return std::nullopt;
    }
    if (ending == ".cfg" || ending == ".ref") {
        // The program reads the whole records and ignores a trailing part, and so does this.
        if (bytes.size() >= kKonfRecordSize)
            return InspectedKind::SensorSettings;
        why = "not a sensor settings file: " + size + " hold no 68-byte record";
        return std::nullopt;
    }
    if (ending == ".dat") {
        if (asStabilityData(bytes, false))
            return InspectedKind::StabilityData;
        if (bytes.size() >= kMessRecordSize)
            return InspectedKind::ReferenceData;
        why = "neither stability data (a count above 0, a 28-byte header and 36-byte readings) nor reference "
              "data (128-byte records, at least one): "
            + size;
        return std::nullopt;
    }
    // Any other name: only bytes that no other kind could hold.
    const auto stability = asStabilityData(bytes, true);
    std::vector<InspectedKind> fits;
    if (stability && stability->setup
        && static_cast<std::size_t>(stability->declaredCount) * kStabilityReadingSize + kStabilityHeaderSize
            == bytes.size())
        fits.push_back(InspectedKind::StabilityData);
    if (looksLikeSettings(bytes))
        fits.push_back(InspectedKind::SensorSettings);
    if (looksLikeReference(bytes))
        fits.push_back(InspectedKind::ReferenceData);
    if (fits.size() == 1)
        return fits.front();
    why = fits.empty() ? "not a stability data, sensor settings or reference data file (" + size + ")"
                       : "the bytes fit more than one kind of file; name it .dat, .cfg or .ref";
    return std::nullopt;
}

std::string describeInspectedFile(InspectedKind kind, const std::string& path, std::string_view bytes, bool json)
{
    switch (kind) {
    case InspectedKind::StabilityData:
        if (const auto companion = parseStabilityCompanion(bytes))
            return render(path, describeStability(*companion, bytes.size()), json);
        return {};
    case InspectedKind::SensorSettings:
        return render(path, describeSettings(bytes), json);
    case InspectedKind::ReferenceData:
        return render(path, describeReference(bytes), json);
    }
    return {};
}

std::string parseInspectCommand(const std::vector<std::string>& args, InspectOptions& options)
{
    for (const std::string& arg : args) {
        if (arg == "--json")
            options.json = true;
        else if (arg == "--help" || arg == "-h")
            options.help = true;
        else if (arg.size() > 1 && arg[0] == '-')
            return "unknown option \"" + arg + "\"";
        else if (!options.path.empty())
            return "one file only, not also \"" + arg + "\"";
        else
            options.path = arg;
    }
    if (options.path.empty() && !options.help)
        return "give the file to inspect";
    return {};
}

std::string inspectCommandHelp()
{
    return "Usage: lumivex-cli inspect FILE [--json]\n"
           "\n"
           "Prints every field of one of Lumivex's data files by name:\n"
           "  stability data    the data file beside a stability report (.dat): N, the run's setup and\n"
           "                    the readings\n"
           "  sensor settings   a settings file or the settings half of a reference (.cfg, .ref):\n"
           "                    68-byte records\n"
           "  reference data    the data half of a reference (.dat): 128-byte records\n"
           "A file with another name is taken only when its bytes fit one kind alone.\n"
           "\n"
           "  --json   print one JSON object instead of lines\n"
           "\n"
           "Exit status: 0 printed, 1 the file cannot be read or is none of these, 2 usage error.\n";
}

int runInspectCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    InspectOptions options;
    if (const std::string error = parseInspectCommand(args, options); !error.empty()) {
        err << "lumivex-cli inspect: " << error << "\n(see lumivex-cli inspect --help)\n";
        return kCliUsage;
    }
    if (options.help) {
        out << inspectCommandHelp();
        return kCliSuccess;
    }
    const auto refuse = [&](const std::string& why) {
        err << "lumivex-cli inspect: " << options.path << ": " << why << "\n";
        return kCliFileRefused;
    };
    std::error_code error;
    const auto status = std::filesystem::status(options.path, error);
    if (!std::filesystem::exists(status))
        return refuse("no such file");
    if (!std::filesystem::is_regular_file(status))
        return refuse("not a plain file");
    const auto size = std::filesystem::file_size(options.path, error);
    if (!error && size > kMaxInspectedBytes)
        return refuse("larger than any of the program's data files (" + std::to_string(size) + " bytes)");
    const auto bytes = readWholeFile(options.path, kMaxInspectedBytes);
    if (!bytes)
        return refuse("cannot be read");
    std::string why;
    const auto kind = inspectedKind(options.path, *bytes, why);
    if (!kind)
        return refuse(why);
    out << describeInspectedFile(*kind, options.path, *bytes, options.json);
    return kCliSuccess;
}

} // namespace lumivex
