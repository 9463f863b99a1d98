#include "QuickCopy.h"

#include "engine/crawl/DownloadProject.h"
#include "engine/page/PerlRegEx.h"
#include "engine/page/uRegExExtract.h"
#include "engine/page/uStrUtils.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include <algorithm>

namespace {

bool IsHttpURL(const QString& URL)
{
    return URL.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
        || URL.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

// "example.org/docs/" and "localhost:8080/" as http:// URLs; a URL that
// names its scheme ("https:", "ftp:") is left as it is.
QString WithScheme(const QString& URL)
{
    static const QRegularExpression Scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:(?!\\d+([/?#]|$))"));
    if (Scheme.match(URL).hasMatch())
        return URL;
    return (URL.startsWith(QLatin1String("//")) ? QStringLiteral("http:") : QStringLiteral("http://")) + URL;
}

// The output folder, made absolute against the current folder; empty with
// Error when no folder is given and the URL has no host to name one.
QString OutputFolderOf(const QString& OutDir, const QString& FirstURL, QString& Error)
{
    QString Folder = OutDir;
    if (Folder.isEmpty()) {
        Folder = QUrl(FirstURL).host();
        if (Folder.isEmpty()) {
            Error = QStringLiteral("no host name in \"%1\" to name the output folder; give -o DIR")
                        .arg(FirstURL);
            return QString();
        }
    }
    return QDir::cleanPath(QDir::current().absoluteFilePath(Folder));
}

// Folder, created when missing; false with Error when it is a file or cannot
// be written.
bool PrepareOutputFolder(const QString& Folder, QString& Error)
{
    const QFileInfo Info(Folder);
    if (Info.exists() && !Info.isDir())
        Error = QStringLiteral("the output folder \"%1\" is a file").arg(Folder);
    else if (!Info.exists() && !QDir().mkpath(Folder))
        Error = QStringLiteral("cannot create the output folder \"%1\"").arg(Folder);
    else if (!QFileInfo(Folder).isWritable())
        Error = QStringLiteral("the output folder \"%1\" is not writable").arg(Folder);
    return Error.isEmpty();
}

// The folder a crawl stays in (its website URL cut after the last "/") and
// the given URLs that lie in it.
struct TScope {
    QString WebsiteURL;
    QString Base;
    QStringList StartPages;
};

// One scope per folder that no other given URL's folder contains, in the
// order of the URLs; the first keeps the first URL's place.
QList<TScope> ScopesOf(const QStringList& URLs)
{
    QList<TScope> Scopes;
    for (const QString& URL : URLs) {
        const QString Normalized = NormalizeWebsiteURL(URL);
        const QString Base = WebsiteBaseOf(Normalized);
        const auto Holder = std::find_if(Scopes.begin(), Scopes.end(),
            [&](const TScope& Scope) { return StartsText(Normalized, Scope.Base); });
        if (Holder != Scopes.end()) {
            Holder->StartPages << URL;
            continue;
        }
        // A wider folder takes in the scopes inside it, at the first one's place.
        TScope Wider { URL, Base, {} };
        int At = -1;
        for (int I = Scopes.size() - 1; I >= 0; --I)
            if (StartsText(Scopes[I].Base, Base)) {
                Wider.StartPages = Scopes[I].StartPages + Wider.StartPages;
                Scopes.removeAt(I);
                At = I;
            }
        Wider.StartPages << URL;
        Scopes.insert(At < 0 ? Scopes.size() : At, Wider);
    }
    return Scopes;
}

// Where a further scope is saved below the output folder: a folder named
// after its host (and port), then the folders of its path, so that it
// meets neither the first scope's files nor another's.
QString ScopeFolder(const QString& OutDir, const QString& Base)
{
    const QUrl URL(Base);
    QString Folder = URL.host();
    if (URL.port() >= 0)
        Folder += QLatin1Char('_') + QString::number(URL.port());
    for (const QString& Segment : URL.path(QUrl::FullyDecoded).split(QLatin1Char('/'), Qt::SkipEmptyParts))
        if (Segment != QLatin1String(".") && Segment != QLatin1String(".."))
            Folder += QLatin1Char('/') + Segment;
    return QDir::cleanPath(OutDir + QLatin1Char('/') + Folder);
}

// False with Error naming Option when a pattern does not compile.
bool CompilePatterns(const QStringList& Patterns, const char* Option, QString& Error)
{
    for (const QString& Pattern : Patterns) {
        try {
            CompileReplacePattern(Pattern);
        } catch (const ERegularExpressionError& E) {
            Error = QStringLiteral("%1 \"%2\": %3").arg(QLatin1String(Option), Pattern, E.Message());
            return false;
        }
    }
    return true;
}

// The request options with the CA file made absolute, since the runs do not
// resolve names against the current folder; false with Error when the file
// cannot be read.
bool CheckRequestOptions(TRequestOptions& Requests, QString& Error)
{
    if (!CompilePatterns(Requests.Accept, "--accept-regex", Error)
        || !CompilePatterns(Requests.Reject, "--reject-regex", Error))
        return false;
    if (Requests.CACertificate.isEmpty())
        return true;
    const QFileInfo CAFile(QDir::current().absoluteFilePath(Requests.CACertificate));
    if (!CAFile.isFile() || !CAFile.isReadable()) {
        Error = QStringLiteral("--ca-certificate \"%1\": no readable file").arg(Requests.CACertificate);
        return false;
    }
    Requests.CACertificate = CAFile.absoluteFilePath();
    return true;
}

std::unique_ptr<TWebsiteProject> MakeProject(const TQuickCopyOptions& Options,
    const TRequestOptions& Requests, const TScope& Scope, const QString& Name, const QString& OutDir)
{
    auto Project = std::make_unique<TWebsiteProject>();
    Project->SetProjectName(Name);
    Project->SetWebsiteURL(Scope.WebsiteURL);
    Project->SetOutputFolder(OutDir);
    Project->SetOverwrite(Options.Overwrite);
    Project->SetRelativePathLinks(Options.RelativePathLinks);
    Project->SetBaseURL(Options.BaseURL);
    Project->SetIndexFile(Options.IndexFile);
    Project->SetRemoveScripts(Options.RemoveScripts);
    Project->SetRemoveNoscripts(Options.RemoveNoscripts);
    Project->SetCompletePages(Options.CompletePages);
    Project->SetSiteFileNames(Options.SiteFileNames);
    Project->SetUpdateRequests(true);
    Project->Requests() = Requests;
    Project->SetChecked(true);
    for (const QString& URL : Scope.StartPages)
        Project->StartPages().push_back({ URL, Options.Depth });
    Project->DownloadRules() = Options.Downloads;
    Project->ReplaceRules() = Options.Replaces;
    for (const QString& Text : Options.Suppress)
        Project->SuppressURLs().Add(Text);
    for (const QString& Host : Options.Aliases)
        Project->WebsiteDomainAliases().Add(Host);
    return Project;
}

} // namespace

bool MakeQuickCopyProjects(
    const TQuickCopyOptions& Options, TWebsiteProjectList& Projects, QString& Error, bool PrepareFolder)
{
    QStringList URLs;
    for (const QString& Given : Options.URLs) {
        URLs << WithScheme(Given);
        if (!IsHttpURL(URLs.last())) {
            Error = QStringLiteral("\"%1\" is not an HTTP or HTTPS URL").arg(Given);
            return false;
        }
    }
    QStringList ReplacePatterns;
    for (const TReplaceRule& Rule : Options.Replaces)
        ReplacePatterns << Rule.Pattern;
    TRequestOptions Requests = Options.Requests;
    if (!CompilePatterns(ReplacePatterns, "--replace", Error) || !CheckRequestOptions(Requests, Error))
        return false;
    const QString OutDir = OutputFolderOf(Options.OutDir, URLs.first(), Error);
    if (OutDir.isEmpty() || (PrepareFolder && !PrepareOutputFolder(OutDir, Error)))
        return false;

    const QList<TScope> Scopes = ScopesOf(URLs);
    for (int I = 0; I < Scopes.size(); ++I) {
        const QString& Base = Scopes[I].Base;
        if (I == 0) {
            const QString Host = QUrl(Base).host();
            Projects.AddProject(
                MakeProject(Options, Requests, Scopes[I], Host.isEmpty() ? Base : Host, OutDir));
        } else {
            const QString WithoutScheme = Base.mid(Base.indexOf(QLatin1String("//")) + 2);
            Projects.AddProject(
                MakeProject(Options, Requests, Scopes[I], WithoutScheme, ScopeFolder(OutDir, Base)));
        }
    }
    return true;
}
