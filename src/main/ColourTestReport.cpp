#include "main/ColourTestReport.h"

#include "base/Dialogs.h"
#include "foundation/Settings.h"
#include "foundation/StringTable.h"
#include "multisensor/ReadingLists.h"

#include <filesystem>
#include <system_error>

namespace lumivex {

std::string colourTestReportPath(const Settings& settings, Dialogs& dialogs, bool forSaving)
{
    if (settings.selectDatei != 1)
        return settings.resultFile;
    const std::string filter(stringText(StringId::TestReportFilter));
    return forSaving ? dialogs.askSaveFileName(kColourReportDialogName, filter)
                     : dialogs.askOpenFileName(kColourReportDialogName, filter);
}

bool SaveColourTestReport(ReadingLists& readings, const Settings& settings, Dialogs& dialogs)
{
    const std::string path = colourTestReportPath(settings, dialogs, true);
    // A cancelled dialog is no failure: nothing to write and nothing to tell.
    return !path.empty() && readings.WriteTestReport(path);
}

bool SaveTestReportOfList(ReadingLists& readings, const Settings& settings, Dialogs& dialogs)
{
    if (readings.results().empty()) {
        dialogs.message(std::string(stringText(StringId::NoMeasurementData)));
        return false;
    }
    return SaveColourTestReport(readings, settings, dialogs);
}

bool OpenColourTestReport(const Settings& settings, Dialogs& dialogs)
{
    const std::string path = colourTestReportPath(settings, dialogs, false);
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error))
        return false;
    if (dialogs.openInAssociatedProgram(path))
        return true;
    dialogs.message(std::string(stringText(StringId::CannotReadTestReport)));
    return false;
}

} // namespace lumivex
