#include "colour/ChartImage.h"

#include "base/Dialogs.h"
#include "colour/CDib.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

namespace lumivex {

std::string_view ChartImageFileName(int choice)
{
    switch (choice) {
    case 0:
        return "CIE1931_2.bmp";
    case 1:
        return "CIE1964_10.bmp";
    default:
        return "CIE-Normfarbtafel.bmp";
    }
}

std::string ChartImagePath(const std::string& workingFolder, const std::string& ownChartFolder, int choice)
{
    namespace fs = std::filesystem;
    const fs::path name {std::string(ChartImageFileName(choice))};
    const fs::path inWorkingFolder = fs::path(workingFolder) / name;
    std::error_code error;
    if (ownChartFolder.empty() || fs::is_regular_file(inWorkingFolder, error))
        return inWorkingFolder.string();
    return (fs::path(ownChartFolder) / name).string();
}

ChartImageLoad LoadChartImage(const std::string& path, CDib& image, Dialogs& dialogs)
{
    image.Free();
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        return ChartImageLoad::CannotOpen;
    if (!image.Read(file.get())) {
        dialogs.message(std::string(CDib::kReadErrorText));
        return ChartImageLoad::ReadError;
    }
    return ChartImageLoad::Loaded;
}

} // namespace lumivex
