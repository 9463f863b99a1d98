#include "FixtureSite.h"

#include <QDir>

QString FixtureSiteFolder()
{
    const QString Data = qEnvironmentVariable("HARVO_TEST_DATA");
    if (Data.isEmpty())
        throw ENginxError(QStringLiteral("HARVO_TEST_DATA is not set"));
    return QDir(Data).filePath(QStringLiteral("site"));
}

NginxOptions FixtureSiteOptions()
{
    NginxOptions Options;
    Options.RootFolder = FixtureSiteFolder();
    Options.ServerConfig
        = QStringLiteral("sub_filter '%1' '$server_addr:$server_port';\nsub_filter_once off;")
              .arg(QLatin1String(FixtureHostPlaceholder));
    Options.AddCharset(QStringLiteral("/ru/"), QStringLiteral("windows-1251"));
    Options.AddRedirect(QStringLiteral("/old-about"), 301, QStringLiteral("/about.html"));
    return Options;
}
