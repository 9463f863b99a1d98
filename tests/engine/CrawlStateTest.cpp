#include "engine/store/CrawlState.h"

#include "support/FileSizeLimit.h"
#include "support/Files.h"
#include "support/QStringPrinter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <poll.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString Key = "http://site.test/\n/home/user/site";

// Bytes that do not compress, so that each body takes its full size.
QByteArray NoiseBytes(int Size)
{
    QByteArray Bytes(Size, '\0');
    QRandomGenerator Generator(Size);
    for (char& Byte : Bytes)
        Byte = char(Generator.bounded(256));
    return Bytes;
}

TStateEntry EntryWithFile(const QString& File)
{
    TStateEntry Entry;
    Entry.Status = 200;
    Entry.File = File;
    return Entry;
}

class CrawlStateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Temp.isValid());
        Path = QDir(Temp.path()).filePath("cache/Harvo/site.test-0123456789abcdef.sqlite");
    }

    std::unique_ptr<TCrawlState> OpenStore(const QString& ProjectKey = Key)
    {
        return TCrawlState::Open(Path, ProjectKey, [this](const QString& Line) { Lines << Line; });
    }

    // A store of this project with a few entries and bodies, closed.
    void WriteStore(const QString& ProjectKey = Key)
    {
        const auto Store = OpenStore(ProjectKey);
        ASSERT_TRUE(Store);
        for (int K = 0; K < 20; ++K) {
            const QByteArray Body = NoiseBytes(3000 + K);
            Store->Put(QString("http://site.test/%1").arg(K), EntryWithFile("f"), &Body);
        }
    }

    // Checks that the store opens afterwards without a line and without
    // the entries of the one set aside.
    void ExpectFreshStore()
    {
        Lines.clear();
        const auto Store = OpenStore();
        ASSERT_TRUE(Store);
        EXPECT_FALSE(Store->Find("http://site.test/1"));
        Store->Put("http://site.test/new", EntryWithFile("new"), nullptr);
        EXPECT_TRUE(Store->Find("http://site.test/new"));
        EXPECT_TRUE(Lines.isEmpty()) << Lines.join('\n').toStdString();
    }

    QTemporaryDir Temp;
    QString Path;
    QStringList Lines;
};

} // namespace

TEST_F(CrawlStateTest, EntriesAndBodiesComeBackAsPut)
{
    const auto Store = OpenStore();
    ASSERT_TRUE(Store);
    EXPECT_FALSE(Store->Find("http://site.test/unknown"));
    EXPECT_TRUE(Store->Body("http://site.test/unknown").isEmpty());

    TStateEntry Entry;
    Entry.FinalURL = "http://site.test/b/";
    Entry.Status = 200;
    Entry.ETag = "W/\"a1\"";
    Entry.LastModified = "Tue, 01 Jul 2025 10:00:00 GMT";
    Entry.ContentType = "text/html; charset=utf-8";
    Entry.Charset = "utf-8";
    Entry.File = "/home/user/site/b/index.html";
    Entry.Md5 = QByteArray::fromHex("00ff10203040506070809000a0b0c0d0");
    Entry.Size = 5000000000;
    Entry.ModifiedMs = 1751364000123;

    const QByteArray Empty;
    const QByteArray Page = "<html>" + QByteArray(20000, 'x') + "</html>";
    const QByteArray Binary = NoiseBytes(999);
    const struct Case {
        const char* Name;
        const QByteArray* Body;
    } Cases[]
        = { { "no body", nullptr }, { "an empty body", &Empty }, { "a page", &Page }, { "binary", &Binary } };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        const QString URL = QString("http://site.test/%1").arg(C.Name);
        Store->Put(URL, Entry, C.Body);
        const std::optional<TStateEntry> Found = Store->Find(URL);
        ASSERT_TRUE(Found);
        EXPECT_EQ(Found->FinalURL, Entry.FinalURL);
        EXPECT_EQ(Found->Status, Entry.Status);
        EXPECT_EQ(Found->ETag, Entry.ETag);
        EXPECT_EQ(Found->LastModified, Entry.LastModified);
        EXPECT_EQ(Found->ContentType, Entry.ContentType);
        EXPECT_EQ(Found->Charset, Entry.Charset);
        EXPECT_EQ(Found->File, Entry.File);
        EXPECT_EQ(Found->Md5, Entry.Md5);
        EXPECT_EQ(Found->Size, Entry.Size);
        EXPECT_EQ(Found->ModifiedMs, Entry.ModifiedMs);
        EXPECT_EQ(Found->HasBody, C.Body != nullptr);
        EXPECT_EQ(Store->Body(URL), C.Body ? *C.Body : QByteArray());

        // A new entry without a body keeps the body there; a new body replaces it.
        TStateEntry Changed = Entry;
        Changed.ETag = "\"b2\"";
        Store->Put(URL, Changed, nullptr);
        EXPECT_EQ(Store->Find(URL)->ETag, Changed.ETag);
        EXPECT_EQ(Store->Find(URL)->HasBody, C.Body != nullptr);
        EXPECT_EQ(Store->Body(URL), C.Body ? *C.Body : QByteArray());
        Store->Put(URL, Changed, &Binary);
        EXPECT_EQ(Store->Body(URL), Binary);
    }
}

TEST_F(CrawlStateTest, AKeptBodyThatDoesNotDecompressRaises)
{
    WriteStore();
    sqlite3* Db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(Path).constData(), &Db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(Db, "UPDATE urls SET body = X'00001000DEADBEEF' WHERE url = 'http://site.test/1'",
                  nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(Db);
    const auto Store = OpenStore();
    ASSERT_TRUE(Store);
    EXPECT_THROW(Store->Body("http://site.test/1"), EStateError);
    EXPECT_EQ(Store->Body("http://site.test/2"), NoiseBytes(3002));
}

TEST_F(CrawlStateTest, ARunDropsTheSavedFilesItDidNotSee)
{
    auto Store = OpenStore();
    ASSERT_TRUE(Store);
    for (const char* Name : { "seen", "put-again", "unseen", "removed" })
        Store->Put(QString("http://site.test/") + Name, EntryWithFile(Name), nullptr);
    Store->Put("http://site.test/not-saved", EntryWithFile(""), nullptr);
    EXPECT_EQ(Store->DropUnseen(), 0);

    Store->BeginRun();
    Store->MarkSeen("http://site.test/seen");
    Store->MarkSeen("http://site.test/never-put");
    Store->Put("http://site.test/put-again", EntryWithFile("put-again"), nullptr);
    Store->Remove("http://site.test/removed");
    EXPECT_EQ(Store->DropUnseen(), 1);

    EXPECT_TRUE(Store->Find("http://site.test/seen"));
    EXPECT_TRUE(Store->Find("http://site.test/put-again"));
    EXPECT_TRUE(Store->Find("http://site.test/not-saved"));
    EXPECT_FALSE(Store->Find("http://site.test/unseen"));
    EXPECT_FALSE(Store->Find("http://site.test/removed"));
    EXPECT_FALSE(Store->Find("http://site.test/never-put"));

    // What a run saw stays seen for the next one only if it sees it again.
    Store.reset();
    Store = OpenStore();
    ASSERT_TRUE(Store);
    Store->BeginRun();
    EXPECT_EQ(Store->DropUnseen(), 2);
    EXPECT_TRUE(Lines.isEmpty()) << Lines.join('\n').toStdString();
}

TEST_F(CrawlStateTest, AReopenedStoreKeepsItsEntries)
{
    WriteStore();
    ASSERT_TRUE(Lines.isEmpty());
    const auto Store = OpenStore();
    ASSERT_TRUE(Store);
    for (int K = 0; K < 20; ++K)
        EXPECT_EQ(Store->Body(QString("http://site.test/%1").arg(K)), NoiseBytes(3000 + K)) << K;
    EXPECT_TRUE(Lines.isEmpty()) << Lines.join('\n').toStdString();
    EXPECT_FALSE(QFileInfo::exists(Path + ".damaged"));
}

TEST_F(CrawlStateTest, AStoreThatCannotBeUsedIsSetAsideWithOneLine)
{
    const auto SqlOnStore = [this](const char* Sql) {
        QDir().mkpath(QFileInfo(Path).path());
        sqlite3* Db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(Path).constData(), &Db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(Db, Sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(Db);
        sqlite3_close(Db);
    };
    const struct Case {
        const char* Name;
        std::function<void()> Spoil;
    } Cases[] = {
        { "truncated to half",
            [&] {
                WriteStore();
                QFile File(Path);
                ASSERT_TRUE(File.resize(File.size() / 2));
            } },
        { "random bytes",
            [&] {
                QDir().mkpath(QFileInfo(Path).path());
                WriteFile(Path, NoiseBytes(10000));
            } },
        { "another project's", [&] { WriteStore("http://site.test/\n/home/user/other"); } },
        { "a later format",
            [&] {
                WriteStore();
                SqlOnStore("UPDATE meta SET value = '2' WHERE name = 'format'");
            } },
        { "another program's database", [&] { SqlOnStore("CREATE TABLE pages(url TEXT)"); } },
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        ForgetCrawlState(Path);
        C.Spoil();
        Lines.clear();
        WriteFile(Path + ".damaged", "an older one");
        const QByteArray Spoilt = ReadFile(Path);

        const auto Store = OpenStore();
        ASSERT_TRUE(Store);
        ASSERT_EQ(Lines.size(), 1) << Lines.join('\n').toStdString();
        const QString Expected
            = QString("Saved crawl state \"%1\" cannot be used (.+); set aside as \"%1.damaged\"\\.")
                  .arg(QRegularExpression::escape(Path));
        EXPECT_TRUE(QRegularExpression("^" + Expected + "$").match(Lines[0]).hasMatch())
            << Lines[0].toStdString();
        EXPECT_EQ(ReadFile(Path + ".damaged"), Spoilt);
        EXPECT_FALSE(Store->Find("http://site.test/1"));
        Store->Put("http://site.test/new", EntryWithFile("new"), nullptr);
        EXPECT_TRUE(Store->Find("http://site.test/new"));
    }
}

TEST_F(CrawlStateTest, AKilledWriterLeavesEveryFinishedPut)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(Path).path()));
    int Pipe[2];
    ASSERT_EQ(pipe(Pipe), 0);
    const pid_t Child = fork();
    ASSERT_GE(Child, 0);
    if (Child == 0) {
        close(Pipe[0]);
        const auto Store = TCrawlState::Open(Path, Key, [](const QString&) {});
        for (int K = 0; Store && K < 100000; ++K) {
            const QByteArray Body = NoiseBytes(20000 + K % 7);
            Store->Put(QString("http://site.test/%1").arg(K), EntryWithFile("f"), &Body);
            if (write(Pipe[1], &K, sizeof K) != sizeof K)
                break;
        }
        _exit(0);
    }
    close(Pipe[1]);
    // Kill the writer once it has finished a good number of Puts, wherever
    // it is in the next one.
    int Finished = -1;
    QElapsedTimer Clock;
    Clock.start();
    while (Finished < 300 && Clock.elapsed() < 30000) {
        pollfd Ready { Pipe[0], POLLIN, 0 };
        if (poll(&Ready, 1, 1000) <= 0)
            continue;
        int K;
        if (read(Pipe[0], &K, sizeof K) != sizeof K)
            break;
        Finished = K;
    }
    kill(Child, SIGKILL);
    int Status = 0;
    waitpid(Child, &Status, 0);
    close(Pipe[0]);
    ASSERT_GE(Finished, 0) << "the writer finished no Put";

    const auto Store = OpenStore();
    ASSERT_TRUE(Store);
    EXPECT_TRUE(Lines.isEmpty()) << Lines.join('\n').toStdString();
    for (int K = 0; K <= Finished; ++K)
        ASSERT_EQ(Store->Body(QString("http://site.test/%1").arg(K)), NoiseBytes(20000 + K % 7)) << K;
}

TEST_F(CrawlStateTest, AFullDiskFailsThePutAndLeavesAStoreThatOpens)
{
    auto Store = OpenStore();
    ASSERT_TRUE(Store);
    Store->Put("http://site.test/before", EntryWithFile("before"), nullptr);
    int Stored = 0;
    {
        ScopedFileSizeLimit Limit(256 << 10);
        try {
            for (; Stored < 100; ++Stored) {
                const QByteArray Body = NoiseBytes(20000 + Stored);
                Store->Put(QString("http://site.test/%1").arg(Stored), EntryWithFile("f"), &Body);
            }
            ADD_FAILURE() << "every Put succeeded";
        } catch (const EStateError& Failure) {
            EXPECT_TRUE(Failure.Message().startsWith(QString("Saved crawl state \"%1\": ").arg(Path)))
                << Failure.what();
        }
        Store.reset();
    }
    Store = OpenStore();
    ASSERT_TRUE(Store);
    EXPECT_TRUE(Lines.isEmpty()) << Lines.join('\n').toStdString();
    EXPECT_TRUE(Store->Find("http://site.test/before"));
    for (int K = 0; K < Stored; ++K)
        EXPECT_EQ(Store->Body(QString("http://site.test/%1").arg(K)), NoiseBytes(20000 + K)) << K;
    EXPECT_FALSE(Store->Find(QString("http://site.test/%1").arg(Stored)));
}

TEST_F(CrawlStateTest, NoStoreWhereNoneCanBeMade)
{
    const QString File = QDir(Temp.path()).filePath("file");
    WriteFile(File, "in the way");
    const QString Locked = QDir(Temp.path()).filePath("locked");
    ASSERT_TRUE(QDir().mkpath(Locked));
    ASSERT_TRUE(QFile::setPermissions(Locked, QFile::ReadOwner | QFile::ExeOwner));
    // A damaged store whose old copy cannot make room for it.
    const QString Stuck = QDir(Temp.path()).filePath("stuck/x.sqlite");
    ASSERT_TRUE(QDir().mkpath(Stuck + ".damaged/inside"));
    WriteFile(Stuck, NoiseBytes(5000));
    const struct Case {
        const char* Name;
        QString Path;
    } Cases[] = {
        { "a file in place of a folder", File + "/Harvo/x.sqlite" },
        { "a file in place of the store's folder", File + "/x.sqlite" },
        { "a folder without write access", Locked + "/x.sqlite" },
        { "a damaged store that cannot be set aside", Stuck },
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        if (geteuid() == 0 && C.Path.startsWith(Locked))
            continue; // access rights do not hold back root
        Lines.clear();
        Path = C.Path;
        EXPECT_FALSE(OpenStore());
        ASSERT_EQ(Lines.size(), 1) << Lines.join('\n').toStdString();
        EXPECT_TRUE(Lines[0].startsWith(QString("Saved crawl state \"%1\" cannot be opened: ").arg(Path)))
            << Lines[0].toStdString();
        EXPECT_TRUE(Lines[0].endsWith(". The run goes on without it.")) << Lines[0].toStdString();
    }
    QFile::setPermissions(Locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(CrawlStateTest, ForgettingAStoreDeletesItsFilesAndPartsOnly)
{
    WriteStore();
    const QString Parts = PartsFolderOf(Path);
    ASSERT_TRUE(QDir().mkpath(Parts + "/deep"));
    WriteFile(Parts + "/deep/part", "partial");
    WriteFile(Path + ".damaged", "old");
    WriteFile(Path + "-wal", "");
    const QString Elsewhere = QDir(Temp.path()).filePath("elsewhere");
    ASSERT_TRUE(QDir().mkpath(Elsewhere));
    WriteFile(Elsewhere + "/keep", "kept");
    const QString OtherStore = QDir(QFileInfo(Path).path()).filePath("other.sqlite");
    WriteFile(OtherStore, "another project's");

    EXPECT_TRUE(ForgetCrawlState(Path));
    EXPECT_EQ(QDir(QFileInfo(Path).path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
        QStringList { "other.sqlite" });
    EXPECT_FALSE(ForgetCrawlState(Path));

    // A folder in the journal's place stays, and says so.
    ASSERT_TRUE(QDir().mkpath(Path + "-shm/inside"));
    try {
        ForgetCrawlState(Path);
        ADD_FAILURE() << "no error";
    } catch (const EStateError& Failure) {
        EXPECT_TRUE(Failure.Message().contains(Path + "-shm")) << Failure.what();
    }
    ASSERT_TRUE(QDir(Path + "-shm").removeRecursively());

    // A link in the parts folder's place goes, not what it points to.
    ASSERT_TRUE(QFile::link(Elsewhere, Parts));
    EXPECT_FALSE(ForgetCrawlState(Path));
    EXPECT_FALSE(QFileInfo(Parts).isSymLink());
    EXPECT_EQ(ReadFile(Elsewhere + "/keep"), "kept");
}

TEST_F(CrawlStateTest, AProjectIsKnownByItsURLAndItsOutputFolder)
{
    const QString Folder = "/cache/Harvo";
    const QString Base = CrawlStatePath(Folder, "http://www.site.test/", "out");
    EXPECT_TRUE(
        QRegularExpression("^/cache/Harvo/www\\.site\\.test-[0-9a-f]{16}\\.sqlite$").match(Base).hasMatch())
        << Base.toStdString();
    for (const char* Same : { "out/", "./out", "out/../out/." })
        EXPECT_EQ(CrawlStatePath(Folder, "http://www.site.test/", Same), Base) << Same;
    EXPECT_EQ(CrawlStatePath(Folder, "http://www.site.test/", QDir::current().absoluteFilePath("out")), Base);

    const struct Case {
        const char* URL;
        const char* Output;
    } Others[] = { { "http://www.site.test/", "other" }, { "http://www.site.test/a/", "out" },
        { "https://www.site.test/", "out" } };
    for (const Case& C : Others)
        EXPECT_NE(CrawlStatePath(Folder, C.URL, C.Output), Base) << C.URL << " " << C.Output;

    const struct Host {
        const char* URL;
        const char* NameStart;
    } Hosts[] = { { "http://WWW.Site.Test:8080/x", "www.site.test-" }, { "http://[::1]:8080/", "__1-" },
        { "file.html", "site-" }, { "http://xn--bcher-kva.test/", "xn--bcher-kva.test-" } };
    for (const Host& H : Hosts)
        EXPECT_TRUE(QFileInfo(CrawlStatePath(Folder, H.URL, "out")).fileName().startsWith(H.NameStart))
            << H.URL;

    EXPECT_EQ(PartsFolderOf(Base), Base.chopped(7) + ".parts");
}
