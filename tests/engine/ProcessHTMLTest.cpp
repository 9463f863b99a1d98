#include "engine/crawl/ProcessHTML.h"
#include "engine/crawl/LinkMapper.h"
#include "engine/crawl/URLList.h"

#include "RecordingRunLog.h"
#include "support/QStringPrinter.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The page http://host/dir/page.html saved as <out>/dir/page.html/index.html,
// at depth 0 with limit 1, on the website http://host/.
class ProcessHTMLTest : public ::testing::Test {
protected:
    ProcessHTMLTest()
        : FThread(FLog, FControl)
    {
        FOut = QDir::toNativeSeparators(FTemp.path()) + QDir::separator();
        FSettings.WebsiteBase = "http://host/";
        FSettings.IndexName = "index.html";
        FSettings.OutFolder = FOut;
        FSettings.DownloadRules = &FDownloadRules;
        FSettings.DomainAliases = &FAliases;
        FSettings.SuppressURLs = &FSuppress;
        FPage.URL = "http://host/dir/page.html";
        FPage.OutFile = FOut + "dir/page.html/index.html";
        FPage.ExtractURLs = 1;
        FPage.URLDepth = 0;
        FURLs.AddURL(utA, FPage.URL, "http://host/", "index.html", FOut, 1, 0, nullptr, QString());
    }

    QString Process(const QString& Html) { return ProcessHTML(Html, FURLs, FPage, FSettings, FThread); }

    QTemporaryDir FTemp;
    QString FOut;
    RecordingRunLog FLog;
    TRunControl FControl;
    ScriptedThread FThread;
    std::vector<TDownloadRule> FDownloadRules;
    TStringList FAliases, FSuppress;
    TLinkSettings FSettings;
    TPageInfo FPage;
    TURLList FURLs;
};

enum TRewriting { rwRelative, rwTargetBase, rwFileLinks };

struct LinkCase {
    const char* Html;
    TRewriting Rewriting;
    const char* Expected; // "<out>" stands for the output folder with "/" separators
};

TEST_F(ProcessHTMLTest, LinksAreRewrittenByTheProjectsRewritingMode)
{
    const LinkCase Cases[] = {
        { "<img src=\"../img/a.png\">", rwRelative, "<img src=\"../../img/a.png\">" },
        { "<a href=\"about\">", rwRelative, "<a href=\"../about/index.html\">" },
        { "<a href=\"about\">", rwTargetBase, "<a href=\"https://mirror/site/dir/about/\">" },
        { "<a href=\"/\">", rwTargetBase, "<a href=\"https://mirror/site/\">" },
        { "<img src=\"img/b.png\">", rwFileLinks, "<img src=\"file://<out>dir/img/b.png\">" },
        { "<a href=\"http://other/x\">", rwRelative, "<a href=\"http://other/x\">" },
        { "<script src=\"//cdn/lib.js\"></script>", rwFileLinks,
            "<script src=\"http://cdn/lib.js\"></script>" },
        { "<a href=\"#top\">", rwTargetBase, "<a href=\"#top\">" },
    };
    const QString OutSlashes = QDir::fromNativeSeparators(FOut);
    for (const LinkCase& C : Cases) {
        FSettings.RelativePathLinks = C.Rewriting == rwRelative;
        FSettings.TargetBase = C.Rewriting == rwTargetBase ? "https://mirror/site/" : "";
        EXPECT_EQ(Process(C.Html), QString(C.Expected).replace("<out>", OutSlashes)) << C.Html;
    }
}

TEST_F(ProcessHTMLTest, ThePageAtItsLimitRewritesKnownLinksOnlyAndLogsNoCount)
{
    FSettings.RelativePathLinks = true;
    Process("<a href=\"/known.html\">");
    const int Count = FURLs.Count();
    FPage.URLDepth = 1;
    const QString Out = Process("<a href=\"/known.html#x\"><a href=\"/new.html\">");
    EXPECT_EQ(Out, "<a href=\"../../known.html/index.html\"><a href=\"/new.html\">");
    EXPECT_EQ(FURLs.Count(), Count);
    EXPECT_EQ(FLog.Lines(), QStringList({ "1 new URLs extracted." }));
}

TEST_F(ProcessHTMLTest, SuppressedLinksInsideTheSiteBecomeAbsolute)
{
    FSuppress.Add("logout");
    EXPECT_EQ(Process("<a href='LogOut.php'>"), "<a href='http://host/dir/LogOut.php'>");
    EXPECT_EQ(FLog.Lines(), QStringList({ "0 new URLs extracted." }));
}

TEST_F(ProcessHTMLTest, ScriptsAndNoscriptsAreDroppedOnRequest)
{
    struct Case {
        const char* Html;
        const char* Expected;
    };
    const Case Cases[] = {
        { "a<script src=a.js/>b", "ab" },
        { "a<SCRIPT>x<script>y</script>z</SCRIPT>b", "ab" },
        { "a<script>never closed", "anever closed" },
        { "a<noscript><img src=x.png></noscript>b", "ab" },
        { "a<script>x</script >b", "ax</script >b" },
    };
    FSettings.RemoveScripts = true;
    FSettings.RemoveNoscripts = true;
    for (const Case& C : Cases)
        EXPECT_EQ(Process(C.Html), C.Expected) << C.Html;

    FSettings.RemoveNoscripts = false;
    EXPECT_EQ(Process("<noscript>kept</noscript>"), "<noscript>kept</noscript>");
}

TEST_F(ProcessHTMLTest, AliasesDownloadRulesAndTheCountOfNewURLs)
{
    FAliases.Add("www.host");
    FDownloadRules.push_back({ "http://cdn.example/files/", "files" });
    FSettings.RelativePathLinks = true;
    FPage.URLDepth = 1; // at the limit: only download rules add URLs
    const QString Out
        = Process("<a href=\"http://cdn.example/files/doc.pdf\"><img src='http://cdn.example/files/'>"
                  "<a href=\"http://www.host/dir/page.html\">");
    EXPECT_EQ(Out,
        "<a href=\"../../files/doc.pdf/index.html\"><img src='../../files/image.png'>"
        "<a href=\"index.html\">");
    EXPECT_EQ(FURLs.ExtractURLs(FURLs.Count() - 1), 0);
    EXPECT_TRUE(FLog.Lines().isEmpty());

    FPage.URLDepth = 0;
    Process("<link rel=stylesheet type=\"text/css\" href=\"/style\"><a href=\"/a\"><a href=\"/a\">");
    EXPECT_TRUE(
        FURLs.OutFilePath(FURLs.Count() - 2).endsWith("style" + QString(QDir::separator()) + "index.css"));
    EXPECT_EQ(FLog.Lines().last(), "2 new URLs extracted.");
}

TEST_F(ProcessHTMLTest, BrokenMarkupIsCopiedUnchanged)
{
    const QString Cases[] = { "<a href=\"x.html", "text <", "<img src=>", "<a href='unterminated>", "" };
    for (const QString& Html : Cases)
        EXPECT_EQ(Process(Html), Html) << Html.toStdString();
}

} // namespace

namespace {

TEST_F(ProcessHTMLTest, HugeValuesAndManyLinksStayLinear)
{
    FSettings.RelativePathLinks = true;
    const QString LongLink = "/" + QString(1 << 20, 'x');
    const QString Out = Process("<a href=\"" + LongLink + "\">");
    EXPECT_TRUE(Out.startsWith("<a href=\"../../"));
    EXPECT_EQ(FURLs.URL(FURLs.Count() - 1), "http://host" + LongLink);

    QString Page;
    for (int I = 0; I < 100000; ++I)
        Page += QStringLiteral("<a href=\"p%1.html\">").arg(I);
    const int Before = FURLs.Count();
    Process(Page);
    EXPECT_EQ(FURLs.Count(), Before + 100000);
    EXPECT_EQ(FLog.Lines().last(), "100000 new URLs extracted.");
}

} // namespace

namespace {

struct PageCase {
    const char* Html;
    const char* Expected;
};

TEST_F(ProcessHTMLTest, CompletePagesFollowLinksWhereverModernPagesKeepThem)
{
    const PageCase Cases[] = {
        { "<picture><source srcset=\"a.webp 1x, b.webp 2x\"><img src=\"c.png\" srcset=\"d.png "
          "2x\"></picture>",
            "<picture><source srcset=\"../a.webp 1x, ../b.webp 2x\"><img src=\"../c.png\" "
            "srcset=\"../d.png 2x\"></picture>" },
        { "<div style=\"background:url('bg.png')\">", "<div style=\"background:url('../bg.png')\">" },
        { "<p style='x:url(\"q.png\")'>", "<p style='x:url(\"../q.png\")'>" },
        { "<style>@import \"s.css\"; p{x:url(i.png)}</style>",
            "<style>@import \"../s.css\"; p{x:url(../i.png)}</style>" },
        { "<video poster=\"p.jpg\" src=\"v.mp4\"><track src=\"t.vtt\"></video>",
            "<video poster=\"../p.jpg\" src=\"../v.mp4\"><track src=\"../t.vtt\"></video>" },
        { "<img data-src=\"lazy.png\" src=\"data:image/gif;base64,R0\">",
            "<img data-src=\"../lazy.png\" src=\"data:image/gif;base64,R0\">" },
        { "<meta http-equiv=\"refresh\" content=\"5; url=next.html\">",
            "<meta http-equiv=\"refresh\" content=\"5; url=../next.html/index.html\">" },
        { "<meta name=\"x\" content=\"url=no.html\">", "<meta name=\"x\" content=\"url=no.html\">" },
        { "<body background=\"b.gif\"><td background=b2.gif>",
            "<body background=\"../b.gif\"><td background=../b2.gif>" },
        { "<object data=\"m.swf\"></object><embed src=\"e.swf\"><audio src=\"s.ogg\">",
            "<object data=\"../m.swf\"></object><embed src=\"../e.swf\"><audio src=\"../s.ogg\">" },
        { "<svg><image href=\"v.svg\"/><use xlink:href=\"/u.svg\"/></svg>",
            "<svg><image href=\"../v.svg\"/><use xlink:href=\"../../u.svg\"/></svg>" },
        { "<input type=\"image\" src=\"go.png\"><input type=\"text\" src=\"no.png\">",
            "<input type=\"image\" src=\"../go.png\"><input type=\"text\" src=\"no.png\">" },
        { "<link rel=\"stylesheet\" href=\"main.php\">",
            "<link rel=\"stylesheet\" href=\"../main.php/index.css\">" },
        { "<div style=\"x:url(a.png)\\", "<div style=\"x:url(a.png)\\" },
    };
    FSettings.RelativePathLinks = true;
    FSettings.CompletePages = true;
    for (const PageCase& C : Cases)
        EXPECT_EQ(Process(C.Html), C.Expected) << C.Html;

    FSettings.CompletePages = false;
    for (const char* Html : { "<source srcset=\"x.webp\">", "<div style=\"background:url(x.png)\">",
             "<img src=\"data:x\" data-src=\"x.png\">" }) {
        const QString Out = Process(Html);
        EXPECT_TRUE(Out == Html || Out.startsWith("<img src=\"data:x\" data-src=\"x.png\"")) << Html;
        EXPECT_LT(FURLs.FindURL("http://host/dir/x.png"), 0) << Html;
        EXPECT_LT(FURLs.FindURL("http://host/dir/x.webp"), 0) << Html;
    }
}

TEST_F(ProcessHTMLTest, RequisitesAreFollowedAtTheLimitAndExtractNothing)
{
    FSettings.RelativePathLinks = true;
    FSettings.CompletePages = true;
    FPage.URLDepth = 1;
    EXPECT_EQ(Process("<img src=\"pic.png\"><a href=\"next.html\"><iframe src=\"f.html\"></iframe>"
                      "<link rel=\"next\" href=\"n2.html\"><link rel=\"icon\" href=\"fav.ico\">"),
        "<img src=\"../pic.png\"><a href=\"next.html\"><iframe src=\"f.html\"></iframe>"
        "<link rel=\"next\" href=\"n2.html\"><link rel=\"icon\" href=\"../fav.ico\">");
    const int Pic = FURLs.FindURL("http://host/dir/pic.png");
    ASSERT_GE(Pic, 0);
    EXPECT_EQ(FURLs.ExtractURLs(Pic), 0);
    EXPECT_EQ(FURLs.URLDepth(Pic), 2);
    EXPECT_GE(FURLs.FindURL("http://host/dir/fav.ico"), 0);
    EXPECT_TRUE(FLog.Lines().isEmpty());
}

TEST_F(ProcessHTMLTest, StyleSheetLinksAreRelativeToTheSheetsOwnFile)
{
    FSettings.RelativePathLinks = true;
    FSettings.CompletePages = true;
    const TPageInfo Sheet { "http://host/css/style.php", FOut + "css/style.php/index.css", 0, 7 };
    const QString Out
        = ProcessStyleSheet("@charset \"latin1\";@import 'more.php';/* url(x.png) */a{b:url(../img/a.png)}"
                            "c{d:url(data:image/svg+xml,<svg xmlns='http://www.w3.org/2000/svg'/>)}",
            FURLs, Sheet, FSettings, FThread);
    EXPECT_EQ(Out,
        "@charset \"UTF-8\";@import '../more.php/index.css';/* url(x.png) */a{b:url(../../img/a.png)}"
        "c{d:url(data:image/svg+xml,<svg xmlns='http://www.w3.org/2000/svg'/>)}");
    EXPECT_GE(FURLs.FindURL("http://host/img/a.png"), 0);
    EXPECT_EQ(FLog.Lines(), QStringList({ "2 new URLs extracted." }));
}

TEST(RelativeLinkPath, ClimbsOutOfThePagesFoldersAndDownIntoTheTargets)
{
    const struct {
        const char* Target;
        const char* From;
        const char* Link;
    } Cases[] = {
        { "/out/a/b/c.png", "/out/a/index.html", "b/c.png" },
        { "/out/x.png", "/out/a/b/index.html", "../../x.png" },
        { "/out/a/index.html", "/out/a/index.html", "index.html" },
        { "/out/a", "/out/a/b.html", "../a" },
        { "C:\\out\\a\\p.png", "C:\\out\\b\\index.html", "../a/p.png" },
        { "p.png", "index.html", "p.png" },
        { "/out//a/p.png", "/out/a/index.html", "..//a/p.png" },
        { "/out/A/p.png", "/out/a/index.html", "../A/p.png" },
    };
    for (const auto& C : Cases)
        EXPECT_EQ(RelativeLinkPath(C.Target, C.From), C.Link) << C.Target << " from " << C.From;
}

} // namespace
