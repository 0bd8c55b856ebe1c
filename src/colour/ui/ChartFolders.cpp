#include "colour/ui/ChartFolders.h"

#include "colour/ChartImage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace lumivex {

std::string ownChartFolderFrom(const std::string& programFolder, int choice)
{
    const QDir program(QString::fromStdString(programFolder));
    const QString name = QString::fromLatin1(ChartImageFileName(choice));
    const QString candidates[] = {
        program.filePath(QStringLiteral("charts")),
        QDir::cleanPath(program.filePath(QStringLiteral(LUMIVEX_INSTALLED_CHART_DIR_FROM_BIN))),
    };
    for (const QString& folder : candidates) {
        if (QFileInfo(QDir(folder).filePath(name)).isFile())
            return QDir::toNativeSeparators(folder).toStdString();
    }
    return LUMIVEX_CHART_DIR;
}

std::string ownChartFolder(int choice)
{
    return ownChartFolderFrom(QCoreApplication::applicationDirPath().toStdString(), choice);
}

} // namespace lumivex
