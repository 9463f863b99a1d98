// The fixture of modern pages copied with complete pages on: every asset
// arrives, every link of the copy names a file of it, and the copy renders
// from disk in a headless browser without one failed request.
#include "engine/crawl/DownloadProject.h"

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
#include <gtest/gtest.h>

namespace {

QString ModernSiteFolder()
{
    return QDir(qEnvironmentVariable("HARVO_TEST_DATA")).filePath("modern");
}

// Where the copy keeps a file of the site: pages become folders.
QString CopyPathOf(const QString& SitePath)
{
    return SitePath == "page.html" ? "page.html/index.html" : SitePath;
}

// The local links of a saved page or sheet, as written.
QStringList LocalLinks(const QString& Text)
{
    static const QRegularExpression Attribute("\\s(src|href|poster|background|data-src|srcset)=\"([^\"]*)\"");
    static const QRegularExpression CSSLink("(?:url\\(\\s*['\"]?|@import\\s+['\"])([^'\")]+?)['\"]?\\s*[);]");
    QStringList Links;
    for (auto It = Attribute.globalMatch(Text); It.hasNext();) {
        const QRegularExpressionMatch Match = It.next();
        if (Match.captured(1) != "srcset")
            Links << Match.captured(2);
        else
            for (const QString& Candidate : Match.captured(2).split(','))
                Links << Candidate.trimmed().section(' ', 0, 0);
    }
    QString NoComments = Text;
    NoComments.replace("&quot;", "\"");
    NoComments.remove(QRegularExpression("/\\*.*?\\*/", QRegularExpression::DotMatchesEverythingOption));
    for (auto It = CSSLink.globalMatch(NoComments); It.hasNext();)
        Links << It.next().captured(1).trimmed();
    Links.removeIf(
        [](const QString& L) { return L.isEmpty() || L.startsWith("data:") || L.startsWith('#'); });
    return Links;
}

class CompletePagesTest : public ::testing::Test {
protected:
    CompletePagesTest()
        : FThread(FLog, FControl)
    {
        FOutDir = FTemp.path() + "/out";
        FProject.SetRelativePathLinks(true);
        FProject.SetCompletePages(true);
    }

    void Crawl()
    {
        NginxOptions Options;
        Options.RootFolder = ModernSiteFolder();
        NginxServer Server(Options);
        FProject.SetWebsiteURL(Server.BaseURL());
        THTTPClient Client(QString(), ptAUTO, "test", QString(), 5, 5);
        DownloadProject(FOutDir, FProject, Client, FThread);
    }

    QStringList SiteFiles() const
    {
        QStringList Files;
        const QDir Site(ModernSiteFolder());
        QDirIterator It(Site.path(), QDir::Files, QDirIterator::Subdirectories);
        while (It.hasNext()) {
            const QString Relative = Site.relativeFilePath(It.next());
            if (Relative != "README.md")
                Files << Relative;
        }
        return Files;
    }

    QTemporaryDir FTemp;
    QString FOutDir;
    RecordingRunLog FLog;
    TRunControl FControl;
    ScriptedThread FThread;
    TWebsiteProject FProject;
};

TEST_F(CompletePagesTest, EveryAssetArrivesAndEveryLinkNamesAFileOfTheCopy)
{
    Crawl();
    const QDir Out(FOutDir);
    for (const QString& File : SiteFiles())
        EXPECT_TRUE(QFileInfo::exists(Out.filePath(CopyPathOf(File)))) << File.toStdString();

    int Checked = 0;
    QDirIterator It(FOutDir, { "*.html", "*.css" }, QDir::Files, QDirIterator::Subdirectories);
    while (It.hasNext()) {
        const QString Saved = It.next();
        const QString Text = QString::fromUtf8(ReadFile(Saved));
        for (const QString& Link : LocalLinks(Text)) {
            ++Checked;
            EXPECT_FALSE(Link.contains("://")) << Saved.toStdString() << ": " << Link.toStdString();
            EXPECT_TRUE(QFileInfo::exists(QFileInfo(Saved).dir().filePath(Link)))
                << Saved.toStdString() << ": " << Link.toStdString();
        }
    }
    EXPECT_GE(Checked, 25);
    EXPECT_TRUE(ReadFile(Out.filePath("css/main.css")).startsWith("@charset \"UTF-8\";"));
}

TEST_F(CompletePagesTest, WithTheOptionOffSheetsAndSrcsetAreLeftAsBefore)
{
    FProject.SetCompletePages(false);
    Crawl();
    const QDir Out(FOutDir);
    EXPECT_TRUE(QFileInfo::exists(Out.filePath("css/main.css")));
    EXPECT_EQ(
        ReadFile(Out.filePath("css/main.css")), ReadFile(QDir(ModernSiteFolder()).filePath("css/main.css")));
    for (const char* Missing : { "img/dq.png", "img/large.png", "css/more/second.css", "img/bg-attr.png" })
        EXPECT_FALSE(QFileInfo::exists(Out.filePath(Missing))) << Missing;
}

TEST_F(CompletePagesTest, RequisitesOfAPageAtItsLimitAndImportCyclesAreFetchedOnce)
{
    ScriptedHttpServer Server;
    Server.On("/",
        ScriptedReply::Ok("<link rel=stylesheet href=a.css><link rel=stylesheet href=c.css>"
                          "<a href=next.html>n</a>"));
    Server.On("/a.css",
        ScriptedReply::Ok("@charset \"windows-1251\"; @import \"b.css\"; p{content:\"\xcf\"}", "text/css"));
    Server.On("/b.css", ScriptedReply::Ok("@import url(a.css); q{background:url(img/x.png)}", "text/css"));
    Server.On("/c.css", ScriptedReply::Ok("@charset \"utf-8\"; p{content:\"\xe9\"} r{x:url(", "text/css"));
    Server.On("/img/x.png", ScriptedReply::Ok("PNG", "image/png"));
    FProject.SetWebsiteURL(Server.Url("/"));
    FProject.StartPages().push_back({ "/", 0 }); // the page at its limit: no page links, every requisite
    THTTPClient Client(QString(), ptAUTO, "test", QString(), 5, 5);
    DownloadProject(FOutDir, FProject, Client, FThread);

    EXPECT_EQ(Server.RequestCount(), 5);
    const QDir Out(FOutDir);
    EXPECT_EQ(QString::fromUtf8(ReadFile(Out.filePath("a.css"))),
        QString::fromUtf8("@charset \"UTF-8\"; @import \"b.css\"; p{content:\"П\"}"));
    EXPECT_EQ(ReadFile(Out.filePath("b.css")), "@import url(a.css); q{background:url(img/x.png)}");
    // A charset rule that lies gives replacement characters, and nothing else breaks.
    EXPECT_EQ(QString::fromUtf8(ReadFile(Out.filePath("c.css"))),
        QString::fromUtf8("@charset \"UTF-8\"; p{content:\"\uFFFD\"} r{x:url("));
    EXPECT_EQ(ReadFile(Out.filePath("img/x.png")), "PNG");
    EXPECT_FALSE(QFileInfo::exists(Out.filePath("next.html")));
}

using OfflineRenderTest = CompletePagesTest;

TEST_F(OfflineRenderTest, TheCopyRendersFromDiskWithoutAFailedRequest)
{
    const QString Browser = FindChromium();
    if (Browser.isEmpty())
        GTEST_SKIP() << "chromium is not installed";
    Crawl();
    // A page with a missing image shows that failures are seen at all.
    WriteFile(FOutDir + "/broken.html", "<img src=\"img/no-such.png\">");
    EXPECT_EQ(ViewOffline(Browser, FOutDir + "/broken.html").FailedFiles.size(), 1);

    for (const char* Page : { "index.html", "page.html/index.html" }) {
        const OfflineView View = ViewOffline(Browser, FOutDir + "/" + Page);
        EXPECT_TRUE(View.Finished) << Page;
        EXPECT_EQ(View.FailedFiles, QStringList()) << Page;
        EXPECT_GE(View.Requests, 5) << Page;
    }
}

} // namespace
