#include "support/Files.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedHttpServer.h"

#include "projects/AppConfig.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

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
