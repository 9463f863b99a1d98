#include "engine/crawl/LinkMapper.h"

#include "engine/crawl/LinkRepair.h"
#include "engine/crawl/SiteFileNames.h"
#include "engine/page/URLUtils.h"
#include "engine/page/uStrUtils.h"

#include "http/URLSplit.h"

#include <algorithm>

namespace {

// The file name that a download-files rule gives a target mapping to a folder.
QString DownloadFileName(TURLTag Kind)
{
    switch (Kind) {
    case utImg:
        return QStringLiteral("image.png");
    case utLink:
        return QStringLiteral("style.css");
    case utScript:
        return QStringLiteral("script.js");
    case utMedia:
        return QStringLiteral("media.bin");
    default:
        return QStringLiteral("index.html");
    }
}

QString WithSlashes(QString Path)
{
    return Path.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

// The website's base with its host replaced by each domain alias.
QStringList DomainAliasBases(const TLinkSettings& Settings)
{
    TURLParts Base = SplitURL(Settings.WebsiteBase);
    if (!Base.HasAuthority || !Base.Path.startsWith(QLatin1Char('/')) || !Settings.DomainAliases)
        return {};
    QStringList AliasBases;
    const TStrings& Aliases = *Settings.DomainAliases;
    for (int I = 0; I < Aliases.Count(); ++I) {
        Base.Authority = Aliases[I];
        AliasBases << Base.Join();
    }
    return AliasBases;
}

} // namespace

TLinkMapper::TLinkMapper(TURLList& URLs, const TPageInfo& Page, const TLinkSettings& Settings)
    : FURLs(URLs)
    , FPage(Page)
    , FSettings(Settings)
    , FAliasBases(DomainAliasBases(Settings))
{
}

QString TLinkMapper::MapLink(const QString& Raw, TURLTag Kind, const QString& LinkType, bool Requisite)
{
    QString A = ResolveURL(Raw, FPage.URL);
    if (A.isEmpty())
        return QString();
    const int Before = FURLs.Count();
    A = ApplyDomainAliases(A);
    const bool AnyDepth = Requisite && FSettings.CompletePages;

    bool Known = false;
    int Index = -1;
    if ((BelowLimit() || AnyDepth) && !FSettings.WebsiteBase.isEmpty()
        && StartsText(A, FSettings.WebsiteBase)) {
        Known = true;
        if (Admitted(A))
            Index = FURLs.AddURL(Kind, A, FSettings.WebsiteBase, FSettings.IndexName, FSettings.OutFolder,
                AnyDepth ? 0 : FPage.ExtractURLs, FPage.URLDepth + 1, FSettings.SuppressURLs, LinkType,
                FPage.Index);
    } else if (const int Rule = MatchingDownloadRule(A); Rule >= 0) {
        Known = true;
        const TDownloadRule& Download = (*FSettings.DownloadRules)[Rule];
        const QString RuleFolder = CombinePath(Download.Folder, FSettings.OutFolder);
        if (Admitted(A))
            Index = FURLs.AddURL(Kind, A, Download.URLPrefix, DownloadFileName(Kind), RuleFolder, 0,
                FPage.URLDepth + 1, FSettings.SuppressURLs, LinkType, FPage.Index);
    } else {
        Index = FURLs.FindURL(RemoveURLFragment(A));
        Known = Index >= 0 || Raw.startsWith(QLatin1String("//"));
    }
    if (!Known)
        return FSettings.SiteFileNames ? A : QString();
    if (Index < 0)
        return A;
    if (FURLs.Count() > Before)
        ++FNewURLsCount;
    if (FSettings.SiteFileNames)
        return SiteLink(Index, A);
    return LinkToFile(FSettings, FPage.OutFile, FURLs.OutFilePath(Index), A);
}

QString TLinkMapper::SiteLink(int Index, const QString& A)
{
    if (FSettings.Repair) {
        if (!FSettings.Repair->MaySave(Index))
            return A;
        FSettings.Repair->NoteLink(FPage.Index, Index);
    }
    const qsizetype Fragment = A.indexOf(u'#');
    const QString Link = LinkToFile(FSettings, FPage.OutFile, FURLs.OutFilePath(Index), A);
    return Fragment < 0 || Link == A ? Link : Link + A.mid(Fragment);
}

void TLinkMapper::FollowScriptLink(const QString& Raw)
{
    const QString A = ApplyDomainAliases(ResolveURL(Raw, FPage.URL));
    if (A.isEmpty() || FSettings.WebsiteBase.isEmpty() || !StartsText(A, FSettings.WebsiteBase)
        || !Admitted(A))
        return;
    const int Before = FURLs.Count();
    const int Index = FURLs.AddURL(utScript, A, FSettings.WebsiteBase, FSettings.IndexName,
        FSettings.OutFolder, 0, FPage.URLDepth + 1, FSettings.SuppressURLs, QString(), FPage.Index);
    if (FURLs.Count() > Before) {
        FURLs.MarkGuessed(Index);
        ++FNewURLsCount;
    }
}

QString TLinkMapper::MapCSSLink(const QString& Text, bool Import)
{
    return MapLink(
        Text.trimmed(), Import ? utLink : utImg, Import ? QStringLiteral("text/css") : QString(), true);
}

QString TLinkMapper::ApplyDomainAliases(const QString& A) const
{
    for (const QString& AliasBase : FAliasBases)
        if (StartsText(A, AliasBase))
            return FSettings.WebsiteBase + A.mid(AliasBase.size());
    return A;
}

bool TLinkMapper::Admitted(const QString& A) const
{
    if (!FSettings.Admits)
        return true;
    const QString LoadURL = RemoveURLFragment(A);
    return FURLs.FindURL(LoadURL) >= 0 || FSettings.Admits(LoadURL);
}

int TLinkMapper::MatchingDownloadRule(const QString& A) const
{
    if (!FSettings.DownloadRules)
        return -1;
    const std::vector<TDownloadRule>& Rules = *FSettings.DownloadRules;
    for (int I = 0; I < static_cast<int>(Rules.size()); ++I)
        if (!Rules[I].URLPrefix.isEmpty() && StartsText(A, Rules[I].URLPrefix))
            return I;
    return -1;
}

QString LinkToFile(const TLinkSettings& Settings, const QString& PageFile, const QString& D, const QString& A)
{
    if (D.isEmpty())
        return A;
    // With the site's own names the paths are the files' own names: what a
    // URL would read otherwise is escaped.
    const auto AsLink
        = [&Settings](const QString& Path) { return Settings.SiteFileNames ? EncodeFileLink(Path) : Path; };
    if (Settings.RelativePathLinks)
        return AsLink(RelativeLinkPath(D, PageFile));
    if (Settings.TargetBase.isEmpty())
        return QStringLiteral("file://") + AsLink(WithSlashes(D));
    const QString& OutFolder = Settings.OutFolder;
    if (!D.startsWith(OutFolder))
        return A; // the target lies outside the output folder: keep its own URL
    QString X = WithSlashes(D.mid(OutFolder.size()));
    const QString& IndexName = Settings.IndexName;
    if (SameText(X, IndexName))
        X.clear();
    else if (X.size() > IndexName.size() && X.at(X.size() - IndexName.size() - 1) == QLatin1Char('/')
        && SameText(X.right(IndexName.size()), IndexName))
        X.chop(IndexName.size());
    return Settings.TargetBase + AsLink(X);
}

QString RelativeLinkPath(const QString& Target, const QString& FromFile)
{
    // Walks the leading folders both paths share without splitting them:
    // this runs for every link of every page.
    const QString To = WithSlashes(Target);
    const QString FromPath = WithSlashes(FromFile);
    const qsizetype FromFolderEnd = FromPath.lastIndexOf(QLatin1Char('/'));
    const QStringView From = QStringView(FromPath).left(std::max<qsizetype>(FromFolderEnd, 0));
    qsizetype FromFolders = FromFolderEnd < 0 ? 0 : From.count(QLatin1Char('/')) + 1;
    qsizetype FromPos = 0;
    qsizetype ToPos = 0;
    while (FromFolders > 0) {
        const qsizetype ToEnd = To.indexOf(QLatin1Char('/'), ToPos);
        if (ToEnd < 0)
            break; // the target's own name is never a shared folder
        qsizetype FromEnd = From.indexOf(QLatin1Char('/'), FromPos);
        if (FromEnd < 0)
            FromEnd = From.size();
        if (From.mid(FromPos, FromEnd - FromPos) != QStringView(To).mid(ToPos, ToEnd - ToPos))
            break;
        FromPos = FromEnd + 1;
        ToPos = ToEnd + 1;
        --FromFolders;
    }
    QString Result;
    Result.reserve(FromFolders * 3 + To.size() - ToPos);
    for (qsizetype I = 0; I < FromFolders; ++I)
        Result += QLatin1String("../");
    Result += QStringView(To).mid(ToPos);
    return Result;
}
