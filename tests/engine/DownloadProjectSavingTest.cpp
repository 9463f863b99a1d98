#include "DownloadProjectFixture.h"

namespace {

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

} // namespace
