#include "engine/store/CrawlState.h"

#include "engine/store/BodyCompressor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace {

// A store that is there but cannot serve this project; it is set aside.
HARVO_DECLARE_EXCEPTION(EUnusableStore, Exception)

const char* const Schema = R"(
    CREATE TABLE meta(name TEXT PRIMARY KEY, value TEXT);
    CREATE TABLE urls(url TEXT PRIMARY KEY, final_url TEXT, status INTEGER, etag TEXT, last_modified TEXT,
        content_type TEXT, charset TEXT, file TEXT, md5 BLOB, size INTEGER, modified_ms INTEGER,
        seen INTEGER, body BLOB);
)";
const QLatin1String Format("1");

struct TCloseDatabase {
    void operator()(sqlite3* Db) const { sqlite3_close_v2(Db); }
};
struct TFinalize {
    void operator()(sqlite3_stmt* Statement) const { sqlite3_finalize(Statement); }
};
using TDatabaseHandle = std::unique_ptr<sqlite3, TCloseDatabase>;
using TStatement = std::unique_ptr<sqlite3_stmt, TFinalize>;

QString MessageOf(sqlite3* Db)
{
    return QString::fromUtf8(sqlite3_errmsg(Db));
}

// While opening: a store that is not a database or is damaged is set aside,
// any other failure (no room, no access) leaves no store.
[[noreturn]] void FailOpening(sqlite3* Db, int Code)
{
    const int Primary = Code & 0xff;
    if (Primary == SQLITE_NOTADB || Primary == SQLITE_CORRUPT)
        throw EUnusableStore(MessageOf(Db));
    throw EStateError(MessageOf(Db));
}

void Execute(sqlite3* Db, const char* Sql)
{
    const int Code = sqlite3_exec(Db, Sql, nullptr, nullptr, nullptr);
    if (Code != SQLITE_OK)
        FailOpening(Db, Code);
}

TStatement Prepare(sqlite3* Db, const char* Sql)
{
    sqlite3_stmt* Statement = nullptr;
    const int Code = sqlite3_prepare_v3(Db, Sql, -1, SQLITE_PREPARE_PERSISTENT, &Statement, nullptr);
    if (Code == SQLITE_OK)
        return TStatement(Statement);
    // A database whose tables are not ours is no crawl state.
    if ((Code & 0xff) == SQLITE_ERROR)
        throw EUnusableStore(QStringLiteral("it is not a saved crawl state"));
    FailOpening(Db, Code);
}

// The first column of the first row of Sql; empty when there is no row.
QString FirstValue(sqlite3* Db, const char* Sql)
{
    const TStatement Statement = Prepare(Db, Sql);
    const int Code = sqlite3_step(Statement.get());
    if (Code == SQLITE_ROW)
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(Statement.get(), 0)));
    if (Code != SQLITE_DONE)
        FailOpening(Db, Code);
    return QString();
}

// Makes the tables of a new store; finds a store made before as it is.
void CreateSchema(sqlite3* Db, const QString& ProjectKey)
{
    Execute(Db, "BEGIN IMMEDIATE");
    try {
        if (FirstValue(Db, "SELECT count(*) FROM sqlite_master") == QLatin1String("0")) {
            Execute(Db, Schema);
            const TStatement Insert
                = Prepare(Db, "INSERT INTO meta(name, value) VALUES ('format', ?1), ('project', ?2)");
            const QByteArray Key = ProjectKey.toUtf8();
            sqlite3_bind_text(Insert.get(), 1, Format.data(), int(Format.size()), SQLITE_STATIC);
            sqlite3_bind_text(Insert.get(), 2, Key.constData(), int(Key.size()), SQLITE_STATIC);
            const int Code = sqlite3_step(Insert.get());
            if (Code != SQLITE_DONE)
                FailOpening(Db, Code);
        }
        Execute(Db, "COMMIT");
    } catch (...) {
        sqlite3_exec(Db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void CheckProject(sqlite3* Db, const QString& ProjectKey)
{
    const QString StoredFormat = FirstValue(Db, "SELECT value FROM meta WHERE name = 'format'");
    if (StoredFormat != Format)
        throw EUnusableStore(StoredFormat.isEmpty()
                ? QStringLiteral("it has no format")
                : QStringLiteral("its format \"%1\" is unknown").arg(StoredFormat));
    if (FirstValue(Db, "SELECT value FROM meta WHERE name = 'project'") != ProjectKey)
        throw EUnusableStore(QStringLiteral("it belongs to another project"));
}

} // namespace

struct TCrawlState::TDatabase {
    QString Path;
    TDatabaseHandle Db;
    TStatement Find, Body, Put, MarkSeen, Remove, BeginRun, DropUnseen;
    TBodyCompressor Compressor;

    // Opens the store at Path; raises EUnusableStore or EStateError.
    TDatabase(const QString& StorePath, const QString& ProjectKey);

    [[noreturn]] void Fail() const
    {
        throw EStateError(QStringLiteral("Saved crawl state \"%1\": %2").arg(Path, MessageOf(Db.get())));
    }
    // Runs Statement with its bound values to its end; it can run again.
    void Run(sqlite3_stmt* Statement) const
    {
        const int Code = sqlite3_step(Statement);
        sqlite3_reset(Statement);
        if (Code != SQLITE_DONE && Code != SQLITE_ROW)
            Fail();
    }
    // Steps Statement to its first row; false when there is none.
    bool FirstRow(sqlite3_stmt* Statement) const
    {
        const int Code = sqlite3_step(Statement);
        if (Code == SQLITE_ROW)
            return true;
        sqlite3_reset(Statement);
        if (Code != SQLITE_DONE)
            Fail();
        return false;
    }
};

namespace {

void BindText(sqlite3_stmt* Statement, int Index, const QString& Text)
{
    const QByteArray Utf8 = Text.toUtf8();
    sqlite3_bind_text(Statement, Index, Utf8.constData(), int(Utf8.size()), SQLITE_TRANSIENT);
}

void BindBlob(sqlite3_stmt* Statement, int Index, const QByteArray& Bytes)
{
    sqlite3_bind_blob(Statement, Index, Bytes.constData(), int(Bytes.size()), SQLITE_TRANSIENT);
}

QString TextColumn(sqlite3_stmt* Statement, int Index)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(Statement, Index)),
        sqlite3_column_bytes(Statement, Index));
}

QByteArray BlobColumn(sqlite3_stmt* Statement, int Index)
{
    const char* Data = static_cast<const char*>(sqlite3_column_blob(Statement, Index));
    return QByteArray(Data, sqlite3_column_bytes(Statement, Index));
}

} // namespace

TCrawlState::TDatabase::TDatabase(const QString& StorePath, const QString& ProjectKey)
    : Path(StorePath)
{
    const QString Folder = QFileInfo(Path).absolutePath();
    if (!QDir().mkpath(Folder))
        throw EStateError(QStringLiteral("the folder \"%1\" cannot be made").arg(Folder));
    sqlite3* Handle = nullptr;
    const int Code = sqlite3_open_v2(QFile::encodeName(Path).constData(), &Handle,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    Db.reset(Handle);
    if (Code != SQLITE_OK)
        FailOpening(Handle, Code);
    sqlite3_busy_timeout(Handle, 5000);
    const QString Check = FirstValue(Handle, "PRAGMA quick_check");
    if (Check != QLatin1String("ok"))
        throw EUnusableStore(QStringLiteral("damaged: %1").arg(Check));
    CreateSchema(Handle, ProjectKey);
    CheckProject(Handle, ProjectKey);
    // Only a store of this project changes its journal: one set aside stays
    // as it was found.
    Execute(Handle, "PRAGMA journal_mode=WAL");
    Execute(Handle, "PRAGMA synchronous=NORMAL");
    Find = Prepare(Handle,
        "SELECT final_url, status, etag, last_modified, content_type, charset, file, md5, size, modified_ms,"
        " body IS NOT NULL FROM urls WHERE url = ?1");
    Body = Prepare(Handle, "SELECT body FROM urls WHERE url = ?1");
    Put = Prepare(Handle,
        "INSERT INTO urls(url, final_url, status, etag, last_modified, content_type, charset, file, md5, "
        "size,"
        " modified_ms, seen, body) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, 1, ?12)"
        " ON CONFLICT(url) DO UPDATE SET final_url = excluded.final_url, status = excluded.status,"
        " etag = excluded.etag, last_modified = excluded.last_modified, content_type = excluded.content_type,"
        " charset = excluded.charset, file = excluded.file, md5 = excluded.md5, size = excluded.size,"
        " modified_ms = excluded.modified_ms, seen = 1,"
        " body = CASE WHEN ?13 THEN excluded.body ELSE urls.body END");
    MarkSeen = Prepare(Handle, "UPDATE urls SET seen = 1 WHERE url = ?1");
    Remove = Prepare(Handle, "DELETE FROM urls WHERE url = ?1");
    BeginRun = Prepare(Handle, "UPDATE urls SET seen = 0 WHERE seen <> 0");
    DropUnseen = Prepare(Handle, "DELETE FROM urls WHERE seen = 0 AND file <> ''");
}

TCrawlState::TCrawlState(std::unique_ptr<TDatabase> Database)
    : FDatabase(std::move(Database))
{
}

TCrawlState::~TCrawlState() = default;

std::unique_ptr<TCrawlState> TCrawlState::Open(
    const QString& Path, const QString& ProjectKey, const std::function<void(const QString&)>& Log)
{
    try {
        try {
            return std::unique_ptr<TCrawlState>(
                new TCrawlState(std::make_unique<TDatabase>(Path, ProjectKey)));
        } catch (const EUnusableStore& Unusable) {
            const QString Damaged = SetAsideCrawlState(Path, Unusable.Message());
            Log(QStringLiteral("Saved crawl state \"%1\" cannot be used (%2); set aside as \"%3\".")
                    .arg(Path, Unusable.Message(), Damaged));
        }
        return std::unique_ptr<TCrawlState>(new TCrawlState(std::make_unique<TDatabase>(Path, ProjectKey)));
    } catch (const Exception& Failure) {
        Log(QStringLiteral("Saved crawl state \"%1\" cannot be opened: %2. The run goes on without it.")
                .arg(Path, Failure.Message()));
    } catch (const std::exception& Failure) {
        Log(QStringLiteral("Saved crawl state \"%1\" cannot be opened: %2. The run goes on without it.")
                .arg(Path, QString::fromLocal8Bit(Failure.what())));
    }
    return nullptr;
}

std::optional<TStateEntry> TCrawlState::Find(const QString& URL)
{
    sqlite3_stmt* Statement = FDatabase->Find.get();
    BindText(Statement, 1, URL);
    if (!FDatabase->FirstRow(Statement))
        return std::nullopt;
    TStateEntry Entry;
    Entry.FinalURL = TextColumn(Statement, 0);
    Entry.Status = sqlite3_column_int(Statement, 1);
    Entry.ETag = TextColumn(Statement, 2);
    Entry.LastModified = TextColumn(Statement, 3);
    Entry.ContentType = TextColumn(Statement, 4);
    Entry.Charset = TextColumn(Statement, 5);
    Entry.File = TextColumn(Statement, 6);
    Entry.Md5 = BlobColumn(Statement, 7);
    Entry.Size = sqlite3_column_int64(Statement, 8);
    Entry.ModifiedMs = sqlite3_column_int64(Statement, 9);
    Entry.HasBody = sqlite3_column_int(Statement, 10) != 0;
    sqlite3_reset(Statement);
    return Entry;
}

QByteArray TCrawlState::Body(const QString& URL)
{
    sqlite3_stmt* Statement = FDatabase->Body.get();
    BindText(Statement, 1, URL);
    if (!FDatabase->FirstRow(Statement))
        return QByteArray();
    const QByteArray Compressed = BlobColumn(Statement, 0);
    sqlite3_reset(Statement);
    if (Compressed.isEmpty())
        return QByteArray();
    const QByteArray Result = qUncompress(Compressed);
    // The length leads; an empty result of a longer one is damage.
    if (Result.isEmpty() && Compressed.size() >= 4 && Compressed.left(4) != QByteArray(4, '\0'))
        throw EStateError(QStringLiteral("Saved crawl state \"%1\": the kept body of %2 is damaged")
                              .arg(FDatabase->Path, URL));
    return Result;
}

void TCrawlState::Put(const QString& URL, const TStateEntry& Entry, const QByteArray* Body)
{
    sqlite3_stmt* Statement = FDatabase->Put.get();
    BindText(Statement, 1, URL);
    BindText(Statement, 2, Entry.FinalURL);
    sqlite3_bind_int(Statement, 3, Entry.Status);
    BindText(Statement, 4, Entry.ETag);
    BindText(Statement, 5, Entry.LastModified);
    BindText(Statement, 6, Entry.ContentType);
    BindText(Statement, 7, Entry.Charset);
    BindText(Statement, 8, Entry.File);
    BindBlob(Statement, 9, Entry.Md5);
    sqlite3_bind_int64(Statement, 10, Entry.Size);
    sqlite3_bind_int64(Statement, 11, Entry.ModifiedMs);
    if (Body)
        BindBlob(Statement, 12, FDatabase->Compressor.Compress(*Body, URL));
    else
        sqlite3_bind_null(Statement, 12);
    sqlite3_bind_int(Statement, 13, Body ? 1 : 0);
    FDatabase->Run(Statement);
}

void TCrawlState::MarkSeen(const QString& URL)
{
    BindText(FDatabase->MarkSeen.get(), 1, URL);
    FDatabase->Run(FDatabase->MarkSeen.get());
}

void TCrawlState::Remove(const QString& URL)
{
    BindText(FDatabase->Remove.get(), 1, URL);
    FDatabase->Run(FDatabase->Remove.get());
}

void TCrawlState::BeginRun()
{
    FDatabase->Run(FDatabase->BeginRun.get());
}

int TCrawlState::DropUnseen()
{
    FDatabase->Run(FDatabase->DropUnseen.get());
    return sqlite3_changes(FDatabase->Db.get());
}
