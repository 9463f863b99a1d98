#include "engine/crawl/URLFetch.h"

#include "engine/crawl/RetryPolicy.h"
#include "engine/crawl/RunContext.h"
#include "engine/page/URLUtils.h"
#include "engine/store/FileReplace.h"
#include "engine/store/PartFile.h"

#include "http/HTTPClientUnit.h"
#include "http/ResponseCharset.h"
#include "http/TransferHub.h"

#include <QFileInfo>
#include <QRegularExpression>

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

// One fetch through its attempts: each is begun, and its end either
// finishes the fetch or asks for another after the retry pause.
class TURLFetch {
public:
    TURLFetch(
        THTTPClient& Client, const TFetchRequest& Request, const TFetchSettings& Settings, TLineSink Log)
        : FClient(Client)
        , FRequest(Request)
        , FSettings(Settings)
        , FLog(std::move(Log))
        , FRedirect(Request.URL)
        , FRetries(Settings.Retries)
    {
        TDownloadBody::TOptions Options;
        Options.TempFolder = Settings.TempFolder;
        Options.FileName = Request.OutFile;
        Options.MemoryLimit = Settings.MemoryLimit;
        Options.Budget = Settings.Budget;
        Options.Digest = Settings.DigestFiles;
        Options.Discard = Request.OutFile.isEmpty();
        Options.Env = Settings.Env;
        Options.PartFile = Request.PartFile;
        Options.Resumes = [this] { return ReplyResumes(); };
        Options.OnPartStarted = [this] {
            WritePartValidators(FRequest.PartFile, { ReplyHeader("ETag"), ReplyHeader("Last-Modified") });
        };
        FResult.Body = std::make_unique<TDownloadBody>(std::move(Options), [&Client, &Settings] {
            return KeepsBodyInMemory(
                MediaTypeOf(Client.GetResponseHeader(QStringLiteral("Content-Type"))), Settings);
        });
        Client.SetTempFolder(Settings.TempFolder);
        Client.SetOnRedirect([this](THTTPClient*, const QString& Location) {
            FRedirect.OnRedirect(Location);
            FLog(QStringLiteral("Redirect to: ") + Location);
        });
    }
    TURLFetch(const TURLFetch&) = delete; // the client's redirect handler points here
    TURLFetch& operator=(const TURLFetch&) = delete;

    const QString& URL() const { return FRequest.URL; }
    TDownloadBody& Body() { return *FResult.Body; }
    QString& ContentType() { return FResult.ContentType; }

    void BeginAttempt()
    {
        FRedirect.Reset();
        QStringList Headers = FRequest.Conditions;
        FOffset = 0;
        const QString IfRange = FRequest.PartFile.isEmpty() ? QString() : PartIfRange(FRequest.PartFile);
        if (!IfRange.isEmpty() && QFileInfo(FRequest.PartFile).size() > 0) {
            FOffset = QFileInfo(FRequest.PartFile).size();
            Headers << QStringLiteral("Range: bytes=%1-").arg(FOffset)
                    << QStringLiteral("If-Range: ") + IfRange;
        }
        FClient.SetFirstRequestHeaders(Headers);
        FResult.Body->Clear(FOffset);
        FClient.SetReferer(FRequest.Referer);
    }
    // True when the fetch is done; false when another attempt follows.
    bool EndAttempt(const std::exception_ptr& Failure)
    {
        try {
            if (Failure)
                std::rethrow_exception(Failure);
            FResult.ETag = ReplyHeader("ETag");
            FResult.LastModified = ReplyHeader("Last-Modified");
            if (FClient.ReplyCode() == 304) {
                FResult.Outcome = TFetchOutcome::NotModified;
                return true;
            }
            FResult.Outcome = FResult.Body->Size() > 0 ? TFetchOutcome::Downloaded : TFetchOutcome::Empty;
            FResult.ContentTypeHeader = FClient.GetResponseHeader(QStringLiteral("Content-Type"));
            FResult.Charset = FClient.GetResponseCharset();
            return true;
        } catch (const EFileError& E) {
            // The disk, not the server: asking again would not help.
            FResult.Reason = ExceptionLogLine(E);
            FLog(FResult.Reason);
            if (dynamic_cast<const EStorageFullError*>(&E))
                FResult.StorageFull = std::current_exception();
        } catch (const std::exception& E) {
            FResult.Reason = ExceptionLogLine(E);
            FLog(FResult.Reason);
            if (RangeRefused() && !FSettings.Stopped()) {
                // The part is no start of the file the server has now.
                RemovePart(FRequest.PartFile);
                FLog(QStringLiteral("Retry #%1...").arg(++FTries));
                return false;
            }
            if (FRetries.AllowsAnother(E) && !FSettings.Stopped()) {
                FLog(QStringLiteral("Retry #%1...").arg(++FTries));
                return false;
            }
        }
        FResult.Outcome = TFetchOutcome::Failed;
        return true;
    }
    // Also when it escaped: the client may start the next fetch at once.
    void Detach() { FClient.SetOnRedirect({}); }
    TFetchResult Finish()
    {
        Detach();
        if (!FRedirect.Location.isEmpty())
            FResult.RedirectedURL = FClient.LastURL();
        return std::move(FResult);
    }

private:
    QString ReplyHeader(const char* Name) const { return FClient.GetResponseHeader(QLatin1String(Name)); }
    // A reply to a range request that goes on from the part's end.
    bool ReplyResumes() const
    {
        static const QRegularExpression Start(QStringLiteral("^bytes\\s+(\\d+)-"));
        const QRegularExpressionMatch Match = Start.match(ReplyHeader("Content-Range"));
        return FClient.ReplyCode() == 206 && Match.hasMatch() && Match.captured(1).toLongLong() == FOffset;
    }
    bool RangeRefused() const { return FOffset > 0 && FClient.ReplyCode() == 416; }

    THTTPClient& FClient;
    const TFetchRequest FRequest;
    const TFetchSettings& FSettings;
    const TLineSink FLog;
    THTTPRedirect FRedirect;
    TRetryBudget FRetries;
    int FTries = 0;
    qint64 FOffset = 0; // of the part, asked for with a range
    TFetchResult FResult;
};

// The attempts of a started fetch, chained through the hub.
struct TStartedFetch {
    TStartedFetch(THTTPClient& AClient, TTransferHub& AHub, const TFetchRequest& Request,
        const TFetchSettings& ASettings, TLineSink Log, TFetchDone AOnDone)
        : Fetch(AClient, Request, ASettings, std::move(Log))
        , Client(AClient)
        , Hub(AHub)
        , Settings(ASettings)
        , OnDone(std::move(AOnDone))
    {
    }
    TURLFetch Fetch;
    THTTPClient& Client;
    TTransferHub& Hub;
    const TFetchSettings& Settings;
    TFetchDone OnDone;
};

void StartAttempt(const std::shared_ptr<TStartedFetch>& Started)
{
    Started->Fetch.BeginAttempt();
    auto Ended = [Started](const std::exception_ptr& Failure) {
        TFetchResult Result;
        std::exception_ptr Escaped;
        try {
            if (!Started->Fetch.EndAttempt(Failure)) {
                const TFetchSettings& Settings = Started->Settings;
                Started->Hub.After(Settings.Env->TimerPauseMs(Settings.RetryPauseMs), Settings.Stopped,
                    [Started] { StartAttempt(Started); });
                return;
            }
            Result = Started->Fetch.Finish();
        } catch (...) {
            Started->Fetch.Detach();
            Escaped = std::current_exception();
        }
        const TFetchDone OnDone = std::move(Started->OnDone);
        OnDone(std::move(Result), Escaped);
    };
    try {
        Started->Client.StartGet(
            Started->Fetch.URL(), Started->Fetch.Body(), Started->Fetch.ContentType(), Ended);
    } catch (...) {
        Ended(std::current_exception());
    }
}

} // namespace

TFetchResult FetchURL(
    THTTPClient& Client, const TFetchRequest& Request, const TFetchSettings& Settings, const TLineSink& Log)
{
    TURLFetch Fetch(Client, Request, Settings, Log);
    for (;;) {
        Fetch.BeginAttempt();
        std::exception_ptr Failure;
        try {
            Client.HTTPGet(Fetch.URL(), Fetch.Body(), Fetch.ContentType());
        } catch (...) {
            Failure = std::current_exception();
        }
        if (Fetch.EndAttempt(Failure))
            return Fetch.Finish();
        Settings.Env->Sleep(Settings.RetryPauseMs, Settings.Stopped);
    }
}

void StartFetchURL(THTTPClient& Client, TTransferHub& Hub, const TFetchRequest& Request,
    const TFetchSettings& Settings, TLineSink Log, TFetchDone OnDone)
{
    StartAttempt(
        std::make_shared<TStartedFetch>(Client, Hub, Request, Settings, std::move(Log), std::move(OnDone)));
}
