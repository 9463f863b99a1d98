#pragma once

#include "engine/store/DownloadBody.h"
#include "engine/store/Environment.h"

#include <QString>
#include <QStringList>
#include <exception>
#include <functional>
#include <memory>

class THTTPClient;
class TTransferHub;

// Records where the client's redirects lead; Location is the absolute URL
// of the last redirect target, or empty when the request was not redirected.
class THTTPRedirect {
public:
    explicit THTTPRedirect(const QString& ARequestURL)
        : FRequestURL(ARequestURL)
        , FCurrentURL(ARequestURL)
    {
    }
    void OnRedirect(const QString& ALocation);
    // Every attempt starts again from the requested URL.
    void Reset()
    {
        FCurrentURL = FRequestURL;
        Location.clear();
    }
    QString Location;

private:
    QString FRequestURL;
    QString FCurrentURL;
};

// One URL of the list to fetch.
struct TFetchRequest {
    QString URL; // as sent: non-ASCII characters percent-encoded
    // The Referer of the first request: the URL before it in the list, so
    // that it is the same whichever order transfers finish in.
    QString Referer;
    QString OutFile; // the file it maps to; empty: the body is not kept
    // If-None-Match / If-Modified-Since lines from the last run: a reply
    // "304 Not Modified" then ends the fetch as NotModified.
    QStringList Conditions;
    // Where a file's body is written and kept if the transfer is cut, so
    // that the next attempt asks for the rest; empty: a temporary file.
    QString PartFile;
};

// How every URL of a crawl is fetched.
struct TFetchSettings {
    int Retries = 5;
    int RetryPauseMs = 500;
    QString TempFolder; // where bodies that go to disk wait for their turn
    qint64 MemoryLimit = 0; // for pages and style sheets
    TMemoryBudget* Budget = nullptr; // for the pages of all fetches together
    bool CompletePages = false;
    bool ScriptsInMemory = false; // to follow the files they name
    bool DigestFiles = false; // files to disk get their MD5 on the way
    // True once Break came (or the results are no longer wanted).
    std::function<bool()> Stopped;
    // What bodies on disk are written through and the retry pause waits on.
    TEnvironment* Env = &TEnvironment::System();
};

enum class TFetchOutcome { Downloaded, Empty, Failed, NotModified };

// Takes the log lines of a fetch ("Redirect to: ", errors, "Retry #n..."),
// in the order they happen.
using TLineSink = std::function<void(const QString&)>;

// What fetching one URL brought, to be saved when its turn comes.
struct TFetchResult {
    TFetchOutcome Outcome = TFetchOutcome::Failed;
    QString Reason; // why the last attempt failed
    QString ContentType; // the media type
    QString ContentTypeHeader;
    QString Charset;
    // The reply's validators, for the next run's conditional request.
    QString ETag;
    QString LastModified;
    // The absolute URL fetched last; set when the request was redirected.
    QString RedirectedURL;
    std::unique_ptr<TDownloadBody> Body;
    // A file the server said did not change: where it was saved before,
    // with its MD5; the body is then that file.
    QString UnchangedFile;
    QByteArray UnchangedMd5;
    // A document the server said did not change: Body is the stored one.
    bool Restored = false;
    // Set when the disk could take no more of the body: the run ends.
    std::exception_ptr StorageFull;
};

bool IsScriptType(const QString& MediaType);
// Pages, and style sheets of a complete copy, are rewritten in memory, and
// scripts read there when their links are followed; every other body is
// saved as it came.
bool KeepsBodyInMemory(const QString& MediaType, const TFetchSettings& Settings);

// Requests Request.URL with Client, redirects followed and failures retried
// (see TRetryBudget; RetryPauseMs apart on Env, cut short once Stopped),
// handing its log lines to Log as they happen.
TFetchResult FetchURL(
    THTTPClient& Client, const TFetchRequest& Request, const TFetchSettings& Settings, const TLineSink& Log);

// Told how a started fetch ended: its result, or what escaped it.
using TFetchDone = std::function<void(TFetchResult Result, std::exception_ptr Escaped)>;
// FetchURL that returns at once: Client's transfers go through Hub (the one
// that drives them), its retry pause is a timer there, and Log and OnDone are
// called on Hub's thread (or here, for a failure before the first request).
// Client and Settings must outlast it.
void StartFetchURL(THTTPClient& Client, TTransferHub& Hub, const TFetchRequest& Request,
    const TFetchSettings& Settings, TLineSink Log, TFetchDone OnDone);
