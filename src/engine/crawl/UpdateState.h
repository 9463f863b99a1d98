#pragma once

#include "engine/store/CrawlState.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class TRunContext;
class TWebsiteProject;
struct TFetchRequest;
struct TFetchResult;
struct TFetchSettings;

// The crawl state as one run uses it: what each request asks the server
// given what the last run saved, a "not modified" reply turned back into
// the document or file that run saved, the entries of what this run saved,
// and the count of what changed. A store that fails is logged once and the
// run goes on without it, as it does without a state folder.
class TUpdateState {
public:
    TUpdateState(
        const TWebsiteProject& Project, const QString& OutDir, const TFetchSettings& Fetch, TRunContext& Run);
    ~TUpdateState();

    bool Active() const { return bool(FState); }
    // Adds to Request the validators of its URL when the last run's file is
    // still as it left it, and the part file a cut download goes on in.
    void Prepare(TFetchRequest& Request);
    // A NotModified Result for URL as the download it stands for: a
    // document with its stored body, a file as the one saved before
    // (Result.UnchangedFile). False when the store can no longer give it:
    // the caller fetches URL again without validators.
    bool Restore(TFetchResult& Result, const QString& URL);
    // URL was saved at FilePath with content Md5, or Kept: the overwrite
    // policy left the file there alone. Body is the document's body as
    // received (nullptr: a file, or unchanged).
    void Saved(const QString& URL, const TFetchResult& Result, const QString& FilePath, const QByteArray& Md5,
        const QByteArray* Body, bool Kept);
    // URL's file at FilePath was written again with Content (its links
    // repaired).
    void Repaired(const QString& URL, const QString& FilePath, const QByteArray& Content);
    // Logs "Changed: N, new: N, not modified: N, gone: N"; the URLs of the
    // last run not met again are gone only when the run went to its end.
    void Close(bool Complete);

private:
    // Runs Step on the store; a failure is logged and ends its use.
    template <typename TStep> void Use(TStep Step);
    std::optional<TStateEntry> Find(const QString& URL);
    // Entry, its file as the last run left it, is enough to stand for a
    // download when the server says nothing changed.
    bool StandsForDownload(const TStateEntry& Entry) const;

    // A URL this run saved: what the last run left at FilePath, and what
    // this run left there in the end.
    struct TSavedURL {
        QString FilePath;
        std::optional<QByteArray> Before; // none: new to the copy
        QByteArray After;
    };
    // Sets URL's entry from Entry (Body: see Saved), with the file as it is now.
    void Record(const QString& URL, TStateEntry Entry, const QByteArray* Body);

    TRunContext& FRun;
    const TFetchSettings& FFetch;
    bool FConditional;
    QString FPartsFolder;
    std::unique_ptr<TCrawlState> FState;
    // The file and MD5 that the last run left for a URL queued, when that
    // file is still as it was.
    std::unordered_map<QString, std::pair<QString, QByteArray>> FBefore;
    // Told apart once repairs are done, in the order they were saved.
    std::vector<TSavedURL> FSaved;
    std::unordered_map<QString, size_t> FSavedIndex;
};
