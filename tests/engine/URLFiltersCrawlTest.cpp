#include "DownloadProjectFixture.h"

namespace {

struct FilterCase {
    const char* Name;
    QStringList Accept;
    QStringList Reject;
    QStringList Fetched; // besides the start page, sorted
};

void PrintTo(const FilterCase& Case, std::ostream* Out)
{
    *Out << Case.Name;
}

class URLFilters : public DownloadProjectTest, public ::testing::WithParamInterface<FilterCase> {
protected:
    // A start page that the filters would refuse, linking a page, a file,
    // a page with a query and a style sheet that names an image.
    void ServeSite()
    {
        FServer.On("/start.html",
            ScriptedReply::Ok("<a href=\"a.html\">a</a> <a href=\"b.pdf\">b</a> <a href=\"c.html?x=1\">c</a> "
                              "<link rel=stylesheet href=\"d.css\">"));
        FServer.On("/d.css", ScriptedReply::Ok("body { background: url(e.png) }", "text/css"));
        FServer.SetFallback([](const RecordedRequest&) { return ScriptedReply::Ok("x", "text/plain"); });
        FProject.StartPages().push_back({ "/start.html", 1 });
        FProject.SetCompletePages(true);
    }

    QStringList FetchedPaths() const
    {
        QStringList Paths;
        for (const RecordedRequest& Request : FServer.Requests())
            if (Request.Path != "/start.html")
                Paths << QString::fromLatin1(Request.Path);
        Paths.sort(); // fetched ahead in any order
        return Paths;
    }
};

TEST_P(URLFilters, KeepRefusedLinksOutOfTheListAndAbsolute)
{
    ServeSite();
    FProject.Requests().Accept = GetParam().Accept;
    FProject.Requests().Reject = GetParam().Reject;
    const QStringList Lines = Crawl();
    EXPECT_EQ(FetchedPaths(), GetParam().Fetched) << Lines.join('\n').toStdString();
    EXPECT_EQ(Lines.last(),
        QStringLiteral("Downloaded: %1, already existed: 0, not changed: 0, empty: 0, failed: 0.")
            .arg(GetParam().Fetched.size() + 1));
    const QByteArray Start = SavedContent(OutPath("start.html/index.html"));
    for (const char* Link : { "/a.html", "/b.pdf", "/c.html?x=1", "/d.css" }) {
        const bool Absolute = Start.contains(FServer.Url(Link).toUtf8());
        EXPECT_EQ(Absolute, !GetParam().Fetched.contains(Link)) << Link << "\n" << Start.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(AcceptAndReject, URLFilters,
    ::testing::Values(
        FilterCase { "none", {}, {}, { "/a.html", "/b.pdf", "/c.html?x=1", "/d.css", "/e.png" } },
        FilterCase { "reject_a_type", {}, { "\\.pdf$" }, { "/a.html", "/c.html?x=1", "/d.css", "/e.png" } },
        FilterCase { "reject_a_query", {}, { "\\?" }, { "/a.html", "/b.pdf", "/d.css", "/e.png" } },
        FilterCase { "accept_pages", { "\\.html" }, {}, { "/a.html", "/c.html?x=1" } },
        FilterCase {
            "accept_from_two", { "a\\.html$", "\\.(css|png)$" }, {}, { "/a.html", "/d.css", "/e.png" } },
        FilterCase { "reject_over_accept", { "\\.html", "\\.css" }, { "^http://[^/]*/a\\." },
            { "/c.html?x=1", "/d.css" } }),
    [](const ::testing::TestParamInfo<FilterCase>& Info) { return std::string(Info.param.Name); });

TEST_F(DownloadProjectTest, AnInvalidPatternIsLoggedOnceAtTheStartAndIgnored)
{
    FServer.On("/", ScriptedReply::Ok("<a href=\"a.html\">a</a> <a href=\"b.html\">b</a>"));
    FServer.SetFallback([](const RecordedRequest&) { return ScriptedReply::Ok("x"); });
    FProject.Requests().Accept = QStringList { "a\\.html", "(" };
    FProject.Requests().Reject = QStringList { "[z-a]" };
    const QStringList Lines = Crawl();
    ASSERT_GE(Lines.size(), 3);
    EXPECT_EQ(Lines[0],
        "Invalid accept pattern \"(\": Error in regular expression at offset 1: missing closing parenthesis");
    EXPECT_TRUE(
        Lines[1].startsWith("Invalid reject pattern \"[z-a]\": Error in regular expression at offset"))
        << Lines[1].toStdString();
    EXPECT_TRUE(Lines[2].startsWith("Downloading [ 1 / 1 ]")) << Lines[2].toStdString();
    EXPECT_EQ(Lines.filter("Invalid").size(), 2);
    EXPECT_EQ(Lines.last(), "Downloaded: 2, already existed: 0, not changed: 0, empty: 0, failed: 0.");
}

} // namespace
