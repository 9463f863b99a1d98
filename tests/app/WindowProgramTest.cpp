#include "support/Files.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedHttpServer.h"

#include "projects/AppConfig.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// What the window program left behind when it ended by itself.
struct TWindowResult {
    bool Finished = false;
    int ExitCode = -1;
    QString Errors;
};

// Runs the window program on the offscreen platform and waits a bounded time
// for it to end; a program still running then is killed.
TWindowResult RunWindow(const QStringList& Arguments, const QString& CacheDir)
{
    QProcess Window;
    QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();
    Environment.insert("QT_QPA_PLATFORM", "offscreen");
    Environment.insert("XDG_CACHE_HOME", CacheDir);
    Window.setProcessEnvironment(Environment);
    Window.start(HARVO_PATH, Arguments);
    TWindowResult Result;
    Result.Finished = Window.waitForFinished(60000);
    if (Result.Finished && Window.exitStatus() == QProcess::NormalExit)
        Result.ExitCode = Window.exitCode();
    Result.Errors = QString::fromLocal8Bit(Window.readAllStandardError());
    return Result;
}

// With "-start" and "-close" a start-up run that cannot begin or names a
// project that is not there ends the program with the reason on standard
// error, instead of a box or a window that nobody closes.
TEST(WindowProgram, UnattendedStartUpErrorsEndTheProgram)
{
    ScriptedHttpServer Server;
    Server.On("/", ScriptedReply::Ok("page"));
    struct Case {
        const char* OutDir;
        const char* Names;
        int ExitCode;
        QStringList Errors;
        bool SiteCopied;
    };
    const Case Cases[] = {
        { "", "Site", 2, { "Please, enter Output Folder" }, false },
        { "out", "Missing", 1, { "Project \"Missing\" not found." }, false },
        { "out", "Gone,Site,Lost", 1, { "Project \"Gone\" not found.", "Project \"Lost\" not found." },
            true },
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Names);
        QTemporaryDir Settings;
        TWebsiteProjectList Projects;
        auto Project = std::make_unique<TWebsiteProject>();
        Project->SetProjectName("Site");
        Project->SetWebsiteURL(Server.Url("/"));
        Project->SetOutputFolder("{OutDir}/{ProjectName}");
        Projects.AddProject(std::move(Project));
        const QString OutDir = *C.OutDir ? Settings.filePath(C.OutDir) : QString();
        TAppConfig Config({ "-settingsdir", Settings.path() }, Settings.path());
        ASSERT_TRUE(Config.SaveConfig(Projects, QString(), OutDir));

        const TWindowResult Result = RunWindow(
            { "-settingsdir", Settings.path(), "-start", C.Names, "-close" }, Settings.filePath("cache"));
        EXPECT_TRUE(Result.Finished) << Result.Errors.toStdString();
        if (!Result.Finished)
            continue;
        EXPECT_EQ(Result.ExitCode, C.ExitCode) << Result.Errors.toStdString();
        for (const QString& Error : C.Errors)
            EXPECT_TRUE(Result.Errors.contains(Error)) << Result.Errors.toStdString();
        EXPECT_FALSE(Result.Errors.contains("\"Site\"")) << Result.Errors.toStdString();
        EXPECT_EQ(QFile::exists(Settings.filePath("out/Site/index.html")), C.SiteCopied);
    }
}

// The window program started with "-start" and "-close" runs unattended: a
// configuration that cannot be saved at the end is reported on standard
// error with a non-zero status, and no box waits for an answer.
TEST(WindowProgram, UnattendedCloseReportsAFailedSaveAndExits)
{
    ScriptedHttpServer Server;
    Server.On("/", ScriptedReply::Ok("page"));
    QTemporaryDir Settings;
    TWebsiteProjectList Projects;
    for (int I = 0; I < 40; ++I) {
        auto Project = std::make_unique<TWebsiteProject>();
        Project->SetProjectName(QStringLiteral("Site %1").arg(I));
        Project->SetWebsiteURL(Server.Url("/"));
        Project->SetOutputFolder("{OutDir}/{ProjectName}");
        Projects.AddProject(std::move(Project));
    }
    TAppConfig Config({ "-settingsdir", Settings.path() }, Settings.path());
    ASSERT_TRUE(Config.SaveConfig(Projects, QString(), Settings.path() + "/out"));
    const QString ConfigPath = Settings.path() + "/hrv.ini";
    const QByteArray Previous = ReadFile(ConfigPath);
    ASSERT_GT(Previous.size(), 4096);

    // Files may grow to 2 KiB only; the signal that would end the program
    // is ignored, so the write fails with "file too large" instead.
    QProcess Window;
    Window.start("/bin/sh",
        { "-c", "trap '' XFSZ; ulimit -f 4; exec \"$0\" \"$@\"", HARVO_PATH, "-settingsdir", Settings.path(),
            "-start", "Site 0", "-close" });
    ASSERT_TRUE(Window.waitForFinished(120000)) << Window.readAllStandardError().constData();
    const QString Errors = QString::fromLocal8Bit(Window.readAllStandardError());
    EXPECT_EQ(Window.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(Window.exitCode(), 1) << Errors.toStdString();
    EXPECT_TRUE(Errors.contains("Cannot create file \"" + ConfigPath + "\". ")) << Errors.toStdString();
    EXPECT_EQ(ReadFile(ConfigPath), Previous);
    EXPECT_EQ(ReadFile(Settings.path() + "/out/Site 0/index.html"), "page");
}

} // namespace
