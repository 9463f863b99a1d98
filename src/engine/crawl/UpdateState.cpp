#include "engine/crawl/UpdateState.h"

#include "engine/crawl/RunContext.h"
#include "engine/crawl/URLFetch.h"
#include "engine/store/PartFile.h"

#include "http/ResponseCharset.h"
#include "projects/WebsiteUnit.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

namespace {

// The file as the store describes it: a user's edit or another program's
// write makes it a file the server's "not modified" says nothing about.
bool FileAsRecorded(const TStateEntry& Entry)
{
    const QFileInfo Info(Entry.File);
    return !Entry.File.isEmpty() && Info.isFile() && !Info.isSymLink() && Info.size() == Entry.Size
        && Info.lastModified().toMSecsSinceEpoch() == Entry.ModifiedMs;
}

} // namespace

TUpdateState::TUpdateState(
    const TWebsiteProject& Project, const QString& OutDir, const TFetchSettings& Fetch, TRunContext& Run)
    : FRun(Run)
    , FFetch(Fetch)
    , FConditional(Project.UpdateRequests())
{
    if (Run.StateFolder().isEmpty())
        return;
    const QString Path = CrawlStatePath(Run.StateFolder(), Project.WebsiteURL(), OutDir);
    FState = TCrawlState::Open(
        Path, CrawlStateKey(Project.WebsiteURL(), OutDir), [&Run](const QString& Line) { Run.Log(Line); });
    if (FConditional) {
        FPartsFolder = PartsFolderOf(Path);
        QDir().mkpath(FPartsFolder);
    }
    Use([](TCrawlState& State) { State.BeginRun(); });
}

TUpdateState::~TUpdateState() = default;

template <typename TStep> void TUpdateState::Use(TStep Step)
{
    if (!FState)
        return;
    try {
        Step(*FState);
    } catch (const EStateError& E) {
        FRun.LogException(E);
        FState.reset();
    }
}

std::optional<TStateEntry> TUpdateState::Find(const QString& URL)
{
    std::optional<TStateEntry> Entry;
    Use([&](TCrawlState& State) { Entry = State.Find(URL); });
    return Entry;
}

bool TUpdateState::StandsForDownload(const TStateEntry& Entry) const
{
    // A redirect's target has validators of its own, which the request of
    // this URL must not carry.
    if (!Entry.FinalURL.isEmpty())
        return false;
    // A document is made again from its body: without one, only a download
    // will do.
    return Entry.HasBody || !KeepsBodyInMemory(MediaTypeOf(Entry.ContentType), FFetch);
}

void TUpdateState::Prepare(TFetchRequest& Request)
{
    if (!FState || Request.OutFile.isEmpty())
        return;
    const std::optional<TStateEntry> Entry = Find(Request.URL);
    const bool Recorded = Entry && FileAsRecorded(*Entry);
    if (Recorded)
        FBefore[Request.URL] = { Entry->File, Entry->Md5 };
    if (!FConditional)
        return;
    Request.PartFile = PartFileFor(FPartsFolder, Request.URL);
    if (!Recorded || !StandsForDownload(*Entry))
        return;
    if (!Entry->ETag.isEmpty())
        Request.Conditions << QStringLiteral("If-None-Match: ") + Entry->ETag;
    if (!Entry->LastModified.isEmpty())
        Request.Conditions << QStringLiteral("If-Modified-Since: ") + Entry->LastModified;
}

bool TUpdateState::Restore(TFetchResult& Result, const QString& URL)
{
    // Checked again: a file saved since may have taken its place.
    const std::optional<TStateEntry> Entry = Find(URL);
    if (!Entry || !FileAsRecorded(*Entry) || !StandsForDownload(*Entry))
        return false;
    Result.ContentTypeHeader = Entry->ContentType;
    Result.ContentType = MediaTypeOf(Entry->ContentType);
    Result.Charset = Entry->Charset;
    if (Result.ETag.isEmpty())
        Result.ETag = Entry->ETag;
    if (Result.LastModified.isEmpty())
        Result.LastModified = Entry->LastModified;
    if (Entry->HasBody) {
        QByteArray Body;
        Use([&](TCrawlState& State) { Body = State.Body(URL); });
        if (Body.isEmpty())
            return false;
        TDownloadBody::TOptions Options;
        Options.MemoryLimit = Body.size();
        Result.Body = std::make_unique<TDownloadBody>(std::move(Options), [] { return true; });
        Result.Body->write(Body);
        Result.Restored = true;
    } else {
        Result.UnchangedFile = Entry->File;
        Result.UnchangedMd5 = Entry->Md5;
    }
    Result.Outcome = TFetchOutcome::Downloaded;
    return true;
}

void TUpdateState::Saved(const QString& URL, const TFetchResult& Result, const QString& FilePath,
    const QByteArray& Md5, const QByteArray* Body, bool Kept)
{
    // Only a file's body goes through a part file; a page's never does.
    const bool File = !Result.UnchangedFile.isEmpty() || (Result.Body && !Result.Body->InMemory());
    if (!FPartsFolder.isEmpty() && File)
        RemovePart(PartFileFor(FPartsFolder, URL));
    const auto Before = FBefore.find(URL);
    TSavedURL Saved { FilePath, std::nullopt, Md5 };
    if (Before != FBefore.end()) {
        if (Before->second.first == FilePath)
            Saved.Before = Before->second.second;
        FBefore.erase(Before);
    }
    // The file there stays what it was, whatever came.
    if (Kept)
        Saved.Before = Saved.After = Saved.Before.value_or(Md5);
    if (!FState)
        return;
    FSavedIndex[URL] = FSaved.size();
    FSaved.push_back(Saved);

    TStateEntry Entry;
    Entry.FinalURL = Result.RedirectedURL;
    Entry.Status = 200;
    Entry.ETag = Result.ETag;
    Entry.LastModified = Result.LastModified;
    Entry.ContentType = Result.ContentTypeHeader;
    Entry.Charset = Result.Charset;
    Entry.File = FilePath;
    Entry.Md5 = Saved.After;
    Record(URL, std::move(Entry), Body);
}

void TUpdateState::Repaired(const QString& URL, const QString& FilePath, const QByteArray& Content)
{
    const auto Found = FSavedIndex.find(URL);
    if (!FState || Found == FSavedIndex.end())
        return;
    FSaved[Found->second].After = QCryptographicHash::hash(Content, QCryptographicHash::Md5);
    std::optional<TStateEntry> Entry = Find(URL);
    if (!Entry || Entry->File != FilePath)
        return;
    Entry->Md5 = FSaved[Found->second].After;
    Record(URL, std::move(*Entry), nullptr);
}

void TUpdateState::Record(const QString& URL, TStateEntry Entry, const QByteArray* Body)
{
    const QFileInfo Info(Entry.File);
    Entry.Size = Info.size();
    Entry.ModifiedMs = Info.lastModified().toMSecsSinceEpoch();
    Use([&](TCrawlState& State) { State.Put(URL, Entry, Body); });
}

void TUpdateState::Close(bool Complete)
{
    if (!FState)
        return;
    int Changed = 0;
    int New = 0;
    int NotModified = 0;
    for (const TSavedURL& Saved : FSaved) {
        if (Saved.Before == Saved.After) {
            ++NotModified;
            continue;
        }
        ++(Saved.Before ? Changed : New);
        FRun.NoteChangedFile(Saved.FilePath);
    }
    int Gone = 0;
    if (Complete)
        Use([&](TCrawlState& State) { Gone = State.DropUnseen(); });
    FRun.Log(QStringLiteral("Changed: %1, new: %2, not modified: %3, gone: %4")
                 .arg(Changed)
                 .arg(New)
                 .arg(NotModified)
                 .arg(Gone));
}
