// Any bytes as a reference data file: the reader takes exactly the whole 128-byte records (or
// refuses more than a list can number, changing nothing), hands the results over uncompared,
// keeps every text inside its field, reads from a file as from memory, and what it read can be
// compared, shown and reported without fault.
#include "base/Dialogs.h"
#include "foundation/Settings.h"
#include "multisensor/CMessList.h"
#include "multisensor/ReadingLists.h"
#include "multisensor/SensorSettingsList.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

class NoDialogs : public lumivex::Dialogs {
public:
    void message(const std::string&) override { std::abort(); } // reading never shows a box
    void problem(const std::string&) override { std::abort(); }
    bool askYesNo(const std::string&) override { return false; }
};

bool fits(const std::string& text, std::size_t size)
{
    return text.size() < size && text.find('\0') == std::string::npos;
}

bool fitsFields(const lumivex::CMessList& r)
{
    using lumivex::MessTextSize;
    return fits(r.SensorText, MessTextSize::Sensor) && fits(r.RedText, MessTextSize::Colour)
        && fits(r.GreenText, MessTextSize::Colour) && fits(r.BlueText, MessTextSize::Colour)
        && fits(r.HueText, MessTextSize::Value) && fits(r.SatText, MessTextSize::Value)
        && fits(r.IntensText, MessTextSize::Value) && fits(r.XText, MessTextSize::Value)
        && fits(r.YText, MessTextSize::Value) && fits(r.TempText, MessTextSize::Temp)
        && fits(r.ModeText, MessTextSize::Mode) && fits(r.RangeText, MessTextSize::Range);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace lumivex;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    NoDialogs dialogs;
    const std::size_t records = size / kMessRecordSize;

    ReadingLists lists(dialogs);
    lists.CreateEmptyReadings(5);
    const std::string before = lists.referenceDataBytes();
    const bool ok = lists.loadReferenceDataBytes(bytes);
    if (ok != (records <= static_cast<std::size_t>(ReadingLists::kMaxRecords)))
        std::abort();
    if (!ok) {
        if (lists.results().size() != 5 || lists.referenceDataBytes() != before)
            std::abort();
        return 0;
    }
    if (lists.results().size() != records || lists.reference().size() != records)
        std::abort();
    for (std::size_t i = 0; i < records; ++i) {
        const CMessList& result = *lists.results()[i];
        const CMessList& reference = *lists.reference()[i];
        if (result.ReadingFlags != (reference.ReadingFlags & 0xE1FF) || !fitsFields(reference))
            std::abort();
        // One decode normalises a record for good.
        if (decodeMessRecord(encodeMessRecord(reference)) != reference)
            std::abort();
    }

    // The same bytes as a reference pair on disk, judged with tolerances of every kind.
    const std::string base = "/tmp/fuzz_reference_" + std::to_string(getpid());
    SensorSettingsList settings(dialogs, DeviationSettings::fromSettings(Settings {}));
    settings.CreateDefaultSettings(5);
    for (const auto& r : settings.records()) {
        r->TestMode = static_cast<std::uint8_t>(r->Index % 4);
        r->MeasureTime = static_cast<std::uint8_t>(r->Index % 3);
        r->ChangeFlags = static_cast<std::uint16_t>(r->Index & 1 ? 0xC000 : 0);
        r->OptionFlags = 0x0003;
        r->DevIntensPercent = static_cast<std::int16_t>(r->Index * 3 - 6);
        r->DevXYAbs = 0.01f;
    }
    if (!settings.SaveSettingsFile(base + ".ref"))
        return 0;
    if (std::FILE* file = std::fopen((base + ".dat").c_str(), "wb")) {
        const bool written = std::fwrite(data, 1, size, file) == size;
        std::fclose(file);
        ReadingLists fromFile(dialogs);
        if (written) {
            const bool loaded = fromFile.LoadReference(base + ".ref", settings);
            if (loaded != (records > 0) || fromFile.referenceDataBytes() != lists.referenceDataBytes())
                std::abort();
            if (loaded && !fromFile.CompareWithReference(settings))
                std::abort();
            ReadingRow row;
            for (int k = 1; k <= static_cast<int>(records) && k <= 50; ++k)
                fromFile.rowOf(k, row);
            const std::string report = fromFile.testReportText("r", std::tm {});
            if (loaded && (report.size() < 2 || report.substr(report.size() - 2) != "\r\n"))
                std::abort();
        }
        std::remove((base + ".dat").c_str());
    }
    std::remove((base + ".ref").c_str());
    return 0;
}
