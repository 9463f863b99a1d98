#include "DownloadProject.h"

#include "CSSLinks.h"
#include "CharsetDeclaration.h"
#include "FileReplace.h"
#include "HrvThread.h"
#include "OutputFile.h"
#include "ProcessHTML.h"
#include "RetryPolicy.h"
#include "URLList.h"
#include "URLUtils.h"
#include "uRegExExtract.h"
#include "uStrUtils.h"

#include "http/HTTPClientUnit.h"
#include "http/ResponseCharset.h"
#include "http/URLSplit.h"
#include "projects/WebsiteUnit.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr int RetryPauseMs = 500;
constexpr int WholeSiteLimit = 2147483647;

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
        const QString& OutDir, const TWebsiteProject& Project, THTTPClient& Client, THrvThread& Thread)
        : FOutDir(ToNativeSeparators(OutDir))
        , FProject(Project)
        , FClient(Client)
        , FThread(Thread)
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
        FBody.open(QIODevice::ReadWrite);
    }

    void Run()
    {
        FURLs.SetMaxCount(FThread.MaxURLs());
        Seed();
        for (int Index = 0; Index < FURLs.Count();) {
            Download(Index++);
            ReportURLLimit();
            if (FThread.Terminated() || FStorageFull)
                break;
        }
        FThread.Log(
            QStringLiteral("Downloaded: %1, already existed: %2, not changed: %3, empty: %4, failed: %5.")
                .arg(FCounters.Downloaded)
                .arg(FCounters.AlreadyExisted)
                .arg(FCounters.NotChanged)
                .arg(FCounters.Empty)
                .arg(FCounters.Failed));
        FThread.CountFailedURLs(FCounters.Failed);
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
        FThread.Log(QStringLiteral("URL limit reached (%1): no more URLs are added.").arg(FURLs.MaxCount()));
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

    // Requests URL with retries into FBody; true when a non-empty body came.
    bool Fetch(const QString& URL, QString& ContentType, THTTPRedirect& Redirect)
    {
        FClient.SetOnRedirect([&Redirect](THTTPClient*, const QString& L) { Redirect.OnRedirect(L); });
        bool Downloaded = false;
        for (int Attempt = 0; Attempt <= FThread.HTTPRetries(); ++Attempt) {
            Redirect.Reset();
            ContentType.clear();
            FBody.buffer().clear();
            FBody.seek(0);
            try {
                FClient.HTTPGet(URL, FBody, ContentType, true, false, -1, -1);
                Downloaded = !FBody.buffer().isEmpty();
                if (!Downloaded)
                    ++FCounters.Empty;
                break;
            } catch (const std::exception& E) {
                FThread.LogException(E);
                if (IsRetryableFailure(E) && Attempt < FThread.HTTPRetries() && !FThread.Terminated()) {
                    FThread.Log(QStringLiteral("Retry #%1...").arg(Attempt + 1));
                    FThread.Pause(RetryPauseMs);
                } else {
                    ++FCounters.Failed;
                    break;
                }
            }
        }
        FClient.SetOnRedirect({});
        return Downloaded;
    }

    void Download(int Index)
    {
        const QString URL = FURLs.URL(Index);
        QString OutFile = FURLs.OutFilePath(Index);
        FThread.Log(QStringLiteral("Downloading [ %1 / %2 ]: %3").arg(Index + 1).arg(FURLs.Count()).arg(URL));

        QString PageURL = EncodeURLNonASCII(URL);
        QString ContentType;
        THTTPRedirect Redirect(PageURL);
        const bool Downloaded = Fetch(PageURL, ContentType, Redirect);
        if (!Redirect.Location.isEmpty()) {
            // The client resolved every hop itself; its last URL is the page's base.
            PageURL = FClient.LastURL();
            const QString IndexTail = QDir::separator() + FSettings.IndexName;
            if (PageURL.endsWith(QLatin1Char('/')) && !OutFile.isEmpty()
                && !(OutFile.size() >= IndexTail.size()
                    && SameText(OutFile.right(IndexTail.size()), IndexTail)))
                OutFile += IndexTail;
        }
        if (!Downloaded || OutFile.isEmpty())
            return;

        const TOutputFile Target = LocateOutputFile(OutFile, FOutDir);
        if (!Target.Inside) {
            FThread.Log(QStringLiteral("Invalid directory ") + Target.Dir);
            ++FCounters.Failed;
            return;
        }
        if (!Target.Dir.isEmpty() && !QDir().mkpath(Target.Dir)) {
            FThread.Log(QStringLiteral("Unable to create directory ") + Target.Dir);
            ++FCounters.Failed;
            return;
        }

        QByteArray Content;
        if (ContentType.toLower() == QLatin1String("text/html")) {
            const QString Charset = FClient.GetResponseCharset();
            const QString Text = DecodeText(FBody.buffer(), Charset);
            FBody.buffer().clear();
            TPageInfo Page { PageURL, OutFile, FURLs.ExtractURLs(Index), FURLs.URLDepth(Index) };
            QString Html;
            ProcessHTML(Text, Html, FURLs, Page, FSettings, FThread);
            if (!IsUTF8(Charset))
                Html = DeclareUTF8(Html);
            Content = FRules.Apply(Html).toUtf8();
        } else if (FSettings.CompletePages && ContentType.toLower() == QLatin1String("text/css")) {
            Content = StyleSheetContent(PageURL, OutFile, Index);
        } else {
            Content = FBody.buffer();
        }
        Save(Target.FilePath, Content);
    }

    // The downloaded style sheet with its links followed and rewritten, in
    // UTF-8. A byte order mark, else a charset rule where the reply named
    // none, tells its charset.
    QByteArray StyleSheetContent(const QString& SheetURL, const QString& OutFile, int Index)
    {
        const QByteArray& Bytes = FBody.buffer();
        QString Charset = FClient.GetResponseCharset();
        if (Bytes.startsWith("\xEF\xBB\xBF"))
            Charset = QStringLiteral("UTF-8");
        else if (const QString Rule = CSSCharsetRule(Bytes); !Rule.isEmpty()
                 && !ContainsText(
                     FClient.GetResponseHeader(QStringLiteral("Content-Type")), QStringLiteral("charset")))
            Charset = Rule;
        const QString Text = DecodeText(Bytes, Charset);
        FBody.buffer().clear();
        TPageInfo Sheet { SheetURL, OutFile, FURLs.ExtractURLs(Index), FURLs.URLDepth(Index) };
        QString CSS;
        ProcessStyleSheet(Text, CSS, FURLs, Sheet, FSettings, FThread);
        return CSS.toUtf8();
    }

    void Save(const QString& FilePath, const QByteArray& Content)
    {
        if (QFileInfo(FilePath).isFile()) {
            if (FProject.Overwrite() == ofChanged && !FileChanged(FilePath, Content, FThread)) {
                FThread.Log(QStringLiteral("File does not changed: ") + FilePath);
                ++FCounters.NotChanged;
                return;
            }
            if (FProject.Overwrite() == ofNone) {
                FThread.Log(QStringLiteral("File already exists: ") + FilePath);
                ++FCounters.AlreadyExisted;
                return;
            }
        }
        FThread.Log(QStringLiteral("Saving: ") + FilePath);
        try {
            WriteFileReplacing(FilePath, Content);
            ++FCounters.Downloaded;
        } catch (const EStorageFullError& E) {
            // Every later file would fail too: the run ends after this URL.
            FThread.LogException(E);
            ++FCounters.Failed;
            FStorageFull = std::current_exception();
        } catch (const Exception& E) {
            FThread.LogException(E);
            ++FCounters.Failed;
        }
    }

    QString FOutDir;
    const TWebsiteProject& FProject;
    THTTPClient& FClient;
    THrvThread& FThread;
    TReplaceRuleSet FRules;
    QString FWebsiteURL;
    TLinkSettings FSettings;
    TURLList FURLs;
    QBuffer FBody;
    TCounters FCounters;
    std::exception_ptr FStorageFull;
    bool FURLLimitReported = false;
};

} // namespace

void THTTPRedirect::OnRedirect(const QString& ALocation)
{
    const QString Absolute = ResolveURL(ALocation, FCurrentURL);
    FCurrentURL = Absolute.isEmpty() ? ALocation : Absolute;
    Location = FCurrentURL;
}

void DownloadProject(
    const QString& OutDir, const TWebsiteProject& Project, THTTPClient& Client, THrvThread& Thread)
{
    TProjectCrawl Crawl(OutDir, Project, Client, Thread);
    Crawl.Run();
}

bool FileChanged(const QString& FileName, const QByteArray& Content, THrvThread& Thread)
{
    const QFileInfo Info(FileName);
    if (Info.isSymLink() || !Info.isFile())
        return true;
    QFile File(FileName);
    if (!File.open(QIODevice::ReadOnly)) {
        Thread.LogException(
            EFileError(QStringLiteral("Cannot open file \"%1\". %2").arg(FileName, File.errorString())));
        return true;
    }
    QCryptographicHash FileHash(QCryptographicHash::Md5);
    FileHash.addData(&File);
    return FileHash.result() != QCryptographicHash::hash(Content, QCryptographicHash::Md5);
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
