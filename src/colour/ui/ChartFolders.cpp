#include "colour/ui/ChartFolders.h"

#include "colour/ChartImage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace lumivex {

std::string ownChartFolder(int choice)
{
    const QString besideProgram = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("charts"));
    const QString name = QString::fromLatin1(ChartImageFileName(choice));
    if (QFileInfo(QDir(besideProgram).filePath(name)).isFile())
        return QDir::toNativeSeparators(besideProgram).toStdString();
    return LUMIVEX_CHART_DIR;
}

} // namespace lumivex
