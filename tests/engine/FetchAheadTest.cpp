// A crawl that fetches ahead must log and save exactly what a crawl one URL
// at a time does; only timing may differ.
#include "engine/crawl/DownloadProject.h"

#include "InstantEnvironment.h"
#include "RecordingRunLog.h"
#include "support/Files.h"
#include "support/NginxServer.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedHttpServer.h"
#include "support/TestCertificate.h"

#include "http/HTTPClientUnit.h"
#include "projects/WebsiteUnit.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <set>

namespace {

// Polls Done until it holds or TimeoutMs passed; true when it held.
bool WaitUntil(const std::function<bool()>& Done, int TimeoutMs)
{
    QElapsedTimer Timer;
    Timer.start();
    while (!Done()) {
        if (Timer.elapsed() > TimeoutMs)
            return false;
        QThread::msleep(10);
    }
    return true;
}

// What one crawl left: its log, the files, and the server's side of it.
struct CrawlRecord {
    QStringList Log;
    std::map<QString, QByteArray> Tree;
    std::map<QByteArray, QByteArray> RefererByPath; // of each path's first request
    int Connections = 0;
    int ServerCloses = 0;
};

// A site with every kind of reply a crawl meets: pages, files, a style
// sheet, redirects (to a folder, in a loop), a reply that fails once, one
// that always fails, a client error, empty bodies, and a server that ends
// the connection after every second reply.
class FetchAheadTest : public ::testing::TestWithParam<bool> {
protected:
    FetchAheadTest()
        : FServer(GetParam() ? &FCertificate : nullptr)
    {
        FOutDir = QDir::toNativeSeparators(FTemp.path() + "/out");
        FProject.SetWebsiteURL(FServer.Url("/"));
        FProject.SetRelativePathLinks(true);
        FProject.SetCompletePages(true);
        QByteArray Index = "<link rel=stylesheet href=\"style.css\">";
        for (const char* Link : { "a.html", "about", "once.html", "broken.html", "missing.html", "empty.html",
                 "loop.html", "pic.png", "data.bin", "b.html" })
            Index += "<a href=\"" + QByteArray(Link) + "\">x</a>\n";
        FServer.On("/", ScriptedReply::Ok(Index));
        FServer.On("/style.css", ScriptedReply::Ok("body{background:url(bg.png)}", "text/css"));
        FServer.On("/about", ScriptedReply::Redirect(301, "/about/"));
        FServer.On("/about/", ScriptedReply::Ok("<img src=\"me.png\"><a href=\"../c.html\">c</a>"));
        FServer.On("/broken.html", ScriptedReply::Status(500, "Internal Server Error"));
        FServer.On("/missing.html", ScriptedReply::Status(404, "Not Found"));
        FServer.On("/empty.html", ScriptedReply::Ok(""));
        FServer.On("/loop.html", ScriptedReply::Redirect(302, "/loop.html"));
        FServer.On("/data.bin", ScriptedReply::Stream(QByteArray(1 << 16, 'd'), 40, 0, "application/zip"));
        FServer.SetFallback([this](const RecordedRequest& Request) {
            const std::lock_guard<std::mutex> Lock(FMutex);
            const int Seen = FSeen[Request.Path]++;
            if (Request.Path == "/once.html" && Seen == 0)
                return ScriptedReply::Status(503, "Service Unavailable");
            // Pages link one level further; every second of those ends its
            // connection.
            const bool Deeper = Request.Path.startsWith("/d");
            ScriptedReply Reply = ScriptedReply::Ok(
                Deeper ? Request.Path : "<a href=\"d" + Request.Path.mid(1) + "\">" + Request.Path + "</a>",
                Request.Path.endsWith(".png") ? "image/png" : "text/html");
            if (Deeper && ++FReplies % 2 == 0) {
                Reply.After = ScriptedReply::Then::Close;
                ++FCloses;
            }
            return Reply;
        });
    }

    CrawlRecord Crawl(int Connections)
    {
        {
            const std::lock_guard<std::mutex> Lock(FMutex);
            FSeen.clear();
            FReplies = 0;
            FCloses = 0;
        }
        const int RequestsBefore = FServer.RequestCount();
        RecordingRunLog Log;
        TInstantEnvironment Env; // retry pauses take no time
        ScriptedThread Thread(Log, FControl);
        Thread.SetEnv(Env);
        FControl.FHTTPRetries = 2;
        FControl.FConnections = Connections;
        THTTPClient Client(QString(), ptAUTO, "test", QString(), 5, 5);
        Client.SetAbortFlag(&Thread.TerminatedFlag());
        Client.SetMaxRedirects(3);
        DownloadProject(FOutDir, FProject, Client, Thread);

        CrawlRecord Record { Log.Lines(), TreeOf(FOutDir), {}, 0, FCloses };
        std::set<int> Connected;
        const std::vector<RecordedRequest> Requests = FServer.Requests();
        for (size_t I = size_t(RequestsBefore); I < Requests.size(); ++I) {
            Record.RefererByPath.emplace(Requests[I].Path, Requests[I].Header("Referer"));
            Connected.insert(Requests[I].ConnectionId);
        }
        Record.Connections = int(Connected.size());
        return Record;
    }

    void ExpectSameCrawl(const CrawlRecord& One, const CrawlRecord& Many)
    {
        EXPECT_EQ(One.Log, Many.Log);
        EXPECT_EQ(One.Tree, Many.Tree);
        EXPECT_EQ(One.RefererByPath, Many.RefererByPath);
        EXPECT_TRUE(QDir(FOutDir).entryList({ ".harvo-*" }, QDir::Files | QDir::Hidden).isEmpty());
    }

    TestCertificate FCertificate;
    ScriptedHttpServer FServer;
    std::mutex FMutex;
    std::map<QByteArray, int> FSeen;
    int FReplies = 0;
    int FCloses = 0;
    QTemporaryDir FTemp;
    QString FOutDir;
    TRunControl FControl;
    TWebsiteProject FProject;
};

TEST_P(FetchAheadTest, EightTransfersLogAndSaveWhatOneDoesUnderEveryPolicy)
{
    // Each policy meets the files the crawl before it left; the first run
    // starts from an empty folder.
    for (const TOverwriteFile Policy : { ofAll, ofNone, ofChanged, ofAll }) {
        FProject.SetOverwrite(Policy);
        const std::map<QString, QByteArray> Before = TreeOf(FOutDir);
        const CrawlRecord One = Crawl(1);
        QDir(FOutDir).removeRecursively();
        for (const auto& [Path, Content] : Before) {
            QDir().mkpath(QFileInfo(FOutDir + "/" + Path).path());
            WriteFile(FOutDir + "/" + Path, Content);
        }
        const CrawlRecord Many = Crawl(8);
        ExpectSameCrawl(One, Many);
        // Connections are kept but where the server ends them.
        EXPECT_LE(One.Connections, 1 + One.ServerCloses) << Policy;
        EXPECT_LE(Many.Connections, 8 + Many.ServerCloses) << Policy;
    }
    FProject.SetOverwrite(ofChanged);
    const CrawlRecord Last = Crawl(8);
    const QString Log = Last.Log.join('\n');
    for (const char* Expected :
        { "Redirect to: /about/", "Retry #1...", "Too many redirects (3)", "Not Found" })
        EXPECT_TRUE(Log.contains(Expected)) << Expected << "\n" << Log.toStdString();
    EXPECT_EQ(Last.Log.last(), "Downloaded: 0, already existed: 0, not changed: 15, empty: 1, failed: 3.")
        << Log.toStdString();
    EXPECT_EQ(Last.Tree.at("data.bin/index.html").size(), 40 << 16);
    // Each request names the URL before it in the list as its referer.
    EXPECT_EQ(Last.RefererByPath.at("/style.css"), FServer.Url("/").toUtf8());
}

TEST_P(FetchAheadTest, BreakBeforeTheStartEndsBothAfterTheFirstURL)
{
    FControl.FTerminated = true;
    const CrawlRecord One = Crawl(1);
    QDir(FOutDir).removeRecursively();
    const CrawlRecord Many = Crawl(8);
    ExpectSameCrawl(One, Many);
    EXPECT_EQ(Many.Log.size(), 3) << Many.Log.join('\n').toStdString();
}

TEST_P(FetchAheadTest, PagesFetchedBeforeACookieCameAreFetchedAgainWithIt)
{
    // The first page sets a cookie late; the pages after it show what they got.
    QByteArray Index = "<a href=\"sets.html\">s</a>";
    for (const char* Page : { "shows1.html", "shows2.html", "shows3.html" })
        Index += "<a href=\"" + QByteArray(Page) + "\">x</a>";
    FServer.On("/", ScriptedReply::Ok(Index));
    ScriptedReply Sets = ScriptedReply::Status(
        200, "OK", { "Content-Type: text/html", "Set-Cookie: sid=abc; Path=/" }, "cookie set");
    Sets.DelayMs = 400;
    FServer.On("/sets.html", Sets);
    FServer.SetFallback([](const RecordedRequest& Request) {
        return ScriptedReply::Ok("cookie: " + Request.Header("Cookie"));
    });

    const CrawlRecord One = Crawl(1);
    QDir(FOutDir).removeRecursively();
    const int RequestsBefore = FServer.RequestCount();
    const CrawlRecord Many = Crawl(6);
    ExpectSameCrawl(One, Many);
    int Shown = 0;
    for (const auto& [Path, Content] : Many.Tree)
        Shown += Content == "cookie: sid=abc";
    EXPECT_EQ(Shown, 3);
    // The pages did go out ahead of the cookie.
    const std::vector<RecordedRequest> Requests = FServer.Requests();
    EXPECT_TRUE(std::any_of(Requests.begin() + RequestsBefore, Requests.end(),
        [](const RecordedRequest& R) { return R.Path.startsWith("/shows") && !R.HasHeader("Cookie"); }));
}

INSTANTIATE_TEST_SUITE_P(PlainAndTls, FetchAheadTest, ::testing::Values(false, true),
    [](const ::testing::TestParamInfo<bool>& Info) { return Info.param ? "Tls" : "Plain"; });

// Holds every request that arrives until Count are held at once (or, once,
// a few seconds passed): the server side of "several requests in flight".
class InFlightBarrier {
public:
    explicit InFlightBarrier(int Count)
        : FCount(Count)
    {
    }
    void Arrive()
    {
        std::unique_lock<std::mutex> Lock(FMutex);
        if (++FInside >= FCount)
            FReached = true;
        FChanged.notify_all();
        if (!FChanged.wait_for(Lock, std::chrono::seconds(5), [this] { return FReached || FGaveUp; }))
            FGaveUp = true;
        --FInside;
    }
    bool Reached() const
    {
        const std::lock_guard<std::mutex> Lock(FMutex);
        return FReached;
    }

private:
    const int FCount;
    mutable std::mutex FMutex;
    std::condition_variable FChanged;
    int FInside = 0;
    bool FReached = false;
    bool FGaveUp = false;
};

TEST(FetchAheadHttp10Test, AServerThatKeepsNoConnectionStillGetsSeveralRequestsAtOnce)
{
    for (const bool Tls : { false, true }) {
        TestCertificate Certificate;
        ScriptedHttpServer Server(Tls ? &Certificate : nullptr);
        const auto Http10 = [](const QByteArray& Body) {
            return ScriptedReply::Raw("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: "
                    + QByteArray::number(Body.size()) + "\r\n\r\n" + Body,
                ScriptedReply::Then::Close);
        };
        QByteArray Index;
        for (const char* Page : { "a", "b", "c", "d", "e", "f" })
            Index += "<a href=\"" + QByteArray(Page) + ".html\">x</a>";
        Server.On("/", Http10(Index));
        InFlightBarrier ThreeAtOnce(3);
        Server.SetFallback([&](const RecordedRequest& Request) {
            ThreeAtOnce.Arrive();
            return Http10(Request.Path);
        });
        QTemporaryDir Out;
        TWebsiteProject Project;
        Project.SetWebsiteURL(Server.Url("/"));
        RecordingRunLog Log;
        TRunControl Control;
        Control.FConnections = 6;
        ScriptedThread Thread(Log, Control);
        THTTPClient Client(QString(), ptAUTO, "test", QString(), 5, 5);
        DownloadProject(Out.path(), Project, Client, Thread);
        EXPECT_TRUE(ThreeAtOnce.Reached()) << Tls;
        EXPECT_EQ(
            Log.Lines().last(), "Downloaded: 7, already existed: 0, not changed: 0, empty: 0, failed: 0.")
            << Tls;
    }
}

int ThreadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// However many transfers run, one hub thread drives them all: while the
// server holds as many requests as there are connections, the process has
// gained a thread for each of the server's connections and a few more, not
// one for each URL in flight.
TEST(FetchAheadThreadsTest, TheThreadsDoNotGrowWithTheTransfersInFlight)
{
    for (const int Connections : { 1, 8 }) {
        ScriptedHttpServer Server;
        QByteArray Index;
        for (int Page = 0; Page < 16; ++Page)
            Index += "<a href=\"p" + QByteArray::number(Page) + ".html\">x</a>";
        Server.On("/", ScriptedReply::Ok(Index));
        InFlightBarrier AllHeld(Connections);
        std::mutex Mutex;
        int MostThreads = 0;
        Server.SetFallback([&](const RecordedRequest& Request) {
            AllHeld.Arrive();
            const std::lock_guard<std::mutex> Lock(Mutex);
            MostThreads = std::max(MostThreads, ThreadCount());
            return ScriptedReply::Ok(Request.Path);
        });
        QTemporaryDir Out;
        TWebsiteProject Project;
        Project.SetWebsiteURL(Server.Url("/"));
        RecordingRunLog Log;
        TRunControl Control;
        Control.FConnections = Connections;
        ScriptedThread Thread(Log, Control);
        THTTPClient Client(QString(), ptAUTO, "test", QString(), 5, 5);
        const int Before = ThreadCount();
        DownloadProject(Out.path(), Project, Client, Thread);
        EXPECT_TRUE(AllHeld.Reached()) << Connections;
        // The server's connections, the hub, and a spare.
        EXPECT_LE(MostThreads - Before, Connections + 2) << Connections;
        EXPECT_EQ(
            Log.Lines().last(), "Downloaded: 17, already existed: 0, not changed: 0, empty: 0, failed: 0.")
            << Log.Lines().join('\n').toStdString();
    }
}

TEST(FetchAheadLiveLogTest, TheLinesOfTheURLWhoseTurnItIsAreLoggedAsTheyHappen)
{
    for (const int Connections : { 1, 8 }) {
        ScriptedHttpServer Server;
        RecordingRunLog Log;
        std::atomic<int> Calls { 0 };
        std::atomic<bool> RetryLoggedFirst { false };
        Server.On("/", ScriptedReply::Ok("<a href=\"flaky.html\">f</a>"));
        Server.SetFallback([&](const RecordedRequest&) {
            if (Calls++ == 0)
                return ScriptedReply::Status(503, "Service Unavailable");
            // The second try is answered once the log tells why it came.
            RetryLoggedFirst = WaitUntil([&Log] { return Log.Lines().contains("Retry #1..."); }, 10000);
            return ScriptedReply::Ok("at last");
        });
        QTemporaryDir Out;
        TWebsiteProject Project;
        Project.SetWebsiteURL(Server.Url("/"));
        TRunControl Control;
        Control.FConnections = Connections;
        TInstantEnvironment Env;
        ScriptedThread Thread(Log, Control);
        Thread.SetEnv(Env);
        THTTPClient Client(QString(), ptAUTO, "test", QString(), 5, 5);
        DownloadProject(Out.path(), Project, Client, Thread);
        EXPECT_TRUE(RetryLoggedFirst) << Connections;
        EXPECT_EQ(
            Log.Lines().last(), "Downloaded: 2, already existed: 0, not changed: 0, empty: 0, failed: 0.")
            << Log.Lines().join('\n').toStdString();
    }
}

TEST(FetchAheadStallTest, AStalledTransferHoldsUpNoOtherFetch)
{
    // Each of the four pages is answered only once all four are asked for:
    // one at a time, the first would wait for the others in vain.
    ScriptedHttpServer Server;
    Server.On("/",
        ScriptedReply::Ok("<a href=a.html>a</a><a href=b.html>b</a><a href=c.html>c</a>"
                          "<a href=d.html>d</a>"));
    InFlightBarrier FourAtOnce(4);
    Server.SetFallback([&FourAtOnce](const RecordedRequest&) {
        FourAtOnce.Arrive();
        return ScriptedReply::Ok("slow");
    });
    QTemporaryDir Temp;
    TWebsiteProject Project;
    Project.SetWebsiteURL(Server.Url("/"));
    RecordingRunLog Log;
    TRunControl Control;
    Control.FConnections = 4;
    ScriptedThread Thread(Log, Control);
    THTTPClient Client(QString(), ptAUTO, "test", QString(), 5, 5);
    DownloadProject(Temp.path(), Project, Client, Thread);
    EXPECT_TRUE(FourAtOnce.Reached());
    EXPECT_EQ(Log.Lines().last(), "Downloaded: 5, already existed: 0, not changed: 0, empty: 0, failed: 0.");
}

TEST(FetchAheadHttp2Test, AStreamResetFailsThatURLAloneAndTheConnectionGoesOn)
{
    if (NginxServer::FindBinary().isEmpty())
        GTEST_SKIP() << "nginx is not installed";
    QTemporaryDir Root;
    QByteArray Index;
    for (const char* Page : { "a", "b", "reset", "c", "d", "e" }) {
        Index += "<a href=\"" + QByteArray(Page) + ".html\">x</a>";
        WriteFile(Root.filePath(QString(Page) + ".html"), Page);
    }
    WriteFile(Root.filePath("index.html"), Index);
    TestCertificate Certificate;
    NginxOptions Options;
    Options.RootFolder = Root.path();
    Options.TlsCertificateFile = Certificate.CertificateFile();
    Options.TlsKeyFile = Certificate.KeyFile();
    // Over HTTP/2 this ends the stream with RST_STREAM, not the connection.
    Options.AddLocation("= /reset.html", "return 444;");
    NginxServer Server(Options);

    QTemporaryDir Out;
    TWebsiteProject Project;
    Project.SetWebsiteURL(Server.BaseURL());
    RecordingRunLog Log;
    TRunControl Control;
    Control.FHTTPRetries = 1;
    Control.FConnections = 2;
    ScriptedThread Thread(Log, Control);
    THTTPClient Client(QString(), ptAUTO, "test", QString(), 5, 5);
    DownloadProject(Out.path(), Project, Client, Thread);
    const QStringList Lines = Log.Lines();
    EXPECT_EQ(Lines.filter("was not closed cleanly").size(), 2) << Lines.join('\n').toStdString();
    EXPECT_EQ(Lines.last(), "Downloaded: 6, already existed: 0, not changed: 0, empty: 0, failed: 1.")
        << Lines.join('\n').toStdString();
}

} // namespace
