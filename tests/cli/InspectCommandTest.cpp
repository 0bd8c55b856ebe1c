#include "cli/InspectCommand.h"

#include "foundation/Settings.h"
#include "multisensor/CKonfList.h"
#include "multisensor/CMessList.h"
#include "multisensor/KonfListFile.h"
#include "stability/StabilityFiles.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace lumivex {
namespace {

using test::TempDir;
using test::writeFile;

const StabilitySetup kSetup {1, 7, 2, 3, 1, 1234};
const CBlinkData kReading {1, 0x0017, 85, -2, 84, 70000, 50, 1.5f, 0.25f, 0.5f};

// `readings` empty readings; `said` replaces the count the file gives.
std::string stabilityData(int readings, char said = 0)
{
    std::vector<CBlinkData> list;
    for (int n = 1; n <= readings; ++n)
        list.push_back({static_cast<std::uint16_t>(n)});
    std::string bytes = stabilityCompanionBytes(kSetup, list);
    bytes[0] = said ? said : bytes[0];
    return bytes;
}

template<class Image> std::string bytesOf(const Image& image)
{
    return std::string(reinterpret_cast<const char*>(image.data()), image.size());
}

std::string settingsFile(int records)
{
    std::string bytes;
    for (int i = 1; i <= records; ++i)
        bytes += bytesOf(encodeKonfRecord(CKonfList::Default(i, DeviationSettings::fromSettings(Settings {}))));
    return bytes;
}

std::string referenceFile()
{
    CMessList record = CMessList::Empty(1);
    record.RedText = "85";
    record.RangeText = "3 x 3";
    record.ReadingFlags = 0x0100;
    return bytesOf(encodeMessRecord(record));
}

struct KindCase {
    const char* name;
    const char* file;
    std::string bytes;
    std::optional<InspectedKind> kind;
    const char* refusal = ""; // part of the reason when refused
};

TEST(InspectCommand, tellsTheKindByEndingAndContentAndRefusesTheRest)
{
    using enum InspectedKind;
    const std::string text = "C:/lab/StabilityReport.txt   Data: 07.03.2024  Time: 09:05:03\r\n\r\n";
    const KindCase cases[] = {
        {"stability_data", "run.dat", stabilityData(2), StabilityData},
        {"stability_data_said_12_held_2", "run.DAT", stabilityData(2, 12), StabilityData},
        {"stability_data_with_a_trailing_part", "run.dat", stabilityData(2) + "\x01", StabilityData},
        {"stability_data_without_ending", "run", stabilityData(2), StabilityData},
        {"stability_data_said_more_without_ending", "run.bin", stabilityData(2, 12), std::nullopt,
            "not a stability data, sensor settings or reference data file"},
        {"three_empty_readings_are_also_two_settings", "run", stabilityData(3), std::nullopt, "more than one kind"},
        {"three_empty_readings_named_dat", "run.dat", stabilityData(3), StabilityData},
        {"settings_half_of_a_reference", "sensor.ref", settingsFile(5), SensorSettings},
        {"settings_without_ending", "sensor", settingsFile(5), SensorSettings},
        {"reference_data", "sensor.dat", referenceFile(), ReferenceData},
        {"reference_data_without_ending", "sensor.bak", referenceFile(), ReferenceData},
        // The range text fills its six bytes; the zero after them is the flags' low byte.
        {"reference_range_text_without_its_zero", "sensor.bak", referenceFile().replace(94, 6, "9 x 9 "), std::nullopt,
            "not a stability data"},
        {"settings_with_a_trailing_part", "sensor.cfg", settingsFile(2).substr(0, 70), SensorSettings},
        {"settings_without_a_whole_record", "sensor.cfg", settingsFile(1).substr(0, 67), std::nullopt,
            "no 68-byte record"},
        {"trailing_part_without_ending", "sensor", settingsFile(5) + "\x01", std::nullopt, "not a stability data"},
        {"text_report", "StabilityReport.txt", text, std::nullopt, "not a stability data"},
        {"empty", "sensor.cfg", "", std::nullopt, "empty"},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string why;
        EXPECT_EQ(inspectedKind(c.file, c.bytes, why), c.kind);
        EXPECT_NE(why.find(c.refusal), std::string::npos) << why;
    }
}

struct RunCase {
    const char* name;
    std::vector<std::string> args; // "@name": the file of that name in the test folder
    int status;
    const char* out; // the whole standard output; nullptr: not looked at
    const char* err; // part of standard error
};

TEST(InspectCommand, printsEveryFieldByNameAndExitsByWhatHappened)
{
    TempDir dir;
    writeFile(dir.file("run.dat"), stabilityCompanionBytes(kSetup, {kReading}));
    writeFile(dir.file("short.dat"), stabilityCompanionBytes(kSetup, {kReading}).substr(0, 4));
    writeFile(dir.file("sensor.cfg"), settingsFile(1) + "\x01");
    writeFile(dir.file("sensor.dat"), referenceFile());
    writeFile(dir.file("notes.txt"), "hello\r\n");
    std::filesystem::create_directory(dir.file("folder.dat"));
    const RunCase cases[] = {
        {"stability_text", {"@run.dat"}, 0,
            "file: @run.dat\nkind: stability-data\nN: 1\nreadingsHeld: 1\nignoredBytes: 0\n"
            "setup: ledIndex=1 rangeIndex=7 testMode=2 averaging=3 userArea=1 durationMs=1234\n"
            "reading: ReadingNo=1 Flags=0x0017 Red=85 Green=-2 Blue=84 Intensity=70000 Saturation=50 Hue=1.5 X=0.25 "
            "Y=0.5\n",
            ""},
        {"stability_json", {"--json", "@run.dat"}, 0,
            "{\"file\": \"@run.dat\", \"kind\": \"stability-data\", \"N\": 1, \"readingsHeld\": 1, \"ignoredBytes\": "
            "0, \"setup\": "
            "{\"ledIndex\": 1, \"rangeIndex\": 7, \"testMode\": 2, \"averaging\": 3, \"userArea\": 1, "
            "\"durationMs\": 1234}, \"readings\": [{\"ReadingNo\": 1, \"Flags\": 23, \"Red\": 85, \"Green\": -2, "
            "\"Blue\": 84, \"Intensity\": 70000, \"Saturation\": 50, \"Hue\": 1.5, \"X\": 0.25, \"Y\": 0.5}]}\n",
            ""},
        {"stability_without_setup", {"@short.dat", "--json"}, 0,
            "{\"file\": \"@short.dat\", \"kind\": \"stability-data\", \"N\": 1, \"readingsHeld\": 0, \"ignoredBytes\": "
            "0, \"setup\": null, "
            "\"readings\": []}\n",
            ""},
        {"settings_text", {"@sensor.cfg"}, 0,
            "file: @sensor.cfg\nkind: sensor-settings\nrecordsHeld: 1\nignoredBytes: 1\n"
            "record: Index=1 SensorNo=1 TestMode=3 MeasureTime=0 Range=0 PwmRuns=0 UserTime=800 Gain=100 "
            "XOffset=\"0.0000\" YOffset=\"0.0000\" DevIntensPercent=10 DevXYPercent=10 ChangeFlags=0xc000 "
            "OptionFlags=0x0007 DevIntensAbs=1000 DevXYAbs=0.00999999978 Distance=\"-.-\"\n",
            ""},
        {"reference_text", {"@sensor.dat"}, 0,
            "file: @sensor.dat\nkind: reference-data\nrecordsHeld: 1\nignoredBytes: 0\n"
            "record: Index=1 SensorText=\"1\" RedText=\"85\" GreenText=\"\" BlueText=\"\" HueText=\"\" SatText=\"\" "
            "IntensText=\"\" XText=\"\" YText=\"\" TempText=\"\" ModeText=\"\" RangeText=\"3 x 3\" "
            "ReadingFlags=0x0100\n",
            ""},
        {"refused_kind", {"@notes.txt"}, 1, "", "notes.txt: not a stability data"},
        {"no_such_file", {"@missing.dat"}, 1, "", "no such file"},
        {"a_folder", {"@folder.dat"}, 1, "", "not a plain file"},
        {"no_file_given", {"--json"}, 2, "", "give the file to inspect"},
        {"two_files", {"@run.dat", "@sensor.dat"}, 2, "", "one file only"},
        {"unknown_option", {"--all", "@run.dat"}, 2, "", "unknown option \"--all\""},
        {"help", {"--help"}, 0, nullptr, ""},
    };
    const auto resolve = [&](std::string text) {
        for (auto at = text.find('@'); at != std::string::npos; at = text.find('@', at + 1))
            text.replace(at, 1, (dir.path() / "").string());
        return text;
    };
    for (const RunCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args;
        for (const std::string& arg : c.args)
            args.push_back(resolve(arg));
        std::ostringstream out, err;
        EXPECT_EQ(runInspectCommand(args, out, err), c.status);
        if (c.out)
            EXPECT_EQ(out.str(), resolve(c.out));
        EXPECT_NE(err.str().find(c.err), std::string::npos) << err.str();
    }
}

} // namespace
} // namespace lumivex
