#include "engine/crawl/DownloadProject.h"
#include "engine/store/FileReplace.h"

#include "FaultyEnvironment.h"
#include "RecordingRunLog.h"
#include "support/Files.h"
#include "support/GZipFixture.h"
#include "support/QStringPrinter.h"
#include "support/ScopedEnv.h"
#include "support/ScriptedHttpServer.h"

#include "http/HTTPClientUnit.h"
#include "projects/WebsiteUnit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

// A missing file reads as "<missing>", so it never passes for an empty one.
QByteArray SavedContent(const QString& Path)
{
    QFile File(Path);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray("<missing>");
}

class DownloadProjectTest : public ::testing::Test {
protected:
    DownloadProjectTest()
        : FThread(FLog, FControl)
    {
        FControl.FHTTPRetries = 2;
        FThread.SetEnv(FEnv);
        FOutDir = QDir::toNativeSeparators(FTemp.path() + "/out");
        FProject.SetWebsiteURL(FServer.Url("/"));
    }

    QStringList Crawl(qint64 MaxBodySize = DefaultMaxBodySize)
    {
        THTTPClient Client(QString(), ptAUTO, "test", QString(), 5, 5);
        Client.SetMaxBodySize(MaxBodySize);
        if (FConfigureClient)
            FConfigureClient(Client);
        DownloadProject(FOutDir, FProject, Client, FThread);
        return FLog.Lines();
    }

    QString OutPath(const QString& Relative) const
    {
        return QDir::toNativeSeparators(FOutDir + "/" + Relative);
    }

    ScriptedHttpServer FServer;
    QTemporaryDir FTemp;
    QString FOutDir;
    RecordingRunLog FLog;
    TRunControl FControl;
    TFaultyEnvironment FEnv;
    ScriptedThread FThread;
    TWebsiteProject FProject;
    std::function<void(THTTPClient&)> FConfigureClient;
};

TEST_F(DownloadProjectTest, APageWithoutLinksLogsEveryStepInOrder)
{
    FServer.On("/", ScriptedReply::Ok("<p>hello</p>"));
    const QStringList Expected {
        "Downloading [ 1 / 1 ]: " + FServer.Url("/"),
        "0 new URLs extracted.",
        "Saving: " + OutPath("index.html"),
        "Downloaded: 1, already existed: 0, not changed: 0, empty: 0, failed: 0.",
    };
    EXPECT_EQ(Crawl(), Expected);
    EXPECT_EQ(SavedContent(OutPath("index.html")), "<p>hello</p>");
}

TEST_F(DownloadProjectTest, AFailingURLIsRetriedThenCountedAsFailed)
{
    FServer.On("/", ScriptedReply::Status(500, "Internal Server Error"));
    const QStringList Lines = Crawl();
    EXPECT_EQ(FServer.RequestCount(), 3);
    EXPECT_EQ(Lines.filter("Retry #").size(), 2);
    EXPECT_EQ(Lines.filter("HTTP/1.1 500 Internal Server Error").size(), 3);
    EXPECT_EQ(Lines.last(), "Downloaded: 0, already existed: 0, not changed: 0, empty: 0, failed: 1.");
}

TEST_F(DownloadProjectTest, BreakDuringRetriesStopsTheWalkButKeepsTheSummary)
{
    FServer.On("/", ScriptedReply::Ok("<a href=next.html>n</a>"));
    FServer.On("/next.html", ScriptedReply::Status(503, "Service Unavailable"));
    FProject.StartPages().push_back({ "next.html", 0 });
    FProject.StartPages().push_back({ "/", 1 });
    FControl.FTerminated = true;
    const QStringList Lines = Crawl();
    EXPECT_EQ(FServer.RequestCount(), 1);
    EXPECT_TRUE(Lines.filter("Retry #").isEmpty());
    EXPECT_EQ(Lines.last(), "Downloaded: 0, already existed: 0, not changed: 0, empty: 0, failed: 1.");
}

TEST_F(DownloadProjectTest, ARedirectToAFolderMovesThePageBaseAndKeepsTheIndexFile)
{
    FProject.SetRelativePathLinks(true);
    FProject.StartPages().push_back({ "about", 1 });
    FServer.On("/about", ScriptedReply::Redirect(301, "/about/"));
    FServer.On("/about/", ScriptedReply::Ok("<img src=\"pic.png\">"));
    FServer.On("/about/pic.png", ScriptedReply::Ok(QByteArray("PNG\x00\x01", 5), "image/png"));
    const QStringList Lines = Crawl();
    EXPECT_TRUE(Lines.contains("Redirect to: /about/")) << Lines.join("\n").toStdString();
    EXPECT_EQ(SavedContent(OutPath("about/index.html")), "<img src=\"pic.png\">");
    EXPECT_EQ(SavedContent(OutPath("about/pic.png")), QByteArray("PNG\x00\x01", 5));
}

TEST_F(DownloadProjectTest, ARetriedRedirectStartsAgainFromTheRequestedURL)
{
    FProject.StartPages().push_back({ "r7/", 1 });
    FServer.On("/r7/", ScriptedReply::Redirect(302, "sub/"));
    int SubRequests = 0;
    FServer.SetFallback([&SubRequests](const RecordedRequest& Request) {
        if (Request.Path == "/r7/sub/")
            return ++SubRequests == 1 ? ScriptedReply::Status(500, "Internal Server Error")
                                      : ScriptedReply::Ok("<a href=\"p.html\">p</a>");
        return ScriptedReply::Ok("p", "text/plain");
    });
    const QStringList Lines = Crawl();
    QStringList Paths;
    for (const RecordedRequest& Request : FServer.Requests())
        Paths << QString::fromLatin1(Request.Path);
    EXPECT_EQ(Paths, QStringList({ "/r7/", "/r7/sub/", "/r7/", "/r7/sub/", "/r7/sub/p.html" }));
    EXPECT_EQ(SavedContent(OutPath("r7/sub/p.html/index.html")), "p") << Lines.join('\n').toStdString();
}

TEST_F(DownloadProjectTest, ThePageBaseIsTheURLTheClientFetchedLast)
{
    FProject.StartPages().push_back({ "r5/", 1 });
    FServer.On("/r5/", ScriptedReply::Redirect(302, "/r5/login?t=12:30"));
    FServer.On("/r5/login?t=12:30", ScriptedReply::Ok("<a href=\"next.html\">n</a>"));
    FServer.On("/r5/next.html", ScriptedReply::Ok("next"));
    const QStringList Lines = Crawl();
    EXPECT_TRUE(Lines.contains("Downloading [ 2 / 2 ]: " + FServer.Url("/r5/next.html")))
        << Lines.join('\n').toStdString();
}

TEST_F(DownloadProjectTest, ClientErrorsAreFinalAtOnce)
{
    FServer.On("/", ScriptedReply::Status(404, "Not Found"));
    const QStringList Lines = Crawl();
    EXPECT_EQ(FServer.RequestCount(), 1);
    EXPECT_TRUE(Lines.filter("Retry #").isEmpty()) << Lines.join('\n').toStdString();
    EXPECT_EQ(Lines.last(), "Downloaded: 0, already existed: 0, not changed: 0, empty: 0, failed: 1.");
}

TEST_F(DownloadProjectTest, AFullDiskEndsTheRunAfterThatURLAndKeepsTheOldCopy)
{
    FServer.On("/", ScriptedReply::Ok("<a href=\"next.html\">n</a>" + QByteArray(10000, ' ')));
    FServer.On("/next.html", ScriptedReply::Ok("next"));
    FProject.SetOverwrite(ofAll);
    QDir().mkpath(FOutDir);
    WriteFile(OutPath("index.html"), "old");
    FEnv.FailWritesPast(4096, EFBIG);
    EXPECT_THROW(Crawl(), EStorageFullError);
    const QStringList Lines = FLog.Lines();
    EXPECT_TRUE(Lines.contains("Cannot create file \"" + OutPath("index.html") + "\". File too large."))
        << Lines.join('\n').toStdString();
    EXPECT_TRUE(Lines.filter("next.html").filter("Downloading").isEmpty()) << Lines.join('\n').toStdString();
    EXPECT_EQ(Lines.last(), "Downloaded: 0, already existed: 0, not changed: 0, empty: 0, failed: 1.");
    EXPECT_EQ(SavedContent(OutPath("index.html")), "old");
    EXPECT_EQ(QDir(FOutDir).entryList(QDir::Files | QDir::Hidden), QStringList({ "index.html" }));
}

TEST_F(DownloadProjectTest, AFolderThatAFullDiskCannotTakeEndsTheRun)
{
    // Room for the output folder and one folder more.
    FEnv.FailFoldersFrom(3, ENOSPC);
    FServer.On("/", ScriptedReply::Ok("<a href=\"x/y/p.html\">p</a><a href=\"q.html\">q</a>"));
    FServer.SetFallback([](const RecordedRequest&) { return ScriptedReply::Ok("page"); });
    FProject.SetRelativePathLinks(true);
    EXPECT_THROW(Crawl(), EStorageFullError);
    const QStringList Lines = FLog.Lines();
    const QString Folder = OutPath("x/y/p.html");
    EXPECT_EQ(Lines.mid(Lines.size() - 3),
        QStringList({ "Unable to create directory " + Folder,
            "Cannot create directory \"" + Folder + "\". No space left on device.",
            "Downloaded: 1, already existed: 0, not changed: 0, empty: 0, failed: 1." }))
        << Lines.join('\n').toStdString();
    EXPECT_TRUE(Lines.filter("q.html").isEmpty()) << Lines.join('\n').toStdString();
}

TEST_F(DownloadProjectTest, PagesAreDecodedByCharsetAndSavedAsUTF8)
{
    const QByteArray Cyrillic = "\xcf\xf0\xe8\xe2\xe5\xf2"; // "Привет" in windows-1251
    FServer.On("/",
        ScriptedReply::Status(200, "OK", { "Content-Type: text/html; charset=windows-1251" },
            "<meta charset=\"windows-1251\">" + Cyrillic));
    FServer.On("/latin.html", ScriptedReply::Status(200, "OK", { "Content-Type: TEXT/HTML" }, "caf\xe9"));
    FServer.On("/bogus.html",
        ScriptedReply::Status(200, "OK", { "Content-Type: text/html; charset=no-such-set" }, "\xe9"));
    FProject.StartPages().push_back({ "/", 0 });
    FProject.StartPages().push_back({ "latin.html", 0 });
    FProject.StartPages().push_back({ "bogus.html", 0 });
    Crawl();
    EXPECT_EQ(QString::fromUtf8(SavedContent(OutPath("index.html"))),
        QString::fromUtf8("<meta charset=\"utf-8\">Привет"));
    EXPECT_EQ(QString::fromUtf8(SavedContent(OutPath("latin.html/index.html"))), QString::fromUtf8("café"));
    EXPECT_EQ(QString::fromUtf8(SavedContent(OutPath("bogus.html/index.html"))), QString::fromUtf8("é"));
}

TEST_F(DownloadProjectTest, ACompressedPageIsDecodedByTheCharsetItsMetaNames)
{
    // The way servers send pages by default: no charset in the header.
    const QByteArray Page = "<meta charset=\"utf-8\"><p>caf\xc3\xa9</p>";
    FServer.On("/",
        ScriptedReply::Status(
            200, "OK", { "Content-Type: text/html", "Content-Encoding: gzip" }, GZip(Page)));
    for (const int Connections : { 1, 6 }) {
        FControl.FConnections = Connections;
        QDir(FOutDir).removeRecursively();
        Crawl();
        EXPECT_EQ(SavedContent(OutPath("index.html")), Page) << Connections;
    }
}

TEST_F(DownloadProjectTest, ALargeCompressedBodyWaitsBesideTheOutputNotInTheSystemsTemporaryFolder)
{
    // Random bytes do not shrink: the compressed body is past what memory holds.
    QByteArray Data(5 << 20, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(Data.data()), Data.size() / 4);
    FServer.On("/",
        ScriptedReply::Status(
            200, "OK", { "Content-Type: application/octet-stream", "Content-Encoding: gzip" }, GZip(Data)));
    // The system's temporary folder takes no file (it is a file itself);
    // the output folder has room.
    const QString NoTemp = FTemp.path() + "/no-temp";
    WriteFile(NoTemp, "");
    const ScopedEnv UnusableSystemTemp("TMPDIR", QFile::encodeName(NoTemp));
    const QStringList Lines = Crawl();
    EXPECT_EQ(Lines.last(), "Downloaded: 1, already existed: 0, not changed: 0, empty: 0, failed: 0.")
        << Lines.join('\n').toStdString();
    EXPECT_TRUE(SavedContent(OutPath("index.html")) == Data);
    EXPECT_TRUE(QDir(FOutDir).entryList({ ".harvo-*" }, QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(DownloadProjectTest, ReplaceRulesTouchPagesOnly)
{
    FServer.On("/", ScriptedReply::Ok("<img src=\"a.css\">Hello hello"));
    FServer.On("/a.css", ScriptedReply::Ok("hello", "text/css"));
    FProject.SetRelativePathLinks(true);
    FProject.ReplaceRules().push_back({ "hel(lo)", "J$1" });
    Crawl();
    EXPECT_EQ(SavedContent(OutPath("index.html")), "<img src=\"a.css\">Jlo Jlo");
    EXPECT_EQ(SavedContent(OutPath("a.css")), "hello");
}

TEST_F(DownloadProjectTest, EmptyBodiesAreCountedAndNotSaved)
{
    FServer.On("/", ScriptedReply::Ok(""));
    EXPECT_EQ(Crawl().last(), "Downloaded: 0, already existed: 0, not changed: 0, empty: 1, failed: 0.");
    EXPECT_FALSE(QFile::exists(OutPath("index.html")));
}

TEST_F(DownloadProjectTest, TheOverwritePolicyDecidesWhetherAnExistingFileIsWritten)
{
    struct Case {
        TOverwriteFile Policy;
        QByteArray OnDisk;
        const char* Line;
        QByteArray After;
    };
    const Case Cases[] = {
        { ofNone, "old", "File already exists: ", "old" },
        { ofAll, "new", "Saving: ", "new" },
        { ofChanged, "new", "File does not changed: ", "new" },
        { ofChanged, "old", "Saving: ", "new" },
    };
    FServer.On("/", ScriptedReply::Ok("new"));
    QDir().mkpath(FOutDir);
    for (const Case& C : Cases) {
        WriteFile(OutPath("index.html"), C.OnDisk);
        FProject.SetOverwrite(C.Policy);
        const QStringList Lines = Crawl();
        EXPECT_TRUE(Lines.contains(C.Line + OutPath("index.html"))) << Lines.join('\n').toStdString();
        EXPECT_EQ(SavedContent(OutPath("index.html")), C.After);
    }
    // A folder where the file belongs is no file that already exists.
    QFile::remove(OutPath("index.html"));
    QDir().mkpath(OutPath("index.html"));
    FProject.SetOverwrite(ofNone);
    const int Before = FLog.Lines().size();
    const QStringList Lines = Crawl().mid(Before);
    EXPECT_TRUE(Lines.filter("File already exists: ").isEmpty()) << Lines.join('\n').toStdString();
    EXPECT_EQ(Lines.last(), "Downloaded: 0, already existed: 0, not changed: 0, empty: 0, failed: 1.");
}

TEST_F(DownloadProjectTest, URLsThatWouldLeaveTheOutputFolderFail)
{
    FServer.SetFallback([](const RecordedRequest&) { return ScriptedReply::Ok("x", "text/plain"); });
    FProject.SetWebsiteURL(FServer.Url("/site/"));
    for (const char* Page :
        { "%2e%2e/%2e%2e/escape.txt", "..%2f..%2fescape2.txt", "a%00b/../../../escape3.txt" }) {
        FProject.StartPages().push_back({ FServer.Url("/site/") + Page, 0 });
    }
    const QStringList Lines = Crawl();
    EXPECT_EQ(Lines.filter("Invalid directory ").size(), 3) << Lines.join('\n').toStdString();
    EXPECT_EQ(Lines.last(), "Downloaded: 0, already existed: 0, not changed: 0, empty: 0, failed: 3.");
    EXPECT_TRUE(QDir(FTemp.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(DownloadProjectTest, AWebsiteURLWithoutPathIsTheSitesRoot)
{
    FProject.SetWebsiteURL(FServer.Url("/").chopped(1));
    FServer.On("/", ScriptedReply::Ok("<a href=\"/b.html\">b</a>"));
    FServer.On("/b.html", ScriptedReply::Ok("b"));
    Crawl();
    EXPECT_EQ(SavedContent(OutPath("b.html/index.html")), "b");
}

TEST_F(DownloadProjectTest, TheDepthLimitBoundsASiteOfEndlessQueryLinks)
{
    FServer.SetFallback([](const RecordedRequest& Request) {
        const int N = Request.Path.mid(Request.Path.indexOf('=') + 1).toInt();
        return ScriptedReply::Ok("<a href=\"/list?n=" + QByteArray::number(N + 1) + "\">next</a>");
    });
    FProject.StartPages().push_back({ "/list?n=0", 2 });
    const QStringList Lines = Crawl();
    EXPECT_EQ(FServer.RequestCount(), 3);
    EXPECT_EQ(Lines.last(), "Downloaded: 3, already existed: 0, not changed: 0, empty: 0, failed: 0.");
    EXPECT_EQ(SavedContent(OutPath("list/n=2/index.html")), "<a href=\"/list?n=3\">next</a>");
}

TEST_F(DownloadProjectTest, ABodyThatIsNotInItsCharsetGetsReplacementCharacters)
{
    FServer.On(
        "/", ScriptedReply::Status(200, "OK", { "Content-Type: text/html; charset=utf-8" }, "a\xff\xfe b"));
    Crawl();
    EXPECT_EQ(QString::fromUtf8(SavedContent(OutPath("index.html"))), QString::fromUtf8("a\uFFFD\uFFFD b"));
}

} // namespace

TEST_F(DownloadProjectTest, ABodyPastTheSizeLimitFailsAtOnceWithoutRetry)
{
    FServer.On("/", ScriptedReply::Stream(QByteArray(4096, 'x'), -1));
    const QStringList Lines = Crawl(100000);
    EXPECT_EQ(FServer.RequestCount(), 1);
    EXPECT_TRUE(Lines.filter("Retry #").isEmpty()) << Lines.join('\n').toStdString();
    EXPECT_EQ(Lines.filter("exceeds the limit of 100000 bytes").size(), 1);
    EXPECT_EQ(Lines.last(), "Downloaded: 0, already existed: 0, not changed: 0, empty: 0, failed: 1.");
    EXPECT_FALSE(QFile::exists(OutPath("index.html")));
}

TEST_F(DownloadProjectTest, ATrickleFailsByTheLowSpeedRuleAndIsRetriedOnce)
{
    // Ten bytes a second, below a rule of 100 bytes a second over one second.
    FServer.On("/", ScriptedReply::Stream("0123456789", -1, 1000, "application/octet-stream"));
    FConfigureClient = [](THTTPClient& Client) { Client.SetLowSpeedRule(100, 1); };
    FControl.FHTTPRetries = 5;
    const QStringList Lines = Crawl();
    EXPECT_EQ(Lines.filter("Too slow: less than 100 bytes/s for 1 s").size(), 2)
        << Lines.join('\n').toStdString();
    EXPECT_EQ(Lines.filter("Retry #").size(), 1);
    EXPECT_EQ(Lines.last(), "Downloaded: 0, already existed: 0, not changed: 0, empty: 0, failed: 1.");
    EXPECT_TRUE(QDir(FOutDir).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(DownloadProjectTest, NothingIsWrittenOrReadThroughASymbolicLinkThatLeadsOut)
{
    const QString Outside = FTemp.path() + "/outside";
    QDir().mkpath(Outside + "/sub");
    QDir().mkpath(FOutDir + "/real");
    QFile::link(Outside, FOutDir + "/out-link");
    QFile::link(FOutDir + "/real", FOutDir + "/in-link");
    QFile::link(Outside + "/secret.txt", FOutDir + "/same.png");
    WriteFile(Outside + "/secret.txt", "x");
    FServer.SetFallback([](const RecordedRequest&) { return ScriptedReply::Ok("x", "text/plain"); });
    FProject.SetOverwrite(ofChanged);
    for (const char* Page : { "out-link/a.png", "out-link/sub/b.png", "in-link/c.png", "same.png" }) {
        FProject.StartPages().push_back({ FServer.Url("/") + Page, 0 });
    }
    const QStringList Lines = Crawl();
    EXPECT_EQ(Lines.filter("Invalid directory ").size(), 2) << Lines.join('\n').toStdString();
    EXPECT_EQ(QDir(Outside).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList { "secret.txt" });
    EXPECT_TRUE(QDir(Outside + "/sub").isEmpty());
    EXPECT_EQ(SavedContent(FOutDir + "/real/c.png"), "x");
    // A link at the file's own name is replaced, not followed, even when the
    // content behind it is the same.
    EXPECT_TRUE(Lines.contains("Saving: " + OutPath("same.png")));
    EXPECT_FALSE(QFileInfo(FOutDir + "/same.png").isSymLink());
    EXPECT_EQ(Lines.last(), "Downloaded: 2, already existed: 0, not changed: 0, empty: 0, failed: 2.");
}

namespace {

TEST_F(DownloadProjectTest, TheURLLimitStopsTheListGrowingAndIsLoggedOnce)
{
    QByteArray Page;
    for (int I = 0; I < 50; ++I)
        Page += "<a href=\"p" + QByteArray::number(I) + ".html\">x</a>";
    FServer.SetFallback([Page](const RecordedRequest&) { return ScriptedReply::Ok(Page); });
    FControl.FMaxURLs = 10;
    const QStringList Lines = Crawl();
    EXPECT_EQ(Lines.filter("URL limit reached (10): no more URLs are added.").size(), 1)
        << Lines.join('\n').toStdString();
    EXPECT_EQ(Lines.filter("Downloading [ ").size(), 10);
    EXPECT_TRUE(Lines.contains("Downloading [ 10 / 10 ]: " + FServer.Url("/p8.html")));
    EXPECT_EQ(Lines.last(), "Downloaded: 10, already existed: 0, not changed: 0, empty: 0, failed: 0.");
}

} // namespace
