#include "support/FixtureSite.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedHttpServer.h"

#include "projects/AppConfig.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

namespace {

QByteArray ReadFile(const QString& Path)
{
    QFile File(Path);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray("<missing>");
}

struct CliResult {
    int ExitCode = -1;
    QStringList Lines; // standard output
    QString Errors; // standard error
};

// Runs harvo-cli over a configuration file written from the projects given.
class ConsoleRunnerTest : public ::testing::Test {
protected:
    std::unique_ptr<TWebsiteProject> Project(const QString& Name, const QString& URL)
    {
        auto P = std::make_unique<TWebsiteProject>();
        P->SetProjectName(Name);
        P->SetWebsiteURL(URL);
        P->SetOutputFolder("{OutDir}/{ProjectName}");
        P->SetRelativePathLinks(true);
        P->SetChecked(true);
        return P;
    }

    void SaveConfig(const QString& OutDir = QString())
    {
        TAppConfig Config({ "-config", ConfigPath() }, FTemp.path());
        ASSERT_TRUE(Config.SaveConfig(FProjects, QString(), OutDir));
    }

    QString ConfigPath() const { return FTemp.path() + "/hrv.ini"; }
    QString OutDir() const { return FTemp.path() + "/out"; }

    QProcess* Start(const QStringList& Arguments)
    {
        auto* Process = new QProcess;
        FProcess.reset(Process);
        Process->start(HARVO_CLI_PATH, QStringList { "-config", ConfigPath() } + Arguments);
        EXPECT_TRUE(Process->waitForStarted(10000));
        return Process;
    }

    CliResult Finish(int TimeoutMs = 60000)
    {
        CliResult Result;
        EXPECT_TRUE(FProcess->waitForFinished(TimeoutMs));
        Result.ExitCode = FProcess->exitCode();
        Result.Lines = QString::fromUtf8(FProcess->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        Result.Errors = QString::fromUtf8(FProcess->readAllStandardError());
        return Result;
    }

    CliResult Run(const QStringList& Arguments)
    {
        Start(Arguments);
        return Finish();
    }

    QTemporaryDir FTemp;
    TWebsiteProjectList FProjects;
    std::unique_ptr<QProcess> FProcess;
};

TEST_F(ConsoleRunnerTest, CopiesTheFixtureSiteWithItsBytesAndLinks)
{
    NginxServer Server(FixtureSiteOptions());
    FProjects.AddProject(Project("Site", Server.BaseURL()));
    SaveConfig(OutDir());
    const CliResult Result = Run({ "-start", "Site" });
    ASSERT_EQ(Result.ExitCode, 0) << Result.Errors.toStdString();
    EXPECT_EQ(Result.Lines.first(), "Project \"Site\"...");
    EXPECT_EQ(Result.Lines.last(), "Completed.");
    // index.html#top maps below the file index.html, which cannot be a folder as well.
    EXPECT_TRUE(Result.Lines.contains(
        "Unable to create directory " + QDir::toNativeSeparators(OutDir() + "/Site/index.html")));
    EXPECT_EQ(Result.Lines.at(Result.Lines.size() - 2),
        "Downloaded: 16, already existed: 0, not changed: 0, empty: 0, failed: 1.");

    const QString Root = OutDir() + "/Site/";
    const QString Site = FixtureSiteFolder() + "/";
    for (const char* File : { "img/logo.png", "style/site.css", "js/app.js" })
        EXPECT_EQ(ReadFile(Root + File), ReadFile(Site + File)) << File;
    for (const char* Page :
        { "index.html", "about.html/index.html", "docs/index.html", "docs/sub/deep.html/index.html",
            "scripts.html/index.html", "from-script.html/index.html", "noscript.html/index.html" })
        EXPECT_TRUE(QFile::exists(Root + Page)) << Page;

    const QString Russian = QString::fromUtf8(ReadFile(Root + "ru/index.html"));
    EXPECT_TRUE(Russian.contains(QString::fromUtf8("Привет"))) << Russian.toStdString();
    EXPECT_TRUE(Russian.contains("content=\"text/html; charset=utf-8\"")) << Russian.toStdString();

    const QString Deep = QString::fromUtf8(ReadFile(Root + "docs/sub/deep.html/index.html"));
    for (const char* Link :
        { "href=\"../../../style/site.css\"", "src=\"../../../img/logo.png\"", "href=\"../../index.html\"" })
        EXPECT_TRUE(Deep.contains(Link)) << Link;

    QDirIterator Files(FTemp.path(), QDir::Files, QDirIterator::Subdirectories);
    while (Files.hasNext()) {
        const QString Path = Files.next();
        EXPECT_TRUE(Path.startsWith(Root) || Path == ConfigPath()) << Path.toStdString();
    }
}

TEST_F(ConsoleRunnerTest, RunsEveryNamedProjectAndReportsMissingNames)
{
    ScriptedHttpServer Server;
    Server.On("/", ScriptedReply::Ok("page"));
    FProjects.AddProject(Project("A", Server.Url("/")));
    FProjects.AddProject(Project("b", Server.Url("/")));
    SaveConfig(OutDir());
    const CliResult Result = Run({ "-start", "A,B,A" });
    EXPECT_EQ(Result.ExitCode, 1) << Result.Errors.toStdString();
    EXPECT_EQ(Result.Lines.filter("Project \"A\"...").size(), 2);
    EXPECT_TRUE(Result.Lines.contains("Project \"B\" not found."));
    EXPECT_EQ(Result.Lines.last(), "Completed.");
}

TEST_F(ConsoleRunnerTest, RunsTheCheckedProjectsOfTheView)
{
    ScriptedHttpServer Server;
    Server.On("/", ScriptedReply::Ok("page"));
    FProjects.AddProject(Project("On", Server.Url("/")));
    FProjects.AddProject(Project("Off", Server.Url("/")));
    FProjects.GetProject(1)->SetChecked(false);
    SaveConfig();
    const CliResult Result = Run({ "-checked", "-outdir", OutDir() });
    EXPECT_EQ(Result.ExitCode, 0) << Result.Errors.toStdString();
    EXPECT_TRUE(Result.Lines.contains("Project \"On\"..."));
    EXPECT_FALSE(Result.Lines.join('\n').contains("Off"));
    EXPECT_EQ(ReadFile(OutDir() + "/On/index.html"), "page");
}

TEST_F(ConsoleRunnerTest, UsageErrorsAndAMissingOutputFolderExitWithTwo)
{
    FProjects.AddProject(Project("A", "http://127.0.0.1:9/"));
    SaveConfig();
    const QList<QStringList> Cases { {}, { "-start" }, { "-start", "A", "-checked" }, { "-bogus" },
        { "-start", "A" } };
    for (const QStringList& Arguments : Cases) {
        const CliResult Result = Run(Arguments);
        EXPECT_EQ(Result.ExitCode, 2) << Arguments.join(' ').toStdString();
        EXPECT_FALSE(Result.Errors.isEmpty());
        EXPECT_TRUE(Result.Lines.isEmpty());
    }
    EXPECT_TRUE(Run({ "-start", "A" }).Errors.contains("Please, enter Output Folder"));
    EXPECT_FALSE(QFile::exists(OutDir()));
}

TEST_F(ConsoleRunnerTest, AnErrorEndsTheRunWithoutSummaryAndSkipsLaterProjects)
{
    ScriptedHttpServer Server;
    Server.On("/", ScriptedReply::Ok("page"));
    auto Broken = Project("Broken", Server.Url("/"));
    Broken->ReplacePatterns().Add("(unclosed");
    Broken->ReplaceRules().Add("x");
    FProjects.AddProject(std::move(Broken));
    FProjects.AddProject(Project("Later", Server.Url("/")));
    SaveConfig(OutDir());
    const CliResult Result = Run({ "-start", "Broken,Later" });
    EXPECT_EQ(Result.ExitCode, 1);
    EXPECT_EQ(Result.Lines, QStringList({ "Project \"Broken\"..." }));
    EXPECT_TRUE(Result.Errors.contains("error")) << Result.Errors.toStdString();
}

TEST_F(ConsoleRunnerTest, InterruptIsBreakAfterTheCurrentURL)
{
    ScriptedHttpServer Server;
    Server.SetFallback([&](const RecordedRequest& Request) {
        ScriptedReply Reply = ScriptedReply::Ok("<a href=\"" + Request.Path + "x\">next</a>");
        Reply.DelayMs = 200;
        return Reply;
    });
    FProjects.AddProject(Project("Endless", Server.Url("/")));
    FProjects.AddProject(Project("Second", Server.Url("/")));
    SaveConfig(OutDir());
    QProcess* Process = Start({ "-start", "Endless,Second" });
    QString Output;
    for (int I = 0; I < 100 && !Output.contains("Downloading [ 2"); ++I) {
        Process->waitForReadyRead(100);
        Output += QString::fromUtf8(Process->readAllStandardOutput());
    }
    ::kill(static_cast<pid_t>(Process->processId()), SIGINT);
    CliResult Result = Finish(10000);
    Result.Lines = (Output + Result.Lines.join('\n')).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(Result.ExitCode, 0) << Result.Errors.toStdString();
    EXPECT_EQ(Result.Lines.last(), "Terminated.");
    EXPECT_TRUE(Result.Lines.at(Result.Lines.size() - 2).startsWith("Downloaded: "));
    EXPECT_FALSE(Result.Lines.contains("Project \"Second\"..."));
}

} // namespace
