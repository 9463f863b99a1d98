// The site's own file names: the mapping of URLs, one file for one
// document, and a documentation site copied through nginx whose every link
// leads to a file of the copy or to the site, and which opens offline.
#include "engine/crawl/SiteFileNames.h"
#include "engine/crawl/DownloadProject.h"
#include "engine/crawl/URLList.h"

#include "RecordingRunLog.h"
#include "support/Files.h"
#include "support/NginxServer.h"
#include "support/OfflineBrowser.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedHttpServer.h"

#include "http/HTTPClientUnit.h"
#include "projects/WebsiteUnit.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

const QString Site = "http://host/";

QString MappedPath(TURLList& List, TURLTag Tag, const QString& URL, const QString& LinkType = QString())
{
    const int Index = List.AddURL(Tag, URL, Site, "index.html", "/out/", 0, 0, nullptr, LinkType);
    return Index < 0 ? QString("(refused)") : List.OutFilePath(Index).mid(5);
}

TEST(SiteFileNames, URLsKeepTheSiteNamesPagesEndInHtmlQueriesGoBeforeTheExtension)
{
    struct Case {
        TURLTag Tag;
        QString URL, LinkType, Path;
    } Cases[] = {
        { utA, "http://host/", "", "index.html" },
        { utA, "http://host/about", "", "about.html" },
        { utA, "http://host/page.html#top", "", "page.html" },
        { utA, "http://host/old.HTM", "", "old.HTM" },
        { utA, "http://host/dir/", "", "dir/index.html" },
        { utA, "http://host/list.php?id=5", "", "list@id=5.php.html" },
        { utA, "http://host/?page=2", "", "index@page=2.html" },
        { utA, "http://host/search?", "", "search@.html" },
        { utA, "http://host/doc.pdf", "", "doc.pdf" },
        { utA, "http://host/data.txt.gz", "", "data.txt.gz" },
        { utA, "http://host/src/example.py", "", "src/example.py" },
        { utImg, "http://host/captcha.php", "", "captcha.php" },
        { utImg, "http://host/pic", "", "pic" },
        { utLink, "http://host/font.woff2?v=4.7.0", "", "font@v=4.7.0.woff2" },
        { utLink, "http://host/style.css?2022.1", "text/css", "style@2022.1.css" },
        { utLink, "http://host/theme.php", "text/css", "theme.php.css" },
        { utLink, "http://host/feed", "application/rss+xml", "feed" },
        // A long or unsafe query becomes a short digest.
        { utImg, "http://host/a.png?x=" + QString(60, 'y'), "", "a@47a3791067.png" },
        { utImg, "http://host/a.png?p=a/b", "", "a@c2a1772367.png" },
        { utImg, "http://host/caf%C3%A9%20%FF.png", "", "caf\u00e9 %FF.png" },
    };
    for (const Case& C : Cases) {
        TURLList List;
        List.SetSiteFileNames(true);
        EXPECT_EQ(MappedPath(List, C.Tag, C.URL, C.LinkType), C.Path) << C.URL.toStdString();
    }
}

TEST(SiteFileNames, OneDocumentIsOneEntryAndTwoDocumentsNeverShareAName)
{
    TURLList List;
    List.SetSiteFileNames(true);
    const int Home = List.AddURL(utA, Site, Site, "index.html", "/out/", 0, 0, nullptr, "");
    EXPECT_EQ(
        List.AddURL(utA, "http://host/index.html#top", Site, "index.html", "/out/", 0, 0, nullptr, ""), Home);
    const int Guide
        = List.AddURL(utA, "http://host/guide/index.html", Site, "index.html", "/out/", 0, 0, nullptr, "");
    EXPECT_EQ(List.AddURL(utA, "http://host/guide/", Site, "index.html", "/out/", 0, 0, nullptr, ""), Guide);
    EXPECT_EQ(List.Count(), 2);

    // "/about" is a page, so "/about.html" is another document with a name of its own.
    EXPECT_EQ(MappedPath(List, utA, "http://host/about"), "about.html");
    EXPECT_EQ(MappedPath(List, utA, "http://host/about.html"), "about-2.html");
    EXPECT_EQ(MappedPath(List, utA, "http://host/about/team"), "about/team.html");
    // Escapes that decode to one name are two URLs: the later one yields.
    EXPECT_EQ(MappedPath(List, utImg, "http://host/a.png"), "a.png");
    EXPECT_EQ(MappedPath(List, utImg, "http://host/%61.png"), "a-2.png");
    EXPECT_EQ(MappedPath(List, utImg, "http://host/%2561.png"), "%2561.png");
    // A file first, then URLs below it: the folder takes a variant.
    EXPECT_EQ(MappedPath(List, utImg, "http://host/docs"), "docs");
    EXPECT_EQ(MappedPath(List, utImg, "http://host/docs/x.png"), "docs-2/x.png");
    EXPECT_EQ(MappedPath(List, utImg, "http://host/docs/y/z.png"), "docs-2/y/z.png");
    // A folder first, then a file of its name.
    EXPECT_EQ(MappedPath(List, utImg, "http://host/lib/x.js"), "lib/x.js");
    EXPECT_EQ(MappedPath(List, utImg, "http://host/lib"), "lib-2");
}

TEST(SiteFileNames, AReplyRenamesItsEntryAndFreesTheExpectedName)
{
    TURLList List;
    List.SetSiteFileNames(true);
    const auto Add = [&List](const QString& URL) {
        return List.AddURL(utA, URL, Site, "index.html", "/out/", 0, 0, nullptr, "");
    };
    const int Report = Add("http://host/report");
    const int Docs = Add("http://host/docs");
    Add("http://host/docs/x");
    EXPECT_EQ(List.OutFilePath(Report), "/out/report.html");
    EXPECT_TRUE(List.RenameForReply(Report, TDocumentKind::File, QString()));
    EXPECT_EQ(List.OutFilePath(Report), "/out/report");
    EXPECT_FALSE(List.RenameForReply(Report, TDocumentKind::File, QString()));
    // A file that would be a folder of the copy takes a variant.
    EXPECT_TRUE(List.RenameForReply(Docs, TDocumentKind::File, QString()));
    EXPECT_EQ(List.OutFilePath(Docs), "/out/docs-2");
    // A redirect within the site names the file after its target.
    const int Old = Add("http://host/old");
    EXPECT_TRUE(List.RenameForReply(Old, TDocumentKind::Page, "http://host/new/"));
    EXPECT_EQ(List.OutFilePath(Old), "/out/new/index.html");
    EXPECT_EQ(MappedPath(List, utA, "http://host/report.html"), "report.html");
}

TEST(SiteFileNames, LinksEscapeWhatAURLWouldReadOtherwise)
{
    EXPECT_EQ(EncodeFileLink("a b/c%1B#?:&\"x\u00e9.html"), "a%20b/c%251B%23%3F%3A%26%22x\u00e9.html");
}

TEST(SiteFileNames, LinksToNamesWithEscapesOpenTheFilesSavedForThem)
{
    ScriptedHttpServer Server;
    Server.On("/",
        ScriptedReply::Ok("<a href=\"ctl%1Bx.html#a\">1</a><img src=\"nl%0Ay.png\">"
                          "<a href=\"caf%C3%A9%20au%25lait.html\">2</a><a href=\"bad%FF.html\">3</a>"
                          "<a href=\"q.html?a=b&c=d\">4</a>"));
    Server.SetFallback([](const RecordedRequest&) { return ScriptedReply::Ok("<p>page</p>"); });
    Server.On("/nl%0Ay.png", ScriptedReply::Ok("PNG", "image/png"));
    QTemporaryDir Temp;
    TWebsiteProject Project;
    Project.SetWebsiteURL(Server.Url("/"));
    Project.SetRelativePathLinks(true);
    Project.SetSiteFileNames(true);
    RecordingRunLog Log;
    TRunControl Control;
    ScriptedThread Thread(Log, Control);
    THTTPClient Client(QString(), ptAUTO, "test", QString(), 5, 5);
    DownloadProject(Temp.path(), Project, Client, Thread);

    const QString Home = Temp.path() + "/index.html";
    const QStringList Links
        = QString::fromUtf8(ReadFile(Home)).split('"').filter(QRegularExpression("\\.(html|png)"));
    ASSERT_EQ(Links.size(), 5) << Log.Lines().join('\n').toStdString();
    for (const QString& Link : Links) {
        const QUrl Target = QUrl::fromLocalFile(Home).resolved(QUrl(Link));
        EXPECT_TRUE(Target.isLocalFile()) << Link.toStdString();
        EXPECT_TRUE(QFileInfo(Target.toLocalFile()).isFile()) << Link.toStdString();
    }
    EXPECT_TRUE(Links.contains("ctl%251Bx.html#a")) << Links.join(' ').toStdString();
}

// Every link of a saved page or style sheet, as written.
QStringList LinksOf(const QString& Text)
{
    static const QRegularExpression Attribute("\\s(?:src|href)=\"([^\"]*)\"");
    static const QRegularExpression CSSLink("url\\(\\s*['\"]?([^'\")]+?)['\"]?\\s*\\)");
    QStringList Links;
    for (auto It = Attribute.globalMatch(Text); It.hasNext();)
        Links << It.next().captured(1).replace("&amp;", "&");
    for (auto It = CSSLink.globalMatch(Text); It.hasNext();)
        Links << It.next().captured(1);
    return Links;
}

class DocumentationSiteTest : public ::testing::Test {
protected:
    DocumentationSiteTest()
    {
        FOutDir = FTemp.path() + "/out";
        FProject.SetRelativePathLinks(true);
        FProject.SetCompletePages(true);
        FProject.SetSiteFileNames(true);
        FProject.StartPages().push_back({ "/", 2 });
        FOptions.RootFolder = QDir(qEnvironmentVariable("HARVO_TEST_DATA")).filePath("docsite");
        FOptions.AddLocation("/", "try_files $uri $uri.html $uri/ =404;");
    }

    // Copies the site into OutDir and returns the run's log.
    QStringList Crawl(const QString& OutDir, int Connections = 1)
    {
        NginxServer Server(FOptions);
        FProject.SetWebsiteURL(Server.BaseURL());
        RecordingRunLog Log;
        TRunControl Control;
        Control.FConnections = Connections;
        ScriptedThread Thread(Log, Control);
        THTTPClient Client(QString(), ptAUTO, "test", QString(), 5, 5);
        DownloadProject(OutDir, FProject, Client, Thread);
        FRequests = Server.RequestLog();
        FFailures = Control.FFailures.Failures();
        FBaseURL = Server.BaseURL();
        QStringList Lines = Log.Lines();
        return Lines.replaceInStrings(FBaseURL, "SITE/");
    }

    // The files of the copy, the site's address in them made the same for
    // every server.
    std::map<QString, QByteArray> CopyOf(const QString& OutDir) const
    {
        std::map<QString, QByteArray> Tree = TreeOf(OutDir);
        for (auto& [Path, Content] : Tree)
            Content.replace(FBaseURL.toUtf8(), "SITE/");
        return Tree;
    }

    QStringList SavedFiles(const QString& OutDir) const
    {
        QStringList Files;
        for (const auto& [Path, Content] : TreeOf(OutDir))
            Files << Path;
        return Files;
    }

    QTemporaryDir FTemp;
    QString FOutDir;
    TWebsiteProject FProject;
    NginxOptions FOptions;
    QString FBaseURL;
    QStringList FRequests;
    std::vector<TFailedURL> FFailures;
};

TEST_F(DocumentationSiteTest, EveryLinkLeadsToAFileOfTheCopyOrToTheSite)
{
    Crawl(FOutDir);
    const QDir Out(FOutDir);
    EXPECT_EQ(SavedFiles(FOutDir),
        QStringList({ "_static/fonts/docsans@v=4.7.0.ttf", "_static/fonts/docsans@v=4.7.0.woff2",
            "_static/logo.png", "_static/logo@x=1.png", "_static/searchtools.js", "_static/style@2022.1.css",
            "about.html", "about/team.html", "deep/one.html", "deep/two.html", "files/data.txt.gz",
            "files/example.py", "files/manual.pdf", "index.html", "search.html", "searchindex.js",
            "user-guide/index.html" }));
    const QDir Site(FOptions.RootFolder);
    for (const char* Download : { "files/manual.pdf", "files/data.txt.gz", "files/example.py" })
        EXPECT_EQ(ReadFile(Out.filePath(Download)), ReadFile(Site.filePath(Download))) << Download;
    // "/" and "/index.html" are one document, fetched once.
    EXPECT_EQ(FRequests.filter(QRegularExpression("^GET /(index.html)? ")), QStringList({ "GET / 200" }));
    EXPECT_EQ(FRequests.filter(QRegularExpression("^GET /user-guide/")).size(), 1);

    int Local = 0;
    QStringList Absolute;
    QDirIterator It(FOutDir, { "*.html", "*.css" }, QDir::Files, QDirIterator::Subdirectories);
    while (It.hasNext()) {
        const QString Saved = It.next();
        for (const QString& Link : LinksOf(QString::fromUtf8(ReadFile(Saved)))) {
            const QUrl URL = QUrl::fromLocalFile(Saved).resolved(QUrl(Link));
            if (URL.scheme() == "mailto")
                continue;
            if (!URL.isLocalFile()) {
                Absolute << QUrl(Link).path();
                continue;
            }
            ++Local;
            EXPECT_TRUE(QFileInfo(URL.toLocalFile()).isFile())
                << Saved.toStdString() << ": " << Link.toStdString();
        }
    }
    EXPECT_GE(Local, 30);
    Absolute.removeDuplicates();
    Absolute.sort();
    EXPECT_EQ(Absolute, QStringList({ "/deep/three.html", "/missing.html" }));
    const QString Two = QString::fromUtf8(ReadFile(Out.filePath("deep/two.html")));
    EXPECT_TRUE(Two.contains(QRegularExpression("href=\"http://127.0.0.1:\\d+/deep/three.html#end\"")))
        << Two.toStdString();
    const QString Guide = QString::fromUtf8(ReadFile(Out.filePath("user-guide/index.html")));
    EXPECT_TRUE(Guide.contains("href=\"../files/manual.pdf#page=2\"")) << Guide.toStdString();
    EXPECT_TRUE(Guide.contains("href=\"index.html\">again")) << Guide.toStdString();

    ASSERT_EQ(FFailures.size(), 1u);
    EXPECT_TRUE(FFailures[0].URL.endsWith("/missing.html"));
    EXPECT_TRUE(FFailures[0].Reason.contains("404")) << FFailures[0].Reason.toStdString();
    EXPECT_TRUE(FFailures[0].LinkedFrom.endsWith(":" + QString::number(QUrl(FFailures[0].URL).port()) + "/"));
}

TEST_F(DocumentationSiteTest, TheLogAndFilesAreTheSameWithAnyNumberOfConnections)
{
    const QStringList One = Crawl(FOutDir, 1);
    const std::map<QString, QByteArray> OneTree = CopyOf(FOutDir);
    QStringList Six = Crawl(FTemp.path() + "/six", 6);
    EXPECT_EQ(Six.replaceInStrings(FTemp.path() + "/six", FOutDir), One);
    EXPECT_EQ(CopyOf(FTemp.path() + "/six"), OneTree);
}

TEST_F(DocumentationSiteTest, WithTheOptionOffPagesBecomeFoldersAsBefore)
{
    FProject.SetSiteFileNames(false);
    Crawl(FOutDir);
    EXPECT_EQ(SavedFiles(FOutDir),
        QStringList({ "_static/fonts/docsans.ttf/v=4.7.0/index.html",
            "_static/fonts/docsans.woff2/v=4.7.0/index.html", "_static/logo.png", "_static/searchtools.js",
            "_static/style.css/2022.1/index.css", "about/index.html", "about/team/index.html",
            "deep/one.html/index.html", "deep/two.html/index.html", "files/data.txt.gz/index.html",
            "files/example.py/index.html", "files/manual.pdf/index.html", "index.html",
            "search.html/index.html", "user-guide/index.html" }));
}

TEST_F(DocumentationSiteTest, TheCopyOpensOfflineAndTheSearchPageFindsItsIndex)
{
    const QString Browser = FindChromium();
    if (Browser.isEmpty())
        GTEST_SKIP() << "chromium is not installed";
    Crawl(FOutDir);
    QDirIterator It(FOutDir, { "*.html" }, QDir::Files, QDirIterator::Subdirectories);
    int Pages = 0;
    while (It.hasNext()) {
        const QString Page = It.next();
        const OfflineView View = ViewOffline(Browser, Page);
        ++Pages;
        EXPECT_TRUE(View.Finished) << Page.toStdString();
        EXPECT_EQ(View.FailedFiles, QStringList()) << Page.toStdString();
        if (Page.endsWith("/search.html")) {
            EXPECT_TRUE(View.Dom.contains("data-index=\"loaded\"")) << View.Dom.toStdString();
            EXPECT_TRUE(View.Dom.contains("href=\"user-guide/index.html\"")) << View.Dom.toStdString();
        }
    }
    EXPECT_EQ(Pages, 7);
}

} // namespace
