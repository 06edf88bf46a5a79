#include "app/DataFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace vellum {

QString locateDataFile(const QString& name)
{
    return locateDataFile(name, QCoreApplication::applicationDirPath());
}

QString locateDataFile(const QString& name, const QString& programFolder)
{
    const QDir folder(programFolder);
    for (const QString& candidate : {name, QStringLiteral(VELLUM_DATA_FROM_BIN "/") + name})
        if (folder.exists(candidate))
            return QDir::cleanPath(folder.filePath(candidate));
    return QStandardPaths::locate(QStandardPaths::AppDataLocation, name);
}

} // namespace vellum
