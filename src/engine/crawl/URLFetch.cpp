#include "engine/crawl/URLFetch.h"

#include "engine/crawl/RetryPolicy.h"
#include "engine/crawl/RunContext.h"
#include "engine/page/URLUtils.h"
#include "engine/store/FileReplace.h"

#include "http/HTTPClientUnit.h"
#include "http/ResponseCharset.h"

void THTTPRedirect::OnRedirect(const QString& ALocation)
{
    const QString Absolute = ResolveURL(ALocation, FCurrentURL);
    FCurrentURL = Absolute.isEmpty() ? ALocation : Absolute;
    Location = FCurrentURL;
}

bool IsScriptType(const QString& MediaType)
{
    const QString Type = MediaType.toLower();
    return Type == QLatin1String("application/javascript") || Type == QLatin1String("text/javascript")
        || Type == QLatin1String("application/x-javascript");
}

bool KeepsBodyInMemory(const QString& MediaType, const TFetchSettings& Settings)
{
    const QString Type = MediaType.toLower();
    return Type == QLatin1String("text/html") || (Settings.CompletePages && Type == QLatin1String("text/css"))
        || (Settings.ScriptsInMemory && IsScriptType(Type));
}

namespace {

// One attempt; false when it failed and may be tried again.
bool Attempt(THTTPClient& Client, const TFetchRequest& Request, const TFetchSettings& Settings,
    TRetryBudget& Retries, const TLineSink& Log, TFetchResult& Result)
{
    Result.Body->Clear();
    Client.SetReferer(Request.Referer);
    try {
        Client.HTTPGet(Request.URL, *Result.Body, Result.ContentType);
        Result.Outcome = Result.Body->Size() > 0 ? TFetchOutcome::Downloaded : TFetchOutcome::Empty;
        Result.ContentTypeHeader = Client.GetResponseHeader(QStringLiteral("Content-Type"));
        Result.Charset = Client.GetResponseCharset();
        return true;
    } catch (const EFileError& E) {
        // The disk, not the server: asking again would not help.
        Result.Reason = ExceptionLogLine(E);
        Log(Result.Reason);
        if (dynamic_cast<const EStorageFullError*>(&E))
            Result.StorageFull = std::current_exception();
    } catch (const std::exception& E) {
        Result.Reason = ExceptionLogLine(E);
        Log(Result.Reason);
        if (Retries.AllowsAnother(E) && !Settings.Stopped())
            return false;
    }
    Result.Outcome = TFetchOutcome::Failed;
    return true;
}

} // namespace

TFetchResult FetchURL(
    THTTPClient& Client, const TFetchRequest& Request, const TFetchSettings& Settings, const TLineSink& Log)
{
    TDownloadBody::TOptions Options;
    Options.TempFolder = Settings.TempFolder;
    Options.FileName = Request.OutFile;
    Options.MemoryLimit = Settings.MemoryLimit;
    Options.Budget = Settings.Budget;
    Options.Digest = Settings.DigestFiles;
    Options.Discard = Request.OutFile.isEmpty();
    Options.Env = Settings.Env;
    TFetchResult Result;
    Result.Body = std::make_unique<TDownloadBody>(std::move(Options), [&Client, &Settings] {
        return KeepsBodyInMemory(
            MediaTypeOf(Client.GetResponseHeader(QStringLiteral("Content-Type"))), Settings);
    });
    Client.SetTempFolder(Settings.TempFolder);
    THTTPRedirect Redirect(Request.URL);
    Client.SetOnRedirect([&](THTTPClient*, const QString& Location) {
        Redirect.OnRedirect(Location);
        Log(QStringLiteral("Redirect to: ") + Location);
    });
    TRetryBudget Retries(Settings.Retries);
    for (int Try = 0;; ++Try) {
        Redirect.Reset();
        if (Attempt(Client, Request, Settings, Retries, Log, Result))
            break;
        Log(QStringLiteral("Retry #%1...").arg(Try + 1));
        Settings.Env->Sleep(Settings.RetryPauseMs, Settings.Stopped);
    }
    Client.SetOnRedirect({});
    if (!Redirect.Location.isEmpty())
        Result.RedirectedURL = Client.LastURL();
    return Result;
}
