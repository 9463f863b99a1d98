#include "engine/crawl/CrawlTally.h"

#include "engine/crawl/RunContext.h"
#include "engine/crawl/URLFetch.h"
#include "engine/crawl/URLList.h"

TCrawlTally::TCrawlTally(const TURLList& URLs, TRunContext& Run)
    : FURLs(URLs)
    , FRun(Run)
{
}

void TCrawlTally::CountFetch(int Index, const TFetchResult& Result)
{
    if (Result.Outcome == TFetchOutcome::Empty)
        ++Empty;
    if (Result.Outcome == TFetchOutcome::Failed && !FURLs.Guessed(Index))
        Fail(Index, Result.Reason);
    if (Result.StorageFull)
        FStorageFull = Result.StorageFull;
}

void TCrawlTally::Fail(int Index, const QString& Reason)
{
    ++FFailed;
    const int Parent = FURLs.Parent(Index);
    FRun.ReportFailedURL({ FURLs.URL(Index), Reason, Parent >= 0 ? FURLs.URL(Parent) : QString() });
}

void TCrawlTally::EndForFullStorage(const std::exception_ptr& Error)
{
    try {
        std::rethrow_exception(Error);
    } catch (const std::exception& E) {
        FRun.LogException(E);
    }
    FStorageFull = Error;
}

void TCrawlTally::Close()
{
    FRun.Log(QStringLiteral("Downloaded: %1, already existed: %2, not changed: %3, empty: %4, failed: %5.")
                 .arg(Downloaded)
                 .arg(AlreadyExisted)
                 .arg(NotChanged)
                 .arg(Empty)
                 .arg(FFailed));
    FRun.CountFailedURLs(FFailed);
    if (FStorageFull)
        std::rethrow_exception(FStorageFull);
}
