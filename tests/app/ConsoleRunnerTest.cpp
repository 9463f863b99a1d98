#include "CliProcess.h"

#include "support/ChildProcess.h"
#include "support/FixtureSite.h"
#include "support/ProxyServer.h"
#include "support/QStringPrinter.h"
#include "support/ScopedEnv.h"
#include "support/ScopedHome.h"
#include "support/ScriptedHttpServer.h"

#include "HarvoVersion.h"
#include "engine/crawl/ProjectRuns.h"
#include "engine/store/CrawlState.h"
#include "projects/AppConfig.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

namespace {

QByteArray ReadFile(const QString& Path)
{
    QFile File(Path);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray("<missing>");
}

// A file where a store would be: forgetting it does not read it.
void MakeStoreFile(const QString& Path)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(Path).path()));
    QFile File(Path);
    ASSERT_TRUE(File.open(QIODevice::WriteOnly)) << Path.toStdString();
}

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

    void SaveConfig(const QString& OutDir = QString(), const QString& GroupFilter = QString())
    {
        TAppConfig Config({ "-config", ConfigPath() }, FTemp.path());
        ASSERT_TRUE(Config.SaveConfig(FProjects, GroupFilter, OutDir));
    }

    QString ConfigPath() const { return FTemp.path() + "/hrv.ini"; }
    QString OutDir() const { return FTemp.path() + "/out"; }

    CliResult Run(const QStringList& Arguments)
    {
        return RunCli(QStringList { "-config", ConfigPath() } + Arguments);
    }

    QTemporaryDir FTemp;
    TWebsiteProjectList FProjects;
};

TEST_F(ConsoleRunnerTest, CopiesTheFixtureSiteWithItsBytesAndLinks)
{
    NginxServer Server(FixtureSiteOptions());
    FProjects.AddProject(Project("Site", Server.BaseURL()));
    SaveConfig(OutDir());
    const CliResult Result = Run({ "-start", "Site" });
    // The URL that cannot be saved makes the status 3.
    ASSERT_EQ(Result.ExitCode, 3) << Result.Errors.toStdString();
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
        { "-start", "A" }, { "-start", "A", "--state-dir" }, { "-start", "A", "--changes" },
        { "-start", "A", "--changes=" }, { "--forget" }, { "--forget", "-checked" },
        { "--forget", "--list" } };
    for (const QStringList& Arguments : Cases) {
        const CliResult Result = Run(Arguments);
        EXPECT_EQ(Result.ExitCode, 2) << Arguments.join(' ').toStdString();
        EXPECT_FALSE(Result.Errors.isEmpty());
        EXPECT_TRUE(Result.Lines.isEmpty());
    }
    EXPECT_TRUE(Run({ "-start", "A" }).Errors.contains("Please, enter Output Folder"));
    EXPECT_FALSE(QFile::exists(OutDir()));
}

// The stores are plain files made where each project's run keeps its own.
TEST_F(ConsoleRunnerTest, ForgetDeletesTheStoresOfTheNamedProjectsAndRunsNothing)
{
    for (const char* Name : { "A", "B", "C" })
        FProjects.AddProject(Project(Name, QStringLiteral("http://127.0.0.1:9/%1/").arg(Name)));
    const QString Configured = FTemp.path() + "/state";
    TAppConfig Config({ "-config", ConfigPath() }, FTemp.path());
    ASSERT_TRUE(Config.SaveConfig(FProjects, QString(), OutDir(), TRunSettings(), Configured));
    auto StoreOf = [&](int I) {
        const TWebsiteProject& P = *FProjects.GetProject(I);
        return CrawlStatePath(Configured, P.WebsiteURL(), ExpandOutputFolder(P, OutDir()));
    };
    MakeStoreFile(StoreOf(0));
    MakeStoreFile(StoreOf(0) + "-wal");
    MakeStoreFile(StoreOf(2));

    CliResult Result = Run({ "--forget", "-start", "A,B,Missing" });
    EXPECT_EQ(Result.ExitCode, 1) << Result.Errors.toStdString();
    EXPECT_EQ(Result.Lines,
        (QStringList { "Project \"Missing\" not found.", "Saved state forgotten: A", "No saved state: B" }));
    EXPECT_EQ(QDir(Configured).entryList(QDir::Files), QStringList { QFileInfo(StoreOf(2)).fileName() });
    EXPECT_FALSE(QFile::exists(OutDir()));

    // The option's folder comes before the configuration's.
    Result = Run({ "--forget", "-start", "C", "--state-dir", FTemp.path() + "/other" });
    EXPECT_EQ(Result.ExitCode, 0) << Result.Errors.toStdString();
    EXPECT_EQ(Result.Lines, QStringList { "No saved state: C" });
    EXPECT_TRUE(QFile::exists(StoreOf(2)));
    Result = Run({ "--forget", "-start", "C" });
    EXPECT_EQ(Result.Lines, QStringList { "Saved state forgotten: C" });
    EXPECT_FALSE(QFile::exists(StoreOf(2)));
}

TEST_F(ConsoleRunnerTest, ForgetWithAURLDeletesTheStoreOfItsQuickCopyWithoutMakingItsFolder)
{
    const QString StateDir = FTemp.path() + "/state";
    const QString Store = CrawlStatePath(StateDir, "http://127.0.0.1:9/docs/", OutDir());
    MakeStoreFile(Store);
    const CliResult Result
        = RunCli({ "--forget", "--state-dir", StateDir, "-o", OutDir(), "127.0.0.1:9/docs/" });
    EXPECT_EQ(Result.ExitCode, 0) << Result.Errors.toStdString();
    EXPECT_EQ(Result.Lines, QStringList { "Saved state forgotten: 127.0.0.1" });
    EXPECT_FALSE(QFile::exists(Store));
    EXPECT_FALSE(QFile::exists(OutDir()));
}

TEST_F(ConsoleRunnerTest, ChangesListsTheRunsFilesAndAListThatCannotBeWrittenFailsTheRun)
{
    ScriptedHttpServer Server;
    Server.On("/", ScriptedReply::Ok("page"));
    FProjects.AddProject(Project("A", Server.Url("/")));
    SaveConfig(OutDir());
    const QString List = FTemp.path() + "/changed.txt";
    CliResult Result = Run({ "-start", "A", "--changes", List, "--state-dir", FTemp.path() + "/state" });
    EXPECT_EQ(Result.ExitCode, 0) << Result.Errors.toStdString();
    EXPECT_TRUE(QFile::exists(List));

    const QString Unwritable = FTemp.path() + "/missing/changed.txt";
    Result = Run({ "-start", "A", "--changes", Unwritable, "--state-dir", FTemp.path() + "/state" });
    EXPECT_EQ(Result.ExitCode, 1);
    EXPECT_EQ(Result.Lines.last(), "Completed.");
    EXPECT_TRUE(Result.Errors.startsWith(
        "harvo-cli: cannot write the list of changed files \"" + Unwritable + "\": "))
        << Result.Errors.toStdString();
    EXPECT_FALSE(QFile::exists(Unwritable));
}

TEST_F(ConsoleRunnerTest, AnErrorEndsTheRunWithoutSummaryAndSkipsLaterProjects)
{
    ScriptedHttpServer Server;
    Server.On("/", ScriptedReply::Ok("page"));
    auto Broken = Project("Broken", Server.Url("/"));
    Broken->ReplaceRules().push_back({ "(unclosed", "x" });
    FProjects.AddProject(std::move(Broken));
    FProjects.AddProject(Project("Later", Server.Url("/")));
    SaveConfig(OutDir());
    const CliResult Result = Run({ "-start", "Broken,Later" });
    EXPECT_EQ(Result.ExitCode, 1);
    EXPECT_EQ(Result.Lines, QStringList({ "Project \"Broken\"..." }));
    EXPECT_TRUE(Result.Errors.contains("error")) << Result.Errors.toStdString();
}

TEST_F(ConsoleRunnerTest, ASignalStopsTheTransferInProgressAndTheStatusTellsWhich)
{
    ScriptedHttpServer Server;
    Server.On("/", ScriptedReply::Ok("<a href=\"endless.bin\">file</a>"));
    // A file that never ends: only Break can stop it.
    Server.On("/endless.bin", ScriptedReply::Stream("x", -1, 20, "application/octet-stream"));
    FProjects.AddProject(Project("Endless", Server.Url("/")));
    FProjects.AddProject(Project("Second", Server.Url("/")));
    SaveConfig(OutDir());
    const struct {
        int Signal;
        int Status;
    } Cases[] = { { SIGINT, 130 }, { SIGTERM, 143 } };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Signal);
        QDir(OutDir()).removeRecursively();
        ChildProcess Cli(
            HARVO_CLI_PATH, { "-config", ConfigPath(), "-start", "Endless,Second" }, FTemp.path() + "/log");
        ASSERT_TRUE(Cli.WaitForOutput("Downloading [ 2 / 2 ]", 120000));
        Cli.Kill(C.Signal);
        ASSERT_TRUE(Cli.Wait(120000));
        const QStringList Lines = Cli.OutputLines();
        EXPECT_EQ(Cli.ExitCode(), C.Status) << Cli.Errors().toStdString();
        EXPECT_TRUE(Lines.contains("Transfer stopped.")) << Lines.join('\n').toStdString();
        ASSERT_GE(Lines.size(), 2);
        EXPECT_EQ(Lines.at(Lines.size() - 2),
            "Downloaded: 1, already existed: 0, not changed: 0, empty: 0, failed: 1.");
        EXPECT_EQ(Lines.last(), "Terminated.");
        EXPECT_FALSE(Lines.contains("Project \"Second\"..."));
    }
}

TEST_F(ConsoleRunnerTest, CheckedRunsUseTheStoredVisibilityNotTheGroupFilter)
{
    ScriptedHttpServer Server;
    Server.On("/", ScriptedReply::Ok("page"));
    FProjects.AddProject(Project("InGroup", Server.Url("/")));
    FProjects.AddProject(Project("Other", Server.Url("/")));
    FProjects.GetProject(0)->SetGroupName("G");
    // Saved with the filter "G" while "Other" was still shown and checked.
    SaveConfig(OutDir(), "G");
    const CliResult Result = Run({ "-CHECKED" });
    EXPECT_EQ(Result.ExitCode, 0) << Result.Errors.toStdString();
    EXPECT_TRUE(Result.Lines.contains("Project \"InGroup\"..."));
    EXPECT_TRUE(Result.Lines.contains("Project \"Other\"..."));
}

TEST_F(ConsoleRunnerTest, OptionsMatchWithoutCaseAndLongFormsMeanTheSame)
{
    ScriptedHttpServer Server;
    Server.On("/", ScriptedReply::Ok("page"));
    FProjects.AddProject(Project("A", Server.Url("/")));
    SaveConfig();
    const QList<QStringList> Forms { { "-START", "A", "-OutDir", OutDir() },
        { "--start", "A", "--outdir", OutDir() }, { "--start=A", "--outdir=" + OutDir() } };
    QByteArray First;
    for (const QStringList& Arguments : Forms) {
        QDir(OutDir()).removeRecursively();
        const CliResult Result = Run(Arguments);
        EXPECT_EQ(Result.ExitCode, 0) << Arguments.join(' ').toStdString() << Result.Errors.toStdString();
        EXPECT_EQ(Result.Lines.value(0), "Project \"A\"...");
        if (First.isEmpty())
            First = Result.Output;
        EXPECT_EQ(Result.Output, First);
    }
    const CliResult Settings = RunCli({ "--settings-dir", FTemp.path(), "--config", "hrv.ini", "--list" });
    EXPECT_TRUE(Settings.Lines.value(1).startsWith("A ")) << Settings.Output.constData();
}

TEST_F(ConsoleRunnerTest, NoCheckedProjectIsReportedBeforeAMissingOutputFolder)
{
    FProjects.AddProject(Project("A", "http://127.0.0.1:9/"));
    FProjects.GetProject(0)->SetChecked(false);
    SaveConfig();
    const CliResult Result = Run({ "-checked" });
    EXPECT_EQ(Result.ExitCode, 2);
    EXPECT_EQ(Result.Errors, "harvo-cli: Please, check one or more projects.\n");
}

TEST_F(ConsoleRunnerTest, AMissingConfigurationFileIsNamed)
{
    ScopedHome Home;
    const QString Missing = Home.ConfigDir() + "/Harvo/missing.ini";
    for (const QStringList& Arguments :
        QList<QStringList> { { "-checked" }, { "--list" }, { "-start", "A", "-outdir", OutDir() } }) {
        const CliResult Result = RunCli(QStringList { "-config", "missing.ini" } + Arguments);
        EXPECT_EQ(Result.ExitCode, 2) << Arguments.join(' ').toStdString();
        EXPECT_EQ(Result.Errors, "harvo-cli: the configuration file \"" + Missing + "\" does not exist\n");
        EXPECT_TRUE(Result.Output.isEmpty());
    }
}

TEST_F(ConsoleRunnerTest, ABareConfigurationNameIsLookedForInTheSettingsFolder)
{
    ScopedHome Home;
    FProjects.AddProject(Project("Mine", "http://mine.example/"));
    TAppConfig Config({ "-config", Home.ConfigDir() + "/Harvo/my.ini" }, FTemp.path());
    ASSERT_TRUE(Config.SaveConfig(FProjects, QString(), QString()));
    const QList<QStringList> Cases { { "-config", "my.ini" }, { "--config=my.ini", "--user-settings-dir" },
        { "--settings-dir", Home.ConfigDir() + "/Harvo", "-config", "my.ini" } };
    for (const QStringList& Arguments : Cases) {
        const CliResult Result = RunCli(Arguments + QStringList { "--list" });
        EXPECT_EQ(Result.ExitCode, 0) << Arguments.join(' ').toStdString() << Result.Errors.toStdString();
        EXPECT_TRUE(Result.Lines.value(1).startsWith("Mine ")) << Result.Output.constData();
    }
}

TEST_F(ConsoleRunnerTest, ListShowsEveryProjectAsAnAlignedTable)
{
    FProjects.AddProject(Project("Shop", "http://shop.example/"));
    FProjects.AddProject(Project("Hidden site", "http://h.example/"));
    FProjects.AddProject(Project("C", "http://c.example/"));
    FProjects.GetProject(0)->SetGroupName("Web");
    FProjects.GetProject(1)->SetGroupName("Archive");
    FProjects.SetProjectVisibility(FProjects.GetProject(1), false);
    FProjects.GetProject(1)->SetChecked(true); // stored hidden and checked
    FProjects.GetProject(2)->SetChecked(false);
    FProjects.GetProject(2)->SetOutputFolder(QString());
    SaveConfig();
    const QByteArray Stored = ReadFile(ConfigPath());
    const CliResult Result = Run({ "--list" });
    EXPECT_EQ(Result.ExitCode, 0);
    EXPECT_EQ(Result.Output,
        "Name         Group    Visible  Checked  Website URL           Output Folder\n"
        "Shop         Web      yes      yes      http://shop.example/  {OutDir}/{ProjectName}\n"
        "Hidden site  Archive  no       yes      http://h.example/     {OutDir}/{ProjectName}\n"
        "C                     yes      no       http://c.example/\n");
    EXPECT_EQ(ReadFile(ConfigPath()), Stored);
}

TEST_F(ConsoleRunnerTest, TheQuickCopyTakesTheProxyOfTheEnvironmentAndConfigurationRunsDoNot)
{
    ScriptedHttpServer Server;
    Server.On("/", ScriptedReply::Ok("page"));
    ProxyServer Http(ProxyServer::Kind::HTTP);
    ProxyServer Socks5(ProxyServer::Kind::SOCKS5);
    FProjects.AddProject(Project("A", Server.Url("/")));
    SaveConfig(OutDir());
    const QByteArray HttpProxy = "http://127.0.0.1:" + QByteArray::number(Http.Port());
    const QByteArray SocksProxy = "socks5://127.0.0.1:" + QByteArray::number(Socks5.Port());
    // Only the page itself: no robots.txt request.
    const QStringList QuickCopy { "--robots=off", "-o", OutDir(), Server.Url("/") };
    const QStringList ConfigurationRun { "-config", ConfigPath(), "-start", "A" };
    struct Case {
        QByteArray HttpProxy, AllProxy, NoProxy;
        QStringList Arguments;
        const ProxyServer* Expected; // nullptr: direct
    };
    const Case Cases[] = {
        { HttpProxy, "", "", QuickCopy, &Http },
        { "", SocksProxy, "", QuickCopy, &Socks5 },
        { HttpProxy, "", "127.0.0.1", QuickCopy, nullptr },
        { HttpProxy, SocksProxy, "", ConfigurationRun, nullptr },
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Arguments.join(' ').toStdString() + " http_proxy=" + C.HttpProxy.toStdString()
            + " all_proxy=" + C.AllProxy.toStdString() + " no_proxy=" + C.NoProxy.toStdString());
        ScopedEnv HttpVariable("http_proxy", C.HttpProxy);
        ScopedEnv AllVariable("all_proxy", C.AllProxy);
        ScopedEnv NoVariable("no_proxy", C.NoProxy);
        const int HttpBefore = Http.Targets().size(), SocksBefore = Socks5.Targets().size();
        QDir(OutDir()).removeRecursively();
        const CliResult Result = RunCli(C.Arguments);
        EXPECT_EQ(Result.ExitCode, 0) << Result.Output.constData() << Result.Errors.toStdString();
        EXPECT_EQ(Http.Targets().size() - HttpBefore, C.Expected == &Http ? 1 : 0);
        EXPECT_EQ(Socks5.Targets().size() - SocksBefore, C.Expected == &Socks5 ? 1 : 0);
        EXPECT_EQ(Server.RequestCount(), &C - Cases + 1);
    }
}

TEST_F(ConsoleRunnerTest, VersionAndHelp)
{
    const CliResult Version = RunCli({ "--version" });
    EXPECT_EQ(Version.ExitCode, 0);
    EXPECT_EQ(Version.Output, "harvo-cli " HARVO_VERSION "\n");
    // -h is a short option with its case, -help a word without.
    for (const char* Option : { "-h", "--help", "-HELP" }) {
        const CliResult Help = RunCli({ Option });
        EXPECT_EQ(Help.ExitCode, 0) << Option;
        EXPECT_TRUE(Help.Output.startsWith("Usage: harvo-cli [options] URL [URL...]\n")) << Option;
    }
    const CliResult Upper = RunCli({ "-H" });
    EXPECT_EQ(Upper.ExitCode, 2);
    EXPECT_EQ(Upper.Errors, "harvo-cli: unknown option \"-H\"\nTry 'harvo-cli --help'.\n");
}

} // namespace
