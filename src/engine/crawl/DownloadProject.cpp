#include "engine/crawl/DownloadProject.h"

#include "engine/page/CSSLinks.h"
#include "engine/page/CharsetDeclaration.h"
#include "engine/crawl/FetchAhead.h"
#include "engine/store/FileReplace.h"
#include "engine/crawl/LinkRepair.h"
#include "engine/store/OutputFile.h"
#include "engine/crawl/ProcessHTML.h"
#include "engine/crawl/RunContext.h"
#include "engine/crawl/SiteFileNames.h"
#include "engine/crawl/URLList.h"
#include "engine/page/URLUtils.h"
#include "engine/page/uRegExExtract.h"
#include "engine/page/uStrUtils.h"

#include "http/HTTPClientUnit.h"
#include "http/ResponseCharset.h"
#include "http/URLSplit.h"
#include "projects/WebsiteUnit.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr int RetryPauseMs = 500;
// A page or style sheet is held in memory, decoded and again as the page it
// saves, so one may bring less than a file that goes straight to disk.
constexpr qint64 PageSizeLimit = qint64(256) << 20;
// What the pages fetched ahead may hold in memory together; more wait on disk.
constexpr qint64 PagesInMemoryLimit = qint64(128) << 20;
constexpr int WholeSiteLimit = 2147483647;

// What a save left: a file with what this run made of the URL (written, or
// the same content found), a file from before, or none.
enum class TSaved { ThisRun, Kept, None };

struct TCounters {
    int Downloaded = 0;
    int AlreadyExisted = 0;
    int NotChanged = 0;
    int Empty = 0;
    int Failed = 0;
};

QString EnsureTrailing(const QString& Text, QChar C)
{
    return Text.isEmpty() || Text.endsWith(C) ? Text : Text + C;
}

bool IsUTF8(const QString& Charset)
{
    return SameText(Charset, QStringLiteral("utf-8")) || SameText(Charset, QStringLiteral("utf8"));
}

// One project's crawl: the URL list, the counters and the settings derived
// once from the project.
class TProjectCrawl {
public:
    TProjectCrawl(
        const QString& OutDir, const TWebsiteProject& Project, THTTPClient& Client, TRunContext& Run)
        : FOutDir(ToNativeSeparators(OutDir))
        , FProject(Project)
        , FClient(Client)
        , FRun(Run)
        , FRules(Project.ReplacePatterns(), Project.ReplaceRules())
    {
        FWebsiteURL = NormalizeWebsiteURL(Project.WebsiteURL());
        FSettings.WebsiteBase = WebsiteBaseOf(FWebsiteURL);
        FSettings.RemoveScripts = Project.RemoveScripts();
        FSettings.RemoveNoscripts = Project.RemoveNoscripts();
        FSettings.RelativePathLinks = Project.RelativePathLinks();
        FSettings.CompletePages = Project.CompletePages();
        FSettings.TargetBase = EnsureTrailing(
            QString(Project.BaseURL()).replace(QLatin1Char('\\'), QLatin1Char('/')), QLatin1Char('/'));
        FSettings.IndexName
            = Project.IndexFile().isEmpty() ? QStringLiteral("index.html") : Project.IndexFile();
        FSettings.OutFolder = EnsureTrailing(FOutDir, QDir::separator());
        FSettings.WebDocuments = &Project.WebDocuments();
        FSettings.WDOutFolders = &Project.WDOutFolders();
        FSettings.DomainAliases = &Project.WebsiteDomainAliases();
        FSettings.SuppressURLs = &Project.SuppressURLs();
        FSettings.SiteFileNames = Project.SiteFileNames();
        if (FSettings.SiteFileNames) {
            FURLs.SetSiteFileNames(true);
            FSettings.Repair = &FRepair;
        }
        FFetch.Retries = Run.HTTPRetries();
        FFetch.RetryPauseMs = RetryPauseMs;
        FFetch.TempFolder = FOutDir.isEmpty() ? QStringLiteral(".") : FOutDir;
        FFetch.MemoryLimit = PageSizeLimit;
        FFetch.Budget = &FPageBudget;
        FFetch.CompletePages = FSettings.CompletePages;
        FFetch.ScriptsInMemory = FollowsScriptLinks(FSettings);
        FFetch.DigestFiles = Project.Overwrite() == ofChanged;
        FFetch.Stopped = [&Run] { return Run.Terminated(); };
    }

    void Run()
    {
        FURLs.SetMaxCount(FRun.MaxURLs());
        Seed();
        auto Ahead = std::make_unique<TFetchAhead>(
            FClient, TTransferLimits::ForConnections(FRun.Connections()), FFetch);
        for (int Index = 0; Index < FURLs.Count(); ++Index) {
            FRepair.Settle(Index, Download(Index, Ahead.get()));
            ReportURLLimit();
            if (FRun.Terminated() || FStorageFull)
                break;
        }
        Ahead.reset();
        if (FSettings.SiteFileNames && !FStorageFull)
            RepairLinks();
        FRun.Log(
            QStringLiteral("Downloaded: %1, already existed: %2, not changed: %3, empty: %4, failed: %5.")
                .arg(FCounters.Downloaded)
                .arg(FCounters.AlreadyExisted)
                .arg(FCounters.NotChanged)
                .arg(FCounters.Empty)
                .arg(FCounters.Failed));
        FRun.CountFailedURLs(FCounters.Failed);
        if (FStorageFull)
            std::rethrow_exception(FStorageFull);
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
        const TStrings& Pages = FProject.WebPages();
        const QString& Base = FSettings.WebsiteBase;
        for (int I = 0; I < Pages.Count(); ++I)
            FURLs.AddURL(utA, ResolveURL(Pages[I], Base), Base, FSettings.IndexName, FSettings.OutFolder,
                FProject.WPExtractURLs().GetValue(I), 0, FSettings.SuppressURLs, QString());
        if (Pages.Count() == 0 && !FWebsiteURL.isEmpty())
            FURLs.AddURL(utA, FWebsiteURL, Base, FSettings.IndexName, FSettings.OutFolder, WholeSiteLimit, 0,
                FSettings.SuppressURLs, QString());
    }

    TFetchRequest RequestFor(int Index) const
    {
        return { EncodeURLNonASCII(FURLs.URL(Index)),
            Index > 0 ? EncodeURLNonASCII(FURLs.URL(Index - 1)) : QString(), FURLs.OutFilePath(Index) };
    }

    // Keeps the next URLs of the list in flight (none past Break), then
    // waits for this one.
    TFetchResult FetchAhead(TFetchAhead& Ahead, int Index, const TLineSink& Log)
    {
        const int Window = FRun.Terminated() ? Index + 1 : std::min(FURLs.Count(), Index + Ahead.Window());
        while (Ahead.Queued() < Window)
            Ahead.Queue(RequestFor(Ahead.Queued()));
        return Ahead.Take(Index, Log);
    }

    // Links written to files that in the end were not saved, or saved under
    // another name, are made to lead to the file or the URL.
    void RepairLinks()
    {
        try {
            if (const int Repaired = FRepair.Repair(FURLs, FSettings, FOutDir))
                FRun.Log(QStringLiteral("Links repaired in %1 saved files.").arg(Repaired));
        } catch (const EStorageFullError&) {
            EndForFullStorage(std::current_exception());
        } catch (const Exception& E) {
            FRun.LogException(E);
        }
    }

    // Counts URL Index as failed and keeps it for the run's report.
    void Fail(int Index, const QString& Reason)
    {
        ++FCounters.Failed;
        const int Parent = FURLs.Parent(Index);
        FRun.ReportFailedURL({ FURLs.URL(Index), Reason, Parent >= 0 ? FURLs.URL(Parent) : QString() });
    }

    // Takes URL Index from Ahead, then logs and saves it;
    // tells whether the copy has a file for it.
    TLinkRepair::TFate Download(int Index, TFetchAhead* Ahead)
    {
        using TFate = TLinkRepair::TFate;
        const QString URL = FURLs.URL(Index);
        QString OutFile = FURLs.OutFilePath(Index);
        FRun.Log(QStringLiteral("Downloading [ %1 / %2 ]: %3").arg(Index + 1).arg(FURLs.Count()).arg(URL));
        const TLineSink Log = [this](const QString& Line) { FRun.Log(Line); };
        TFetchResult Result = FetchAhead(*Ahead, Index, Log);
        if (Result.Outcome == TFetchOutcome::Empty)
            ++FCounters.Empty;
        // A guess from a script's text that the site does not have is no failure.
        if (Result.Outcome == TFetchOutcome::Failed && !FURLs.Guessed(Index))
            Fail(Index, Result.Reason);
        if (Result.StorageFull)
            FStorageFull = Result.StorageFull;

        // The client resolved every hop itself; its last URL is the page's base.
        const QString PageURL
            = Result.RedirectedURL.isEmpty() ? EncodeURLNonASCII(URL) : Result.RedirectedURL;
        if (FSettings.SiteFileNames) {
            if (Result.Outcome == TFetchOutcome::Downloaded && !OutFile.isEmpty()
                && FURLs.RenameForReply(Index, DocumentKindOf(Result.ContentType), Result.RedirectedURL)) {
                FRepair.NoteRename(Index, OutFile);
                OutFile = FURLs.OutFilePath(Index);
            }
        } else if (!Result.RedirectedURL.isEmpty()) {
            const QString IndexTail = QDir::separator() + FSettings.IndexName;
            if (PageURL.endsWith(QLatin1Char('/')) && !OutFile.isEmpty()
                && !(OutFile.size() >= IndexTail.size()
                    && SameText(OutFile.right(IndexTail.size()), IndexTail)))
                OutFile += IndexTail;
        }
        if (Result.Outcome != TFetchOutcome::Downloaded || OutFile.isEmpty())
            return TFate::NotSaved;

        const TOutputFile Target = LocateOutputFile(OutFile, FOutDir);
        if (!Target.Inside) {
            const QString Line = QStringLiteral("Invalid directory ") + Target.Dir;
            FRun.Log(Line);
            Fail(Index, Line);
            return TFate::NotSaved;
        }
        if (const int Error = Target.Dir.isEmpty() ? 0 : MakeFolders(Target.Dir)) {
            const QString Line = QStringLiteral("Unable to create directory ") + Target.Dir;
            FRun.Log(Line);
            Fail(Index, Line);
            if (IsStorageFull(Error))
                EndForFullStorage(FolderError(Target.Dir, Error));
            return TFate::NotSaved;
        }

        TDownloadBody& Body = *Result.Body;
        if (!Body.InMemory())
            return FateOf(Save(
                Index, Target.FilePath, [&Body] { return Body.Md5(); },
                [&Body](const QString& Path) { Body.MoveTo(Path); }));
        QByteArray Content;
        const bool IsPage = Result.ContentType.toLower() == QLatin1String("text/html");
        const bool IsScript = !IsPage && IsScriptType(Result.ContentType);
        if (IsPage) {
            const QString Text = DecodeText(Body.Bytes(), Result.Charset);
            Body.ReleaseBytes();
            TPageInfo Page { PageURL, OutFile, FURLs.ExtractURLs(Index), FURLs.URLDepth(Index), Index };
            QString Html;
            ProcessHTML(Text, Html, FURLs, Page, FSettings, FRun);
            if (!IsUTF8(Result.Charset))
                Html = DeclareUTF8(Html);
            Content = FRules.Apply(Html).toUtf8();
        } else if (IsScript) {
            Content = Body.Bytes();
            Body.ReleaseBytes();
            TPageInfo Script { PageURL, OutFile, FURLs.ExtractURLs(Index), FURLs.URLDepth(Index), Index };
            ProcessScript(QString::fromUtf8(Content), FURLs, Script, FSettings, FRun);
        } else {
            Content = StyleSheetContent(PageURL, OutFile, Index, Result);
        }
        const TSaved Saved = Save(
            Index, Target.FilePath,
            [&Content] { return QCryptographicHash::hash(Content, QCryptographicHash::Md5); },
            [&Content](const QString& Path) { WriteFileReplacing(Path, Content); });
        if (Saved == TSaved::ThisRun && !IsScript)
            FRepair.NoteRewritable(Index, !IsPage);
        return FateOf(Saved);
    }

    static TLinkRepair::TFate FateOf(TSaved Saved)
    {
        return Saved == TSaved::None ? TLinkRepair::TFate::NotSaved : TLinkRepair::TFate::Saved;
    }

    // The downloaded style sheet with its links followed and rewritten, in
    // UTF-8. A byte order mark, else a charset rule where the reply named
    // none, tells its charset.
    QByteArray StyleSheetContent(
        const QString& SheetURL, const QString& OutFile, int Index, TFetchResult& Result)
    {
        const QByteArray& Bytes = Result.Body->Bytes();
        QString Charset = Result.Charset;
        if (Bytes.startsWith("\xEF\xBB\xBF"))
            Charset = QStringLiteral("UTF-8");
        else if (const QString Rule = CSSCharsetRule(Bytes);
                 !Rule.isEmpty() && !ContainsText(Result.ContentTypeHeader, QStringLiteral("charset")))
            Charset = Rule;
        const QString Text = DecodeText(Bytes, Charset);
        Result.Body->ReleaseBytes();
        TPageInfo Sheet { SheetURL, OutFile, FURLs.ExtractURLs(Index), FURLs.URLDepth(Index), Index };
        QString CSS;
        ProcessStyleSheet(Text, CSS, FURLs, Sheet, FSettings, FRun);
        return CSS.toUtf8();
    }

    // Writes the file of URL Index unless the overwrite policy keeps the one
    // there; Md5 gives the new content's digest, asked for only when the
    // policy needs it.
    TSaved Save(int Index, const QString& FilePath, const std::function<QByteArray()>& Md5,
        const std::function<void(const QString&)>& Write)
    {
        if (QFileInfo(FilePath).isFile()) {
            if (FProject.Overwrite() == ofChanged && !FileChanged(FilePath, Md5(), FRun)) {
                FRun.Log(QStringLiteral("File does not changed: ") + FilePath);
                ++FCounters.NotChanged;
                return TSaved::ThisRun;
            }
            if (FProject.Overwrite() == ofNone) {
                FRun.Log(QStringLiteral("File already exists: ") + FilePath);
                ++FCounters.AlreadyExisted;
                return TSaved::Kept;
            }
        }
        FRun.Log(QStringLiteral("Saving: ") + FilePath);
        try {
            Write(FilePath);
            ++FCounters.Downloaded;
            return TSaved::ThisRun;
        } catch (const EStorageFullError& E) {
            Fail(Index, ExceptionLogLine(E));
            EndForFullStorage(std::current_exception());
        } catch (const Exception& E) {
            FRun.LogException(E);
            Fail(Index, ExceptionLogLine(E));
        }
        // A failed write keeps the old copy, if there is one.
        return QFileInfo(FilePath).isFile() ? TSaved::Kept : TSaved::None;
    }

    // Logs Error; every later file would fail too, so the run ends after
    // this URL.
    void EndForFullStorage(const std::exception_ptr& Error)
    {
        try {
            std::rethrow_exception(Error);
        } catch (const std::exception& E) {
            FRun.LogException(E);
        }
        FStorageFull = Error;
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
    TCounters FCounters;
    std::exception_ptr FStorageFull;
    bool FURLLimitReported = false;
};

} // namespace

void DownloadProject(
    const QString& OutDir, const TWebsiteProject& Project, THTTPClient& Client, TRunContext& Run)
{
    TProjectCrawl Crawl(OutDir, Project, Client, Run);
    Crawl.Run();
}

bool FileChanged(const QString& FileName, const QByteArray& Md5, TRunContext& Run)
{
    const QFileInfo Info(FileName);
    if (Info.isSymLink() || !Info.isFile())
        return true;
    QFile File(FileName);
    if (!File.open(QIODevice::ReadOnly)) {
        Run.LogException(
            EFileError(QStringLiteral("Cannot open file \"%1\". %2").arg(FileName, File.errorString())));
        return true;
    }
    QCryptographicHash FileHash(QCryptographicHash::Md5);
    FileHash.addData(&File);
    return FileHash.result() != Md5;
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
