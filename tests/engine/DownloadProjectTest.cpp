#include "DownloadProjectFixture.h"

namespace {

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
