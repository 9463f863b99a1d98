#include "DownloadProjectFixture.h"

#include "engine/store/CrawlState.h"

#include "support/ConditionalReplies.h"
#include "support/FileSizeLimit.h"

#include <QCryptographicHash>
#include <map>
#include <mutex>
#include <tuple>

namespace {

QStringList Sorted(QStringList List)
{
    List.sort();
    return List;
}

// Text that does not compress much.
QByteArray RandomText(int Size)
{
    QByteArray Bytes(Size, Qt::Uninitialized);
    for (char& Byte : Bytes)
        Byte = char('a' + QRandomGenerator::global()->bounded(26));
    return Bytes;
}

// How the test site's server deals with validators.
enum class ServerKind { ETagOnly, LastModifiedOnly, Both, Neither, IgnoresConditions, WeakETag };

const char* NameOf(ServerKind Kind)
{
    switch (Kind) {
    case ServerKind::ETagOnly:
        return "ETagOnly";
    case ServerKind::LastModifiedOnly:
        return "LastModifiedOnly";
    case ServerKind::Both:
        return "Both";
    case ServerKind::Neither:
        return "Neither";
    case ServerKind::IgnoresConditions:
        return "IgnoresConditions";
    case ServerKind::WeakETag:
        return "WeakETag";
    }
    return "";
}

// A crawl whose state is kept between runs, against a site whose pages the
// test changes between them.
class UpdateRequestsTest : public DownloadProjectTest {
protected:
    UpdateRequestsTest()
    {
        FControl.FStateFolder = StateFolder();
        FProject.SetUpdateRequests(true);
        FProject.SetOverwrite(ofChanged);
        FProject.SetSiteFileNames(true);
        FProject.SetRelativePathLinks(true);
        FServer.SetFallback([this](const RecordedRequest& Request) { return SiteReply(Request); });
    }

    // The site's reply, noted with its status.
    ScriptedReply SiteReply(const RecordedRequest& Request)
    {
        const std::lock_guard<std::mutex> Lock(FSiteLock);
        const auto Found = FSite.find(Request.Path);
        const ScriptedReply Reply = Found == FSite.end() ? ScriptedReply::Status(404, "Not Found")
                                                         : ConditionalReply(Request, Found->second);
        FReplies.emplace_back(QString::fromLatin1(Request.Path), Reply.Bytes.mid(9, 3).toInt());
        return Reply;
    }

    QString StateFolder() const { return FTemp.path() + "/state"; }

    // Serves Body at Path, a new version: validators as Kind gives them.
    void Serve(const QByteArray& Path, const QByteArray& Body, const QByteArray& ContentType = "text/html")
    {
        const std::lock_guard<std::mutex> Lock(FSiteLock);
        ServedResource Resource;
        Resource.Body = Body;
        Resource.ContentType = ContentType;
        const int Version = ++FVersion;
        const QByteArray Tag = "\"v" + QByteArray::number(Version) + "\"";
        if (FKind == ServerKind::ETagOnly || FKind == ServerKind::Both
            || FKind == ServerKind::IgnoresConditions)
            Resource.ETag = Tag;
        if (FKind == ServerKind::WeakETag)
            Resource.ETag = "W/" + Tag;
        if (FKind == ServerKind::LastModifiedOnly || FKind == ServerKind::Both)
            Resource.LastModified = "Mon, 0" + QByteArray::number(Version % 9 + 1) + " Jun 2026 10:00:00 GMT";
        Resource.HonoursConditions = FKind != ServerKind::IgnoresConditions;
        FSite[Path] = Resource;
    }
    void Serve(const QByteArray& Path, const ServedResource& Resource)
    {
        const std::lock_guard<std::mutex> Lock(FSiteLock);
        FSite[Path] = Resource;
    }
    void Drop(const QByteArray& Path)
    {
        const std::lock_guard<std::mutex> Lock(FSiteLock);
        FSite.erase(Path);
    }

    // The lines of one more run.
    QStringList Run()
    {
        const int Before = FLog.Lines().size();
        const int RequestsBefore = FServer.RequestCount();
        {
            const std::lock_guard<std::mutex> Lock(FSiteLock);
            FReplies.clear();
        }
        Crawl();
        const std::vector<RecordedRequest> All = FServer.Requests();
        FRunRequests.assign(All.begin() + RequestsBefore, All.end());
        return FLog.Lines().mid(Before);
    }
    // The paths the last run got a whole body of.
    QStringList Refetched()
    {
        const std::lock_guard<std::mutex> Lock(FSiteLock);
        QStringList Paths;
        for (const auto& [Path, Status] : FReplies)
            if (Status == 200)
                Paths << Path;
        return Paths;
    }
    int ConditionalRequests() const
    {
        return int(
            std::count_if(FRunRequests.begin(), FRunRequests.end(), [](const RecordedRequest& Request) {
                return Request.HasHeader("If-None-Match") || Request.HasHeader("If-Modified-Since");
            }));
    }

    // The output and state folders as they are now, to run again from.
    void Snapshot(const QString& Name)
    {
        for (const QString& Folder : { FOutDir, StateFolder() })
            CopyTree(Folder, FTemp.path() + "/" + Name + "/" + QFileInfo(Folder).fileName());
    }
    void RestoreSnapshot(const QString& Name)
    {
        for (const QString& Folder : { FOutDir, StateFolder() }) {
            QDir(Folder).removeRecursively();
            CopyTree(FTemp.path() + "/" + Name + "/" + QFileInfo(Folder).fileName(), Folder);
        }
    }
    static void CopyTree(const QString& From, const QString& To)
    {
        QDir().mkpath(To);
        for (const QFileInfo& Entry :
            QDir(From).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
            const QString Target = To + "/" + Entry.fileName();
            if (Entry.isDir())
                CopyTree(Entry.filePath(), Target);
            else if (QFile::copy(Entry.filePath(), Target)) {
                // The store knows its files by size and time.
                QFile Copy(Target);
                Copy.open(QIODevice::ReadWrite);
                Copy.setFileTime(Entry.lastModified(), QFileDevice::FileModificationTime);
            }
        }
    }

    ServerKind FKind = ServerKind::Both;
    std::mutex FSiteLock;
    std::map<QByteArray, ServedResource> FSite;
    int FVersion = 0;
    std::vector<RecordedRequest> FRunRequests;
    std::vector<std::pair<QString, int>> FReplies; // of the last run
};

class UpdateRequestsKinds : public UpdateRequestsTest,
                            public ::testing::WithParamInterface<std::tuple<ServerKind, TOverwriteFile>> { };

// The second run of a changed site, with validators, against a full
// download of it from the same copy: the same log and the same files, and
// only what changed comes whole when the server answers conditions.
TEST_P(UpdateRequestsKinds, AnUpdateLogsAndSavesWhatAFullDownloadWouldAndFetchesOnlyWhatChanged)
{
    FKind = std::get<0>(GetParam());
    FProject.SetOverwrite(std::get<1>(GetParam()));
    FProject.StartPages().push_back({ "/", 1 });
    Serve("/", "<a href=\"b.html\">b</a><a href=\"same.html\">s</a><a href=\"file.bin\">f</a>");
    Serve("/b.html", "<p>b, first</p>");
    Serve("/same.html", "<a href=\"d.html\">d</a>");
    Serve("/d.html", "<p>d</p>");
    Serve("/file.bin", QByteArray(100000, 'x'), "application/octet-stream");
    Run();

    Serve("/b.html", "<p>b, second</p>");
    // same.html stays, but the page it links to is now in the copy: its
    // link is rewritten to the file.
    Serve("/",
        "<a href=\"d.html\">d</a><a href=\"b.html\">b</a><a href=\"same.html\">s</a><a "
        "href=\"file.bin\">f</a>");
    Snapshot("before");
    const QStringList Updated = Run();
    const auto UpdatedTree = TreeOf(FOutDir);
    const QStringList UpdatedRefetched = Refetched();
    const int Conditional = ConditionalRequests();

    RestoreSnapshot("before");
    FProject.SetUpdateRequests(false);
    const QStringList Full = Run();
    EXPECT_EQ(Updated, Full) << NameOf(FKind);
    EXPECT_EQ(UpdatedTree, TreeOf(FOutDir)) << NameOf(FKind);
    EXPECT_EQ(ConditionalRequests(), 0);

    const bool Validates = FKind != ServerKind::Neither;
    EXPECT_EQ(Conditional, Validates ? 4 : 0) << NameOf(FKind);
    const bool Honours = Validates && FKind != ServerKind::IgnoresConditions;
    EXPECT_EQ(Sorted(UpdatedRefetched),
        Honours ? QStringList({ "/", "/b.html", "/d.html" })
                : QStringList({ "/", "/b.html", "/d.html", "/file.bin", "/same.html" }))
        << NameOf(FKind);
}

INSTANTIATE_TEST_SUITE_P(ServersAndPolicies, UpdateRequestsKinds,
    ::testing::Combine(::testing::Values(ServerKind::ETagOnly, ServerKind::LastModifiedOnly, ServerKind::Both,
                           ServerKind::Neither, ServerKind::IgnoresConditions, ServerKind::WeakETag),
        ::testing::Values(ofChanged, ofAll, ofNone)));

TEST_F(UpdateRequestsTest, TheRunReportsWhatChangedAndListsTheFiles)
{
    FProject.StartPages().push_back({ "/", 1 });
    Serve("/", "<a href=\"b.html\">b</a><a href=\"gone.html\">g</a><a href=\"same.html\">s</a>");
    Serve("/b.html", "b1");
    Serve("/gone.html", "g");
    Serve("/same.html", "s");
    EXPECT_EQ(Run().filter("Changed:"), QStringList({ "Changed: 0, new: 4, not modified: 0, gone: 0" }));

    Serve("/", "<a href=\"b.html\">b</a><a href=\"new.html\">n</a><a href=\"same.html\">s</a>");
    Serve("/b.html", "b2");
    Serve("/new.html", "n");
    Drop("/gone.html");
    const QStringList Before = FControl.FChangedFiles.Files();
    EXPECT_EQ(Run().filter("Changed:"), QStringList({ "Changed: 2, new: 1, not modified: 1, gone: 1" }));
    EXPECT_EQ(FControl.FChangedFiles.Files().mid(Before.size()),
        QStringList({ OutPath("index.html"), OutPath("b.html"), OutPath("new.html") }));
    EXPECT_TRUE(QFileInfo::exists(OutPath("gone.html")));
}

TEST_F(UpdateRequestsTest, AFileChangedOnDiskIsAskedForWhole)
{
    FProject.StartPages().push_back({ "/", 1 });
    Serve("/", "<a href=\"file.bin\">f</a>");
    Serve("/file.bin", QByteArray(1000, 'x'), "application/octet-stream");
    Run();
    WriteFile(OutPath("file.bin"), "edited by hand");
    const QStringList Lines = Run();
    EXPECT_EQ(ConditionalRequests(), 1); // the page only
    EXPECT_EQ(SavedContent(OutPath("file.bin")), QByteArray(1000, 'x'));
    EXPECT_TRUE(Lines.contains("Saving: " + OutPath("file.bin"))) << Lines.join('\n').toStdString();

    QFile::remove(OutPath("index.html"));
    Run();
    EXPECT_EQ(ConditionalRequests(), 1); // the file only
    EXPECT_EQ(SavedContent(OutPath("index.html")), "<a href=\"file.bin\">f</a>");
}

// A file whose transfer is cut goes on from where it stopped: in the same
// run on the retry, and in the next run when the first gave up.
TEST_F(UpdateRequestsTest, ACutFileResumesWithARangeRequest)
{
    struct Case {
        const char* Name;
        qint64 Chunks; // of 1 MiB
        int Retries;
    };
    for (const Case& C : { Case { "retry", 8, 2 }, Case { "next run, 1 GiB", 1024, 0 } }) {
        QDir(FOutDir).removeRecursively();
        QDir(StateFolder()).removeRecursively();
        FControl.FHTTPRetries = C.Retries;
        FProject.StartPages().clear();
        FProject.StartPages().push_back({ "/big.bin", 0 });
        ServedResource Big = ServedResource::Repeated(QByteArray(1 << 20, 'b'), C.Chunks);
        Big.Chunk[0] = 'B';
        Big.ETag = "\"big\"";
        std::atomic<int> Served { 0 };
        FServer.SetFallback([&](const RecordedRequest& Request) {
            ScriptedReply Reply = ConditionalReply(Request, Big);
            if (Served++ == 0) {
                Reply.ChunkCount /= 2;
                Reply.After = ScriptedReply::Then::Close;
            }
            return Reply;
        });
        const int RequestsBefore = FServer.RequestCount();
        Run();
        if (C.Retries == 0) {
            EXPECT_FALSE(QFileInfo::exists(OutPath("big.bin"))) << C.Name;
            Run();
        }
        const std::vector<RecordedRequest> Requests = FServer.Requests();
        ASSERT_EQ(int(Requests.size()) - RequestsBefore, 2) << C.Name;
        EXPECT_EQ(Requests.back().Header("Range"), "bytes=" + QByteArray::number(C.Chunks / 2 << 20) + "-")
            << C.Name;
        EXPECT_EQ(Requests.back().Header("If-Range"), "\"big\"") << C.Name;
        QFile Saved(OutPath("big.bin"));
        ASSERT_TRUE(Saved.open(QIODevice::ReadOnly)) << C.Name;
        EXPECT_EQ(Saved.size(), C.Chunks << 20) << C.Name;
        QCryptographicHash Expected(QCryptographicHash::Md5);
        for (qint64 I = 0; I < C.Chunks; ++I)
            Expected.addData(Big.Chunk);
        QCryptographicHash Got(QCryptographicHash::Md5);
        Got.addData(&Saved);
        EXPECT_EQ(Got.result(), Expected.result()) << C.Name;
        EXPECT_TRUE(QDir(PartsFolderOf(CrawlStatePath(StateFolder(), FProject.WebsiteURL(), FOutDir)))
                        .isEmpty(QDir::Files | QDir::Hidden))
            << C.Name;
    }
}

// A Break at any point leaves a state the next run completes the copy
// from, asking for no body twice.
TEST_F(UpdateRequestsTest, ARunStoppedAnywhereIsCompletedByTheNext)
{
    FControl.FConnections = 1;
    FProject.StartPages().push_back({ "/", 2 });
    QByteArray Root;
    for (int I = 0; I < 12; ++I) {
        Root += "<a href=\"p" + QByteArray::number(I) + ".html\">p</a>";
        Serve("/p" + QByteArray::number(I) + ".html", "<a href=\"f" + QByteArray::number(I) + ".bin\">f</a>");
        Serve("/f" + QByteArray::number(I) + ".bin", QByteArray(5000, char('a' + I)),
            "application/octet-stream");
    }
    Serve("/", Root);
    Run();
    const auto Whole = TreeOf(FOutDir);
    for (int StopAt : { 1, 5, 17, 24 }) {
        QDir(FOutDir).removeRecursively();
        QDir(StateFolder()).removeRecursively();
        FControl.FTerminated = false;
        FServer.SetFallback(
            [this, StopAt, Count = std::make_shared<std::atomic<int>>(0)](const RecordedRequest& Request) {
                if (++*Count == StopAt)
                    FControl.FTerminated = true;
                return SiteReply(Request);
            });
        Run();
        QStringList Bodies = Refetched();
        FControl.FTerminated = false;
        Run();
        const QStringList All = Bodies + Refetched();
        EXPECT_EQ(TreeOf(FOutDir), Whole) << StopAt;
        // Only the URL cut by the Break comes whole twice.
        Bodies += Refetched();
        const int Count = Bodies.size();
        Bodies.removeDuplicates();
        EXPECT_LE(Count - Bodies.size(), 1) << StopAt << " " << Sorted(All).join(' ').toStdString();
    }
}

TEST_F(UpdateRequestsTest, AStoreThatCannotBeUsedCostsOneLineAndNothingElse)
{
    FProject.StartPages().push_back({ "/", 1 });
    Serve("/", "<a href=\"b.html\">b</a>" + QByteArray(20000, ' '));
    Serve("/b.html", "b");
    const QString Store = CrawlStatePath(StateFolder(), FProject.WebsiteURL(), FOutDir);

    Run();
    QFile Truncated(Store);
    ASSERT_TRUE(Truncated.resize(Truncated.size() / 2));
    QFile::remove(Store + "-wal");
    QStringList Lines = Run();
    EXPECT_EQ(Lines.filter("Saved crawl state").size(), 1) << Lines.join('\n').toStdString();
    EXPECT_EQ(Lines.filter("Changed:"), QStringList({ "Changed: 0, new: 2, not modified: 0, gone: 0" }));

    // Another project's store in this one's place.
    QFile::remove(Store);
    ASSERT_NE(
        TCrawlState::Open(Store, CrawlStateKey("http://other.example/", FOutDir), [](const QString&) {}),
        nullptr);
    Lines = Run();
    EXPECT_EQ(Lines.filter("Saved crawl state").size(), 1) << Lines.join('\n').toStdString();

    // A disk that takes the pages but not the store's growth.
    for (const QByteArray Path : { "/b.html", "/c.html" })
        Serve(Path, RandomText(35000));
    Serve("/", "<a href=\"b.html\">b</a><a href=\"c.html\">c</a>");
    {
        ScopedFileSizeLimit Limit(40000);
        Lines = Run();
    }
    EXPECT_EQ(Lines.filter("Saved crawl state").size(), 1) << Lines.join('\n').toStdString();
    EXPECT_EQ(SavedContent(OutPath("c.html")).size(), 35000);
    EXPECT_TRUE(Lines.last().startsWith("Downloaded: 3,")) << Lines.join('\n').toStdString();
}

} // namespace
