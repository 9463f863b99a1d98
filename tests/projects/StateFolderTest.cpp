#include "projects/StateFolder.h"
#include "support/QStringPrinter.h"
#include "support/ScopedHome.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

TEST(StateFolder, TheOptionComesBeforeTheConfigurationAndTheCacheFolderBeforeHome)
{
    ScopedHome Home;
    const QString Cache = Home.Path() + "/cache";
    struct Case {
        QString Given, Configured;
        QByteArray CacheHome;
        QString Expected;
    };
    const Case Cases[] = {
        { "/given", "/configured", QFile::encodeName(Cache), "/given" },
        { "", "/configured", QFile::encodeName(Cache), "/configured" },
        { "", "", QFile::encodeName(Cache), Cache + "/Harvo" },
        { "", "", "", Home.Path() + "/.cache/Harvo" },
        { "relative/", "", "", QDir::currentPath() + "/relative" },
    };
    for (const Case& C : Cases) {
        ScopedEnv CacheHome("XDG_CACHE_HOME", C.CacheHome);
        EXPECT_EQ(CrawlStateFolder(C.Given, C.Configured), C.Expected)
            << C.Given.toStdString() << " | " << C.Configured.toStdString() << " | " << C.CacheHome.data();
    }
}
