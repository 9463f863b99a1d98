#include "projects/SettingsLocation.h"
#include "projects/AppConfig.h"
#include "support/Files.h"
#include "support/ScopedHome.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

TEST(SettingsLocation, CommandLineChoosesTheFolderAndTheFile)
{
    ScopedHome Home;
    const QString Program = Home.Path() + "/program";
    const QString Named = Home.Path() + "/named";
    const QString User = Home.ConfigDir() + "/Harvo";
    struct Case {
        QStringList Arguments;
        QString Path;
        TSettingsMode Mode;
    };
    const Case Cases[] = {
        { {}, User + "/hrv.ini", smUserFolder },
        { { "-start", "A,B", "-close" }, User + "/hrv.ini", smUserFolder },
        { { "-appsettingsdir" }, Program + "/hrv.ini", smProgramFolder },
        { { "-settingsdir", Named }, Named + "/hrv.ini", smNamedFolder },
        { { "-config", "my.ini" }, User + "/my.ini", smUserFolder },
        { { "-appsettingsdir", "-config", "my.ini" }, Program + "/my.ini", smProgramFolder },
        { { "-settingsdir", Named, "-config", "my.ini" }, Named + "/my.ini", smNamedFolder },
        { { "-config", "my.ini", "-settingsdir", Named }, Named + "/my.ini", smNamedFolder },
        { { "-config", "my.ini", "-usersettingsdir" }, User + "/my.ini", smUserFolder },
        { { "-config", "/elsewhere/my.ini" }, "/elsewhere/my.ini", smUserFolder },
        { { "-config", "sub\\my.ini" }, User + "/sub/my.ini", smUserFolder },
        { { "-config", "" }, User + "/hrv.ini", smUserFolder },
        { { "-Config", "my.ini" }, User + "/hrv.ini", smUserFolder },
        { { "-appsettingsdir", "-settingsdir" }, Program + "/hrv.ini", smProgramFolder },
        { { "-config", "-appsettingsdir" }, User + "/-appsettingsdir", smUserFolder },
        { { "-settingsdir", Named + QString(300, QChar(u'd')) },
            Named + QString(300, QChar(u'd')) + "/hrv.ini", smNamedFolder },
    };
    for (const Case& C : Cases) {
        TAppConfig Config(C.Arguments, Program + "/");
        EXPECT_EQ(Config.GetConfigPath(false), C.Path) << C.Arguments.join(' ').toStdString();
        EXPECT_EQ(Config.Location().SettingsMode(), C.Mode) << C.Arguments.join(' ').toStdString();
    }
}

TEST(SettingsLocation, TheProgramFolderStandsInWhenTheUserFolderIsUnusable)
{
    ScopedHome Home;
    const QString Program = Home.Path() + "/program";
    TSettingsLocation Location({}, Program);
    EXPECT_EQ(Location.GetAppDataDir(QString(), QString()), Program);
    EXPECT_EQ(Location.GetAppConfigPath("hrv.ini", QString()), "hrv.ini");

    WriteFile(Home.ConfigDir(), "a file where the folder should be");
    EXPECT_EQ(Location.GetAppDataDir("Harvo", "hrv.ini"), Program);
}

TEST(SettingsLocation, FirstStartCarriesTheProgramFoldersFileOverOnce)
{
    ScopedHome Home;
    const QString Program = Home.Path() + "/program";
    const QString User = Home.ConfigDir() + "/Harvo";
    ASSERT_TRUE(QDir().mkpath(Program + "/folder.ini"));
    const QByteArray Stored = "\xEF\xBB\xBFHrvProjectsN=1\r\nHrvProjects[1].ProjectName=Moved\r\n";
    WriteFile(Program + "/hrv.ini", Stored);
    WriteFile(Program + "/.hidden.ini", "x");
    WriteFile(Program + "/extra.ini", "x");
    const auto UserFiles
        = [&] { return QDir(User).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); };

    {
        TAppConfig Config({}, Program);
        TWebsiteProjectList Projects;
        Config.LoadConfig(Projects);
        ASSERT_EQ(Projects.Count(), 1);
        EXPECT_EQ(Projects.GetProject(0)->ProjectName(), "Moved");
        EXPECT_EQ(UserFiles(), QStringList({ "hrv.ini" }));
    }
    // Once the folder exists nothing is copied, not even a missing file, and
    // the user's own file is kept.
    ASSERT_TRUE(QFile::remove(User + "/hrv.ini"));
    EXPECT_EQ(TAppConfig({}, Program).GetConfigPath(true), User + "/hrv.ini");
    EXPECT_EQ(UserFiles(), QStringList());
    WriteFile(User + "/hrv.ini", "own");
    TAppConfig({}, Program).GetConfigPath(true);
    EXPECT_EQ(ReadFile(User + "/hrv.ini"), "own");

    // Wildcards copy plain, visible files only.
    ASSERT_TRUE(QDir(User).removeRecursively());
    EXPECT_EQ(TSettingsLocation({}, Program).GetAppDataDir("Harvo", " ;*.ini ;\thrv.ini "), User);
    EXPECT_EQ(UserFiles(), QStringList({ "extra.ini", "hrv.ini" }));
    EXPECT_EQ(ReadFile(User + "/hrv.ini"), Stored);
}
