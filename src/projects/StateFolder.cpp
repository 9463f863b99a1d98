#include "StateFolder.h"

#include <QDir>
#include <QStandardPaths>

QString CrawlStateFolder(const QString& Given, const QString& Configured)
{
    QString Folder = !Given.isEmpty() ? Given : Configured;
    if (Folder.isEmpty())
        Folder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
            + QStringLiteral("/Harvo");
    return QDir::cleanPath(QDir::current().absoluteFilePath(Folder));
}
