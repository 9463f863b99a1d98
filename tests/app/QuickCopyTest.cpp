#include "CliProcess.h"

#include "support/Files.h"
#include "support/FixtureSite.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedHttpServer.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// The files below Folder, relative to it, sorted.
QStringList Tree(const QString& Folder)
{
    QStringList Files;
    QDirIterator It(Folder, QDir::Files, QDirIterator::Subdirectories);
    while (It.hasNext())
        Files << QDir(Folder).relativeFilePath(It.next());
    Files.sort();
    return Files;
}

// A small site: a home page with links two levels deep, a script, a
// noscript, a binary file and a link through another host name.
class QuickCopyTest : public ::testing::Test {
public:
    void SetUp() override
    {
        const QByteArray Alias = "localhost:" + QByteArray::number(FServer.Port());
        FServer.On("/",
            ScriptedReply::Ok("<a href=\"a.html\">a</a><script>s()</script><noscript>n</noscript>"
                              "<img src=\"/files/f.bin\"><a href=\"http://"
                + Alias + "/al.html\">al</a><img src=\"http://" + Alias + "/dl/g.bin\">"));
        FServer.On("/a.html", ScriptedReply::Ok("<a href=\"c.html\">c</a> hello"));
        FServer.On("/c.html", ScriptedReply::Ok("deep"));
        FServer.On("/al.html", ScriptedReply::Ok("through the alias"));
        FServer.On("/files/f.bin", ScriptedReply::Ok("BIN", "application/octet-stream"));
        FServer.On("/dl/g.bin", ScriptedReply::Ok("GBIN", "application/octet-stream"));
    }

    QString Out() const { return FTemp.path() + "/out"; }
    QString AliasHost() const { return "localhost:" + QString::number(FServer.Port()); }
    QByteArray Home() const { return ReadFile(Out() + "/index.html"); }

    CliResult Copy(const QStringList& Options)
    {
        return RunCli(QStringList { "-o", Out() } + Options + QStringList { FServer.Url("/") }, FTemp.path());
    }

    ScriptedHttpServer FServer;
    QTemporaryDir FTemp;
};

TEST_F(QuickCopyTest, EachOptionShapesTheCopy)
{
    struct Case {
        QStringList Options;
        std::function<void(QuickCopyTest&)> Check;
    };
    const QList<Case> Cases {
        { {},
            [](QuickCopyTest& T) {
                EXPECT_EQ(Tree(T.Out()), QStringList({ "a.html", "c.html", "files/f.bin", "index.html" }));
                EXPECT_TRUE(T.Home().contains("href=\"a.html\"")) << T.Home().constData();
                EXPECT_TRUE(T.Home().contains("<script>")) << T.Home().constData();
            } },
        // The image is a requisite of the page, so it comes even at the limit.
        { { "-l", "0" },
            [](QuickCopyTest& T) {
                EXPECT_EQ(Tree(T.Out()), QStringList({ "files/f.bin", "index.html" }));
            } },
        { { "--depth", "1" },
            [](QuickCopyTest& T) {
                EXPECT_EQ(Tree(T.Out()), QStringList({ "a.html", "files/f.bin", "index.html" }));
            } },
        { { "--remove-scripts", "--remove-noscript" },
            [](QuickCopyTest& T) {
                EXPECT_FALSE(T.Home().contains("<script")) << T.Home().constData();
                EXPECT_FALSE(T.Home().contains("<noscript")) << T.Home().constData();
            } },
        { { "--index-file", "default.htm" },
            [](QuickCopyTest& T) { EXPECT_TRUE(QFile::exists(T.Out() + "/default.htm")); } },
        { { "--suppress", "a.html", "--suppress", "f.bin" },
            [](QuickCopyTest& T) { EXPECT_EQ(Tree(T.Out()), QStringList({ "index.html" })); } },
        { { "--download", "", "--replace", "hello=>bye" },
            [](QuickCopyTest& T) {
                EXPECT_EQ(ReadFile(T.Out() + "/a.html"), "<a href=\"c.html\">c</a> bye");
                EXPECT_EQ(ReadFile(T.Out() + "/bin/g.bin"), "GBIN");
            } },
        { { "--links", "base=http://copy.example/" },
            [](QuickCopyTest& T) {
                EXPECT_TRUE(T.Home().contains("href=\"http://copy.example/a.html\"")) << T.Home().constData();
            } },
        { { "--links", "files" },
            [](QuickCopyTest& T) {
                EXPECT_TRUE(T.Home().contains("href=\"file://" + T.Out().toUtf8() + "/a.html\""))
                    << T.Home().constData();
            } },
        { { "--alias", "" },
            [](QuickCopyTest& T) { EXPECT_EQ(ReadFile(T.Out() + "/al.html"), "through the alias"); } },
    };
    for (Case C : Cases) {
        if (C.Options.contains("--download"))
            C.Options[C.Options.indexOf("--download") + 1] = "http://" + AliasHost() + "/dl/=bin";
        if (C.Options.contains("--alias"))
            C.Options[C.Options.indexOf("--alias") + 1] = AliasHost();
        SCOPED_TRACE(C.Options.join(' ').toStdString());
        QDir(Out()).removeRecursively();
        const CliResult Result = Copy(C.Options);
        EXPECT_EQ(Result.ExitCode, 0) << Result.Errors.toStdString();
        EXPECT_EQ(Result.Lines.value(0), "Project \"127.0.0.1\"...");
        EXPECT_EQ(Result.Lines.value(Result.Lines.size() - 1), "Completed.");
        C.Check(*this);
    }
    EXPECT_FALSE(QFile::exists(FTemp.path() + "/hrv.ini"));
}

TEST_F(QuickCopyTest, OverwritePolicyDecidesAboutFilesThatExist)
{
    ASSERT_EQ(Copy({ "-l", "0" }).ExitCode, 0);
    WriteFile(Out() + "/index.html", "kept");
    const CliResult Never = Copy({ "-l", "0", "--overwrite", "never" });
    EXPECT_TRUE(
        Never.Lines.contains("Downloaded: 0, already existed: 2, not changed: 0, empty: 0, failed: 0."))
        << Never.Output.constData();
    EXPECT_EQ(Home(), "kept");
    ASSERT_EQ(Copy({ "-l", "0", "--overwrite", "always" }).ExitCode, 0);
    EXPECT_TRUE(Home().startsWith("<a href")) << Home().constData();
}

TEST_F(QuickCopyTest, LongAndShortFormsMeanTheSame)
{
    const QList<QPair<QStringList, QStringList>> Pairs {
        { { "-o", Out(), "-l", "1", "-q" }, { "--output", Out(), "--depth=1", "--quiet" } },
        { { "-o", Out(), "-l", "0", "--connections", "1" },
            { "--output=" + Out(), "--depth", "0", "-CONNECTIONS", "1" } },
        // Short options group, and a value may be attached.
        { { "-ql1", "-o" + Out() }, { "-q", "-o", Out(), "-l", "1" } },
    };
    // Each run starts afresh, with no state kept from the last.
    const QString State = FTemp.path() + "/state";
    const auto Fresh = [&](const QStringList& Options) {
        QDir(Out()).removeRecursively();
        QDir(State).removeRecursively();
        return RunCli(Options + QStringList { "--state-dir", State, FServer.Url("/") }, FTemp.path());
    };
    for (const auto& [Short, Long] : Pairs) {
        const CliResult First = Fresh(Short);
        const QStringList FirstTree = Tree(Out());
        const CliResult Second = Fresh(Long);
        EXPECT_EQ(First.ExitCode, 0) << First.Errors.toStdString();
        EXPECT_EQ(First.Output, Second.Output);
        EXPECT_EQ(FirstTree, Tree(Out()));
    }
    // Quiet keeps the project line, the summary and the last line.
    QDir(Out()).removeRecursively();
    const CliResult Quiet = RunCli({ "-q", "-o", Out(), FServer.Url("/") }, FTemp.path());
    EXPECT_EQ(Quiet.Lines,
        QStringList({ "Project \"127.0.0.1\"...", "Changed: 0, new: 4, not modified: 0, gone: 0",
            "Downloaded: 4, already existed: 0, not changed: 0, empty: 0, failed: 0.", "Completed." }));
}

TEST_F(QuickCopyTest, QuietShowsEveryError)
{
    FServer.On("/q/", ScriptedReply::Ok("<a href=\"gone.html\">g</a><a href=\"sub/x.html\">x</a>"));
    FServer.On("/q/gone.html", ScriptedReply::Status(404, "Not Found"));
    FServer.On("/q/sub/x.html", ScriptedReply::Ok("x"));
    // A file where the folder for sub/x.html should be.
    ASSERT_TRUE(QDir().mkpath(Out()));
    WriteFile(Out() + "/sub", "in the way");
    const CliResult Result = RunCli({ "-q", "-o", Out(), FServer.Url("/q/") }, FTemp.path());
    EXPECT_EQ(Result.ExitCode, 3);
    EXPECT_EQ(Result.Lines,
        QStringList({ "Project \"127.0.0.1\"...", "HTTP/1.1 404 Not Found.",
            "Unable to create directory " + Out() + "/sub", "Changed: 0, new: 1, not modified: 0, gone: 0",
            "Downloaded: 1, already existed: 0, not changed: 0, empty: 0, failed: 2.", "Completed." }));
}

TEST_F(QuickCopyTest, TheDefaultFolderIsNamedAfterTheHost)
{
    // A URL without a scheme is taken as http://.
    for (const QString& URL : { FServer.Url("/"), FServer.Url("/").mid(7) }) {
        QDir(FTemp.path() + "/127.0.0.1").removeRecursively();
        const CliResult Result = RunCli({ "-l", "0", URL }, FTemp.path());
        EXPECT_EQ(Result.ExitCode, 0) << URL.toStdString() << Result.Errors.toStdString();
        EXPECT_TRUE(QFile::exists(FTemp.path() + "/127.0.0.1/index.html")) << URL.toStdString();
    }
}

TEST_F(QuickCopyTest, EveryURLIsSavedWithItsFolder)
{
    FServer.On("/docs/", ScriptedReply::Ok("<a href=\"d.html\">d</a>"));
    FServer.On("/docs/d.html", ScriptedReply::Ok("doc"));
    FServer.On("/docs/sub/s.html", ScriptedReply::Ok("sub"));
    FServer.On("/blog/b.html", ScriptedReply::Ok("<a href=\"c.html\">c</a><a href=\"../docs/d.html\">d</a>"));
    FServer.On("/blog/c.html", ScriptedReply::Ok("blog"));
    const QString Port = QString::number(FServer.Port());
    const QString Local = "127.0.0.1_" + Port + "/blog/";
    const QString Other = "localhost_" + Port + "/blog/";
    struct Case {
        QStringList URLs;
        QStringList Projects;
        QStringList Files;
    };
    const Case Cases[] = {
        // Another folder of the host, and the same folder on another host.
        { { FServer.Url("/docs/"), FServer.Url("/blog/b.html"), "http://localhost:" + Port + "/blog/c.html" },
            { "127.0.0.1", "127.0.0.1:" + Port + "/blog/", "localhost:" + Port + "/blog/" },
            { "d.html", "index.html", Local + "b.html", Local + "c.html", Other + "c.html" } },
        // A later URL's wider folder takes in the first one's.
        { { FServer.Url("/docs/sub/s.html"), FServer.Url("/docs/") }, { "127.0.0.1" },
            { "d.html", "index.html", "sub/s.html" } },
    };
    for (Case C : Cases) {
        SCOPED_TRACE(C.URLs.join(' ').toStdString());
        C.Files.sort();
        QDir(Out()).removeRecursively();
        const CliResult Result = RunCli(QStringList { "-o", Out() } + C.URLs, FTemp.path());
        EXPECT_EQ(Result.ExitCode, 0) << Result.Output.constData();
        QStringList Projects;
        for (const QString& Line : Result.Lines.filter(QRegularExpression("^Project \".*\"\\.\\.\\.$")))
            Projects << Line.mid(9, Line.size() - 13);
        EXPECT_EQ(Projects, C.Projects);
        EXPECT_EQ(Tree(Out()), C.Files);
    }
}

TEST_F(QuickCopyTest, CompletePagesIsOnUnlessTurnedOff)
{
    FServer.On("/styled/", ScriptedReply::Ok("<link rel=\"stylesheet\" href=\"s.css\">"));
    FServer.On("/styled/s.css", ScriptedReply::Ok("body { background: url(bg.png) }", "text/css"));
    FServer.On("/styled/bg.png", ScriptedReply::Ok("PNG", "image/png"));
    const auto BackgroundSaved = [&](const QStringList& Options) {
        QDir(Out()).removeRecursively();
        const CliResult Result = RunCli(
            QStringList { "-o", Out() } + Options + QStringList { FServer.Url("/styled/") }, FTemp.path());
        EXPECT_EQ(Result.ExitCode, 0) << Result.Output.constData();
        return Tree(Out()).contains("bg.png");
    };
    EXPECT_TRUE(BackgroundSaved({}));
    EXPECT_FALSE(BackgroundSaved({ "--no-complete-pages" }));
}

TEST_F(QuickCopyTest, SpecFileNamesTurnsPagesIntoFoldersAsStoredProjectsHaveThem)
{
    const CliResult Result = Copy({ "--spec-file-names" });
    EXPECT_EQ(Result.ExitCode, 0) << Result.Errors.toStdString();
    EXPECT_EQ(
        Tree(Out()), QStringList({ "a.html/index.html", "c.html/index.html", "files/f.bin", "index.html" }));
    EXPECT_TRUE(Home().contains("href=\"a.html/index.html\"")) << Home().constData();
}

TEST_F(QuickCopyTest, TheFailedURLsAreListedAtTheEndWithThePageThatLinkedThem)
{
    QByteArray Page;
    for (int I = 0; I < 52; ++I)
        Page += "<a href=\"gone" + QByteArray::number(I) + ".html\">x</a>";
    FServer.On("/r/", ScriptedReply::Ok(Page));
    const CliResult Result = RunCli({ "-q", "-o", Out(), FServer.Url("/r/") }, FTemp.path());
    EXPECT_EQ(Result.ExitCode, 3);
    const QStringList Errors = Result.Errors.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(Errors.size(), 52) << Result.Errors.toStdString();
    EXPECT_EQ(Errors[0], "harvo-cli: 52 URLs failed:");
    EXPECT_EQ(Errors[1],
        "  " + FServer.Url("/r/gone0.html") + ": HTTP/1.1 404 Not Found. (linked from " + FServer.Url("/r/")
            + ")");
    EXPECT_EQ(Errors.last(), "  and 2 more");
}

TEST_F(QuickCopyTest, AFailedURLGivesStatusThree)
{
    const CliResult Result = RunCli({ "-o", Out(), FServer.Url("/missing") }, FTemp.path());
    EXPECT_EQ(Result.ExitCode, 3) << Result.Output.constData();
    EXPECT_TRUE(
        Result.Lines.contains("Downloaded: 0, already existed: 0, not changed: 0, empty: 0, failed: 1."))
        << Result.Output.constData();
}

TEST_F(QuickCopyTest, BadInputIsAUsageErrorAndDownloadsNothing)
{
    WriteFile(FTemp.path() + "/file", "x");
    struct Case {
        QStringList Arguments;
        QString Error;
    };
    const QList<Case> Cases {
        { { "ftp://127.0.0.1/" }, "\"ftp://127.0.0.1/\" is not an HTTP or HTTPS URL" },
        { { "--depth", "-1", FServer.Url("/") }, "--depth takes a number of 0 or more, not \"-1\"" },
        { { "--depth", "x", FServer.Url("/") }, "--depth takes a number of 0 or more, not \"x\"" },
        { { "--connections", "17", FServer.Url("/") },
            "--connections takes a number from 1 to 16, not \"17\"" },
        { { "-connections", "0", FServer.Url("/") }, "-connections takes a number from 1 to 16, not \"0\"" },
        { { "--maxurls", "0", FServer.Url("/") }, "--maxurls takes a positive number, not \"0\"" },
        { { "--maxurls", "1e3", FServer.Url("/") }, "--maxurls takes a positive number, not \"1e3\"" },
        { { "--replace", "a(b=>c", FServer.Url("/") },
            "--replace \"a(b\": Error in regular expression at offset 3: missing closing parenthesis" },
        { { "-o", FTemp.path() + "/file", FServer.Url("/") },
            "the output folder \"" + FTemp.path() + "/file\" is a file" },
        { { "--bogus", FServer.Url("/") }, "unknown option \"--bogus\"" },
        { { "-start", "A", FServer.Url("/") }, "-start belongs to runs of the configuration's projects" },
        { { "--depth", "2" }, "--depth applies to a quick copy" },
        { { "mailto:me@127.0.0.1" }, "\"mailto:me@127.0.0.1\" is not an HTTP or HTTPS URL" },
        // Short options match their case: -O is not -o, nor -L -l.
        { { "-O", Out(), FServer.Url("/") }, "unknown option \"-O\"" },
        { { "-L", "1", FServer.Url("/") }, "unknown option \"-L\"" },
        { { "-qx", FServer.Url("/") }, "unknown option \"-x\"" },
        { { "-l", FServer.Url("/") }, "-l takes a number of 0 or more" },
    };
    for (const Case& C : Cases) {
        const CliResult Result = RunCli(C.Arguments, FTemp.path());
        EXPECT_EQ(Result.ExitCode, 2) << C.Arguments.join(' ').toStdString();
        EXPECT_TRUE(Result.Errors.contains(C.Error)) << Result.Errors.toStdString();
        EXPECT_TRUE(Result.Output.isEmpty());
    }
    // One line and a pointer to the help, not the whole usage text.
    EXPECT_EQ(
        RunCli({ "--bogus" }).Errors, "harvo-cli: unknown option \"--bogus\"\nTry 'harvo-cli --help'.\n");
    EXPECT_EQ(FServer.RequestCount(), 0);
    EXPECT_EQ(QDir(FTemp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({ "file" }));
}

TEST_F(QuickCopyTest, AnOutputFolderWithoutWritePermissionIsRefused)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root may write anywhere";
    ASSERT_TRUE(QDir().mkpath(Out()));
    QFile::setPermissions(Out(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const CliResult Result = Copy({});
    QFile::setPermissions(Out(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(Result.ExitCode, 2);
    EXPECT_TRUE(Result.Errors.contains("is not writable")) << Result.Errors.toStdString();
    EXPECT_EQ(FServer.RequestCount(), 0);
}

TEST_F(QuickCopyTest, ManyURLsAndURLsWithSpacesAndNonASCIICharacters)
{
    QStringList URLs;
    for (int I = 0; I < 1000; ++I)
        URLs << FServer.Url("/p" + QString::number(I));
    FServer.SetFallback([](const RecordedRequest&) { return ScriptedReply::Ok("x", "text/plain"); });
    const CliResult Many = RunCli(QStringList { "-q", "-o", Out() } + URLs, FTemp.path());
    EXPECT_EQ(Many.ExitCode, 0) << Many.Errors.toStdString();
    EXPECT_TRUE(
        Many.Lines.contains("Downloaded: 1000, already existed: 0, not changed: 0, empty: 0, failed: 0."))
        << Many.Output.constData();

    const CliResult Odd = RunCli(
        { "-l", "0", "-o", Out(), FServer.Url(QString::fromUtf8("/a b/\u00e9t\u00e9.txt")) }, FTemp.path());
    EXPECT_EQ(Odd.ExitCode, 0) << Odd.Output.constData();
    const std::vector<RecordedRequest> Requests = FServer.Requests();
    ASSERT_FALSE(Requests.empty());
    EXPECT_EQ(Requests.back().Path, "/a%20b/%C3%A9t%C3%A9.txt");
}

} // namespace

TEST_F(QuickCopyTest, StartURLsComeFromAnInputFileOrStandardInputBesideTheCommandLine)
{
    const QByteArray List = "# pages to copy\n\n  " + FServer.Url("/a.html").toUtf8() + "  \r\n\t\n#"
        + FServer.Url("/c.html").toUtf8() + "\n";
    WriteFile(FTemp.path() + "/urls.txt", List);
    const QStringList Options { "-l", "0", "-o", Out() };
    const CliResult FromFile
        = RunCli(Options + QStringList { "-i", "urls.txt", FServer.Url("/") }, FTemp.path());
    EXPECT_EQ(FromFile.ExitCode, 0) << FromFile.Errors.toStdString();
    EXPECT_EQ(Tree(Out()), QStringList({ "a.html", "files/f.bin", "index.html" }));
    QDir(Out()).removeRecursively();
    const CliResult FromInput
        = RunCliWithInput(Options + QStringList { "--input-file=-" }, List, FTemp.path());
    EXPECT_EQ(FromInput.ExitCode, 0) << FromInput.Errors.toStdString();
    EXPECT_EQ(Tree(Out()), QStringList({ "a.html" }));
}
