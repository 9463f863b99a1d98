#include "engine/crawl/DownloadProject.h"

#include "engine/crawl/CrawlTally.h"
#include "engine/crawl/DocumentContent.h"
#include "engine/crawl/FetchAhead.h"
#include "engine/crawl/LinkRepair.h"
#include "engine/crawl/OutputName.h"
#include "engine/crawl/OutputPlace.h"
#include "engine/crawl/ProcessHTML.h"
#include "engine/crawl/ProjectRuns.h"
#include "engine/crawl/RobotsRules.h"
#include "engine/crawl/RunContext.h"
#include "engine/crawl/SaveOutput.h"
#include "engine/crawl/URLFilters.h"
#include "engine/crawl/URLList.h"
#include "engine/crawl/UpdateState.h"
#include "engine/page/URLUtils.h"
#include "engine/page/uRegExExtract.h"
#include "engine/store/FileReplace.h"

#include "http/HTTPClientUnit.h"
#include "http/URLSplit.h"
#include "projects/WebsiteUnit.h"

#include <QCryptographicHash>

namespace {

constexpr int RetryPauseMs = 500;
// A page or style sheet is held in memory, decoded and again as the page it
// saves, so one may bring less than a file that goes straight to disk.
constexpr qint64 PageSizeLimit = qint64(256) << 20;
// What the pages fetched ahead may hold in memory together; more wait on disk.
constexpr qint64 PagesInMemoryLimit = qint64(128) << 20;
constexpr int WholeSiteLimit = 2147483647;

TReplaceRuleSet ReplaceRuleSetOf(const TWebsiteProject& Project)
{
    TReplaceRuleSet Rules;
    for (const TReplaceRule& Rule : Project.ReplaceRules())
        Rules.Add(Rule.Pattern, Rule.Template);
    return Rules;
}

QString UserAgentOf(const TWebsiteProject& Project)
{
    const QString& UserAgent = Project.Requests().UserAgent;
    return UserAgent.isEmpty() ? RunUserAgent : UserAgent;
}

// One project's crawl: the URL list and the settings derived once from the
// project; each URL at its turn is fetched, named, placed, made and saved
// by the steps of its own files.
class TProjectCrawl {
public:
    TProjectCrawl(
        const QString& OutDir, const TWebsiteProject& Project, THTTPClient& Client, TRunContext& Run)
        : FOutDir(ToNativeSeparators(OutDir))
        , FProject(Project)
        , FClient(Client)
        , FRun(Run)
        , FRules(ReplaceRuleSetOf(Project))
        , FWebsiteURL(NormalizeWebsiteURL(Project.WebsiteURL()))
        , FSettings(LinkSettingsOf(Project, FOutDir))
        , FTally(FURLs, Run)
        , FSaver(Project.Overwrite(), FTally, Run)
        , FDocuments(FURLs, FSettings, FRules, Run)
        , FUpdates(Project, FOutDir, FFetch, Run)
        , FFilters(Project.Requests().Accept, Project.Requests().Reject,
              [&Run](const QString& Line) { Run.Log(Line); })
    {
        if (FSettings.SiteFileNames) {
            FURLs.SetSiteFileNames(true);
            FSettings.Repair = &FRepair;
        }
        FFetch.Retries = Project.Requests().Tries > 0 ? Project.Requests().Tries - 1 : Run.HTTPRetries();
        FFetch.RetryPauseMs = RetryPauseMs;
        FFetch.TempFolder = FOutDir.isEmpty() ? QStringLiteral(".") : FOutDir;
        FFetch.MemoryLimit = PageSizeLimit;
        FFetch.Budget = &FPageBudget;
        FFetch.CompletePages = FSettings.CompletePages;
        FFetch.ScriptsInMemory = FollowsScriptLinks(FSettings);
        FFetch.DigestFiles = Project.Overwrite() == ofChanged || FUpdates.Active();
        FFetch.Stopped = [&Run] { return Run.Terminated(); };
        FFetch.Env = &Run.Env();
        if (!FFilters.Empty() || Project.Requests().Robots)
            FSettings.Admits = [this](const QString& URL) {
                return FFilters.Admits(URL) && (!FRobots || FRobots->Allows(URL));
            };
    }

    void Run()
    {
        FURLs.SetMaxCount(FRun.MaxURLs());
        {
            // Its end stops the transfers still in flight after a Break.
            TFetchAhead Ahead(FClient, TTransferLimits::ForConnections(FRun.Connections()), FFetch);
            if (FProject.Requests().Robots)
                FRobots = std::make_unique<TRobotsRules>(FClient, UserAgentOf(FProject), FRun,
                    [&Ahead](const QString& Host, int Ms) { Ahead.SetHostDelay(Host, Ms); });
            Seed();
            for (int Index = 0; Index < FURLs.Count(); ++Index) {
                FRepair.Settle(Index, Download(Index, Ahead));
                ReportURLLimit();
                if (FRun.Terminated() || FTally.StorageFull())
                    break;
            }
            FRobots.reset(); // it tells Ahead the hosts' delays
        }
        if (FSettings.SiteFileNames && !FTally.StorageFull())
            RepairLinks();
        FUpdates.Close(!FRun.Terminated() && !FTally.StorageFull() && !FURLs.LimitReached());
        FTally.Close();
    }

private:
    // Once, when the list first refuses a URL for its bound.
    void ReportURLLimit()
    {
        if (!FURLs.LimitReached() || FURLLimitReported)
            return;
        FURLLimitReported = true;
        FRun.Log(QStringLiteral("URL limit reached (%1): no more URLs are added.").arg(FURLs.MaxCount()));
    }

    void Seed()
    {
        for (const TStartPage& Page : FProject.StartPages())
            AddStartPage(ResolveURL(Page.URL, FSettings.WebsiteBase), Page.LinkDepth);
        if (FProject.StartPages().empty() && !FWebsiteURL.isEmpty())
            AddStartPage(FWebsiteURL, WholeSiteLimit);
    }

    // Start pages pass every filter, but not robots.txt.
    void AddStartPage(const QString& URL, int LinkDepth)
    {
        if (FRobots && !FRobots->Allows(RemoveURLFragment(URL)))
            return;
        FURLs.AddURL(utA, URL, FSettings.WebsiteBase, FSettings.IndexName, FSettings.OutFolder, LinkDepth, 0,
            FSettings.SuppressURLs, QString());
    }

    TFetchRequest PlainRequestFor(int Index) const
    {
        return { EncodeURLNonASCII(FURLs.URL(Index)),
            Index > 0 ? EncodeURLNonASCII(FURLs.URL(Index - 1)) : QString(), FURLs.OutFilePath(Index), {},
            {} };
    }

    TFetchRequest RequestFor(int Index)
    {
        TFetchRequest Request = PlainRequestFor(Index);
        FUpdates.Prepare(Request);
        return Request;
    }

    // Keeps the next URLs of the list in flight (none past Break), then
    // waits for this one.
    TFetchResult FetchAhead(TFetchAhead& Ahead, int Index, const TLineSink& Log)
    {
        const int Window = FRun.Terminated() ? Index + 1 : std::min(FURLs.Count(), Index + Ahead.Window());
        while (Ahead.Queued() < Window)
            Ahead.Queue(RequestFor(Ahead.Queued()));
        TFetchResult Result = Ahead.Take(Index, Log);
        if (Result.Outcome == TFetchOutcome::NotModified
            && !FUpdates.Restore(Result, PlainRequestFor(Index).URL))
            return FetchURL(FClient, PlainRequestFor(Index), FFetch, Log);
        return Result;
    }

    // Links written to files that in the end were not saved, or saved under
    // another name, are made to lead to the file or the URL.
    void RepairLinks()
    {
        try {
            const auto OnRepaired = [this](int Page, const QString& FilePath, const QByteArray& Content) {
                FUpdates.Repaired(PlainRequestFor(Page).URL, FilePath, Content);
            };
            if (const int Repaired = FRepair.Repair(FRun.Env(), FURLs, FSettings, FOutDir, OnRepaired))
                FRun.Log(QStringLiteral("Links repaired in %1 saved files.").arg(Repaired));
        } catch (const EStorageFullError&) {
            FTally.EndForFullStorage(std::current_exception());
        } catch (const Exception& E) {
            FRun.LogException(E);
        }
    }

    // Takes URL Index from Ahead, then logs and saves it;
    // tells whether the copy has a file for it.
    TLinkRepair::TFate Download(int Index, TFetchAhead& Ahead)
    {
        FRun.Log(QStringLiteral("Downloading [ %1 / %2 ]: %3")
                     .arg(Index + 1)
                     .arg(FURLs.Count())
                     .arg(FURLs.URL(Index)));
        const TLineSink Log = [this](const QString& Line) { FRun.Log(Line); };
        TFetchResult Result = FetchAhead(Ahead, Index, Log);
        FRun.NoteURLDone(Index + 1, FURLs.Count(), Result.Body && !Result.Restored ? Result.Body->Size() : 0);
        FTally.CountFetch(Index, Result);
        const TOutputName Name = NameOutput(Index, Result, FURLs, FRepair, FSettings);
        if (Result.Outcome != TFetchOutcome::Downloaded || Name.OutFile.isEmpty())
            return TLinkRepair::TFate::NotSaved;
        const std::optional<QString> FilePath = PlaceOutput(Index, Name.OutFile, FOutDir, FTally, FRun);
        if (!FilePath)
            return TLinkRepair::TFate::NotSaved;
        return FateOf(Save(Index, *FilePath, Name, Result));
    }

    // Saves what Result brought for URL Index at FilePath and records it
    // in the crawl state.
    TSaved Save(int Index, const QString& FilePath, const TOutputName& Name, TFetchResult& Result)
    {
        const QString URL = PlainRequestFor(Index).URL;
        if (!Result.UnchangedFile.isEmpty()) {
            const TSaved Saved
                = FSaver.SaveUnchanged(Index, FilePath, Result.UnchangedFile, Result.UnchangedMd5);
            if (Saved != TSaved::None)
                FUpdates.Saved(URL, Result, FilePath, Result.UnchangedMd5, nullptr, Saved == TSaved::Kept);
            return Saved;
        }
        if (!Result.Body->InMemory()) {
            const TSaved Saved = FSaver.SaveBody(Index, FilePath, *Result.Body);
            if (Saved != TSaved::None)
                FUpdates.Saved(URL, Result, FilePath, Result.Body->Md5(), nullptr, Saved == TSaved::Kept);
            return Saved;
        }
        const QByteArray Received = Result.Restored ? QByteArray() : Result.Body->Bytes();
        const TDocumentType Type = DocumentTypeOf(Result.ContentType);
        const TPageInfo Page { Name.BaseURL, Name.OutFile, FURLs.ExtractURLs(Index), FURLs.URLDepth(Index),
            Index };
        const QByteArray Content = FDocuments.Make(Type, Result, Page);
        const TSaved Saved = FSaver.SaveContent(Index, FilePath, Content);
        if (Saved == TSaved::ThisRun && Type != TDocumentType::Script)
            FRepair.NoteRewritable(Index, Type == TDocumentType::StyleSheet);
        if (Saved != TSaved::None)
            FUpdates.Saved(URL, Result, FilePath, QCryptographicHash::hash(Content, QCryptographicHash::Md5),
                Result.Restored ? nullptr : &Received, Saved == TSaved::Kept);
        return Saved;
    }

    static TLinkRepair::TFate FateOf(TSaved Saved)
    {
        return Saved == TSaved::None ? TLinkRepair::TFate::NotSaved : TLinkRepair::TFate::Saved;
    }

    QString FOutDir;
    const TWebsiteProject& FProject;
    THTTPClient& FClient;
    TRunContext& FRun;
    TReplaceRuleSet FRules;
    QString FWebsiteURL;
    TLinkSettings FSettings;
    TMemoryBudget FPageBudget { PagesInMemoryLimit };
    TFetchSettings FFetch;
    TURLList FURLs;
    TLinkRepair FRepair;
    TCrawlTally FTally;
    TOutputSaver FSaver;
    TDocumentContent FDocuments;
    TUpdateState FUpdates;
    TURLFilters FFilters;
    std::unique_ptr<TRobotsRules> FRobots; // while the URLs are fetched, when obeyed
    bool FURLLimitReported = false;
};

} // namespace

void DownloadProject(
    const QString& OutDir, const TWebsiteProject& Project, THTTPClient& Client, TRunContext& Run)
{
    TProjectCrawl Crawl(OutDir, Project, Client, Run);
    Crawl.Run();
}

QString NormalizeWebsiteURL(const QString& WebsiteURL)
{
    TURLParts Parts = SplitURL(WebsiteURL);
    if (Parts.Scheme.isEmpty() || !Parts.HasAuthority || !Parts.Path.isEmpty())
        return WebsiteURL;
    Parts.Path = QStringLiteral("/");
    return Parts.Join();
}

QString WebsiteBaseOf(const QString& WebsiteURL)
{
    const int Query = WebsiteURL.indexOf(QLatin1Char('?'));
    const int LastSlash
        = WebsiteURL.left(Query < 0 ? WebsiteURL.size() : Query).lastIndexOf(QLatin1Char('/'));
    return WebsiteURL.left(LastSlash + 1);
}
