#include "DownloadProjectFixture.h"

#include "engine/crawl/RobotsRules.h"

#include <QDirIterator>

namespace {

QStringList RequestPaths(const ScriptedHttpServer& Server)
{
    QStringList Paths;
    for (const RecordedRequest& Request : Server.Requests())
        Paths << QString::fromLatin1(Request.Path);
    return Paths;
}

QStringList SortedRequestPaths(const ScriptedHttpServer& Server)
{
    QStringList Paths = RequestPaths(Server);
    Paths.sort();
    return Paths;
}

QStringList FilesBelow(const QString& Folder)
{
    QStringList Files;
    QDirIterator It(Folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (It.hasNext())
        Files << QDir(Folder).relativeFilePath(It.next());
    Files.sort();
    return Files;
}

// A site whose robots.txt keeps crawlers out of /private/, linked from
// two pages, twice from the first.
void ServePrivateSite(ScriptedHttpServer& Server, const QByteArray& Robots)
{
    Server.On("/",
        ScriptedReply::Ok("<a href=\"/private/a.html\">a</a> <a href=\"/private/a.html#top\">a</a> "
                          "<a href=\"open.html\">o</a>"));
    Server.On("/open.html", ScriptedReply::Ok("<a href=\"/private/a.html\">a</a>"));
    Server.On("/private/a.html", ScriptedReply::Ok("private"));
    Server.On("/robots.txt", ScriptedReply::Ok(Robots, "text/plain"));
}

class ObeyingRobots : public DownloadProjectTest, public ::testing::WithParamInterface<int> { };

TEST_P(ObeyingRobots, ARefusedURLIsLoggedOnceNeitherFetchedNorCountedAndItsLinksStayAbsolute)
{
    FControl.FConnections = GetParam();
    ServePrivateSite(FServer, "User-agent: *\nDisallow: /private/\n");
    FProject.Requests().Robots = true;
    FProject.StartPages().push_back({ "/", 2 });
    FProject.StartPages().push_back({ "/private/start.html", 1 });
    const QStringList Lines = Crawl();
    const QString Log = Lines.join('\n');
    EXPECT_EQ(Lines.filter("Refused by robots.txt").join('\n'),
        "Refused by robots.txt: " + FServer.Url("/private/start.html")
            + "\nRefused by robots.txt: " + FServer.Url("/private/a.html"))
        << Log.toStdString();
    EXPECT_EQ(SortedRequestPaths(FServer), QStringList({ "/", "/open.html", "/robots.txt" }));
    EXPECT_EQ(Lines.last(), "Downloaded: 2, already existed: 0, not changed: 0, empty: 0, failed: 0.");
    EXPECT_TRUE(Lines.contains("Downloading [ 2 / 2 ]: " + FServer.Url("/open.html"))) << Log.toStdString();
    EXPECT_EQ(FilesBelow(FOutDir), QStringList({ "index.html", "open.html/index.html" }));
    EXPECT_TRUE(
        SavedContent(OutPath("open.html/index.html")).contains(FServer.Url("/private/a.html").toUtf8()));
}

INSTANTIATE_TEST_SUITE_P(OneConnectionAndFetchAhead, ObeyingRobots, ::testing::Values(1, 4));

struct RobotsReplyCase {
    const char* Name;
    ScriptedReply Reply;
    bool PrivateFetched;
};

void PrintTo(const RobotsReplyCase& Case, std::ostream* Out)
{
    *Out << Case.Name;
}

class RobotsReplies : public DownloadProjectTest, public ::testing::WithParamInterface<RobotsReplyCase> { };

TEST_P(RobotsReplies, DecideWhetherThePrivatePageIsFetched)
{
    ServePrivateSite(FServer, {});
    FServer.On("/robots.txt", GetParam().Reply);
    FProject.Requests().Robots = true;
    FProject.Requests().UserAgent = "harvo/1.0";
    const QStringList Lines = Crawl();
    const QStringList Paths = RequestPaths(FServer);
    EXPECT_EQ(Paths.count("/robots.txt"), 1);
    EXPECT_EQ(Paths.contains("/private/a.html"), GetParam().PrivateFetched) << Lines.join('\n').toStdString();
    EXPECT_EQ(Lines.filter("Refused by robots.txt").size(), GetParam().PrivateFetched ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Replies, RobotsReplies,
    ::testing::Values(RobotsReplyCase { "missing", ScriptedReply::Status(404, "Not Found"), true },
        RobotsReplyCase { "server error", ScriptedReply::Status(500, "Internal Server Error"), true },
        RobotsReplyCase { "another agent's group",
            ScriptedReply::Ok("User-agent: otherbot\nDisallow: /\n", "text/plain"), true },
        RobotsReplyCase { "our group over the star",
            ScriptedReply::Ok(
                "User-agent: *\nDisallow: /\n\nUser-agent: harvo\nDisallow: /private/\n", "text/plain"),
            false },
        RobotsReplyCase { "allowed again for us",
            ScriptedReply::Ok(
                "User-agent: *\nDisallow: /private/\n\nUser-agent: harvo\nAllow: /\n", "text/plain"),
            true }),
    [](const ::testing::TestParamInfo<RobotsReplyCase>& Info) {
        return QString::fromLatin1(Info.param.Name).replace(' ', '_').replace('\'', '_').toStdString();
    });

TEST_F(DownloadProjectTest, WithRobotsOffNoRobotsFileIsAskedFor)
{
    ServePrivateSite(FServer, "User-agent: *\nDisallow: /\n");
    const QStringList Lines = Crawl();
    EXPECT_EQ(SortedRequestPaths(FServer), QStringList({ "/", "/open.html", "/private/a.html" }));
    EXPECT_EQ(Lines.last(), "Downloaded: 3, already existed: 0, not changed: 0, empty: 0, failed: 0.");
}

TEST_F(DownloadProjectTest, EachHostsRobotsFileIsReadOnceAndItsCrawlDelayPassedOn)
{
    ScriptedHttpServer Other;
    FServer.On(
        "/robots.txt", ScriptedReply::Ok("User-agent: *\nDisallow: /no\nCrawl-delay: 1.5\n", "text/plain"));
    Other.On("/robots.txt", ScriptedReply::Ok("User-agent: *\nDisallow: /other-no\n", "text/plain"));
    THTTPClient Client(QString(), ptAUTO, "test", QString(), 5, 5);
    std::vector<std::pair<QString, int>> Delays;
    TRobotsRules Robots(Client, "harvo/1.0", FThread,
        [&Delays](const QString& Host, int Ms) { Delays.emplace_back(Host, Ms); });
    for (int Round = 0; Round < 2; ++Round) {
        EXPECT_TRUE(Robots.Allows(FServer.Url("/yes")));
        EXPECT_FALSE(Robots.Allows(FServer.Url("/no?x=1")));
        EXPECT_TRUE(Robots.Allows(Other.Url("/no")));
        EXPECT_FALSE(Robots.Allows(Other.Url("/other-no")));
    }
    EXPECT_EQ(RequestPaths(FServer), QStringList({ "/robots.txt" }));
    EXPECT_EQ(RequestPaths(Other), QStringList({ "/robots.txt" }));
    // Per host name, as the requests' pacing knows hosts.
    EXPECT_EQ(Delays, (std::vector<std::pair<QString, int>> { { "127.0.0.1", 1500 } }));
    EXPECT_EQ(FLog.Lines().filter("Refused by robots.txt").size(), 2);
}

} // namespace
