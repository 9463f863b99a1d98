#pragma once

#include <QString>

#include <exception>

class TRunContext;
class TURLList;
struct TFetchResult;

// What a project run counts for its summary, the URLs that failed for the
// run's report, and the full disk that ends the run early.
class TCrawlTally {
public:
    TCrawlTally(const TURLList& URLs, TRunContext& Run);

    int Downloaded = 0;
    int AlreadyExisted = 0;
    int NotChanged = 0;
    int Empty = 0;

    // Counts what fetching URL Index brought: an empty body, a failure (not
    // for a guess from a script's text that the site does not have), a full
    // disk that the fetch has logged.
    void CountFetch(int Index, const TFetchResult& Result);
    // Counts URL Index as failed and keeps it for the run's report.
    void Fail(int Index, const QString& Reason);
    // Logs Error; every later file would fail too, so the run ends after
    // this URL.
    void EndForFullStorage(const std::exception_ptr& Error);
    bool StorageFull() const { return bool(FStorageFull); }

    // Logs the summary and counts the failed URLs for the run; a full disk
    // escapes then.
    void Close();

private:
    const TURLList& FURLs;
    TRunContext& FRun;
    int FFailed = 0;
    std::exception_ptr FStorageFull;
};
