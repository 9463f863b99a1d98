#include "ProcessHTML.h"

#include "HrvThread.h"
#include "URLList.h"
#include "URLUtils.h"
#include "uStrUtils.h"

namespace {

const QStringList LinkTags { "a", "img", "link", "script", "noscript", "iframe" };
const TURLTag LinkTagKinds[] = { utA, utImg, utLink, utScript, utNoscript, utIFrame };
const char* const LinkAttributes[] = { "href", "src", "href", "src", nullptr, "src" };

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
    const QString& Base = Settings.WebsiteBase;
    const int SchemeEnd = Base.indexOf(QLatin1String("://"));
    if (SchemeEnd < 0 || !Settings.DomainAliases)
        return {};
    const int HostSlash = Base.indexOf(QLatin1Char('/'), SchemeEnd + 3);
    if (HostSlash < 0)
        return {};
    QStringList AliasBases;
    const TStrings& Aliases = *Settings.DomainAliases;
    for (int I = 0; I < Aliases.Count(); ++I)
        AliasBases << Base.left(SchemeEnd + 3) + Aliases[I] + Base.mid(HostSlash);
    return AliasBases;
}

class TPageCopier {
public:
    TPageCopier(TURLList& URLs, const TPageInfo& Page, const TLinkSettings& Settings)
        : FURLs(URLs)
        , FPage(Page)
        , FSettings(Settings)
        , FAliasBases(DomainAliasBases(Settings))
    {
    }

    int NewURLsCount() const { return FNewURLsCount; }

    // Rewrites the link whose value stands in Tag from V to ValueEnd - 1.
    void HandleLink(QString& Tag, TURLTag Kind, int V, int ValueEnd, QChar Quote)
    {
        const QString Raw = DecodeAttrValue(Tag, V, ValueEnd - V, Quote);
        QString A = ResolveURL(Raw, FPage.URL);
        if (A.isEmpty())
            return;
        const int Before = FURLs.Count();
        A = ApplyDomainAliases(A);
        const QString LinkType = Kind == utLink ? GetAttrValue(Tag, QStringLiteral("type"), 1) : QString();

        bool Known = false;
        int Index = -1;
        if (BelowLimit() && !FSettings.WebsiteBase.isEmpty() && StartsText(A, FSettings.WebsiteBase)) {
            Known = true;
            Index = FURLs.AddURL(Kind, A, FSettings.WebsiteBase, FSettings.IndexName, FSettings.OutFolder,
                FPage.ExtractURLs, FPage.URLDepth + 1, FSettings.SuppressURLs, LinkType);
        } else if (const int Rule = MatchingDownloadRule(A); Rule >= 0) {
            Known = true;
            const QString RuleFolder
                = CombinePath(FSettings.WDOutFolders->Strings(Rule), FSettings.OutFolder);
            Index = FURLs.AddURL(Kind, A, FSettings.WebDocuments->Strings(Rule), DownloadFileName(Kind),
                RuleFolder, 0, FPage.URLDepth + 1, FSettings.SuppressURLs, LinkType);
        } else {
            Index = FURLs.FindURL(RemoveURLFragment(A));
            Known = Index >= 0 || Raw.startsWith(QLatin1String("//"));
        }
        if (!Known)
            return;

        QString L = A;
        if (Index >= 0) {
            if (FURLs.Count() > Before)
                ++FNewURLsCount;
            L = LinkToFile(FURLs.OutFilePath(Index), A);
        }
        Tag = Tag.left(V - 1) + L + Tag.mid(ValueEnd - 1);
    }

    bool BelowLimit() const { return FPage.URLDepth < FPage.ExtractURLs; }

private:
    // A link of a domain alias becomes the same link on the website's host.
    QString ApplyDomainAliases(const QString& A) const
    {
        for (const QString& AliasBase : FAliasBases)
            if (StartsText(A, AliasBase))
                return FSettings.WebsiteBase + A.mid(AliasBase.size());
        return A;
    }

    int MatchingDownloadRule(const QString& A) const
    {
        if (!FSettings.WebDocuments || !FSettings.WDOutFolders)
            return -1;
        const TStrings& Prefixes = *FSettings.WebDocuments;
        for (int I = 0; I < Prefixes.Count() && I < FSettings.WDOutFolders->Count(); ++I)
            if (!Prefixes[I].isEmpty() && StartsText(A, Prefixes[I]))
                return I;
        return -1;
    }

    QString LinkToFile(const QString& D, const QString& A) const
    {
        if (D.isEmpty())
            return A;
        if (FSettings.RelativePathLinks)
            return RelativeLinkPath(D, FPage.OutFile);
        if (FSettings.TargetBase.isEmpty())
            return QStringLiteral("file://") + WithSlashes(D);
        const QString& OutFolder = FSettings.OutFolder;
        if (!D.startsWith(OutFolder))
            return A; // the target lies outside the output folder: keep its own URL
        QString X = WithSlashes(D.mid(OutFolder.size()));
        const QString& IndexName = FSettings.IndexName;
        if (SameText(X, IndexName))
            X.clear();
        else if (X.size() > IndexName.size() && X.at(X.size() - IndexName.size() - 1) == QLatin1Char('/')
            && SameText(X.right(IndexName.size()), IndexName))
            X.chop(IndexName.size());
        return FSettings.TargetBase + X;
    }

    TURLList& FURLs;
    const TPageInfo& FPage;
    const TLinkSettings& FSettings;
    const QStringList FAliasBases;
    int FNewURLsCount = 0;
};

} // namespace

QString RelativeLinkPath(const QString& Target, const QString& FromFile)
{
    const QStringList To = WithSlashes(Target).split(QLatin1Char('/'));
    QStringList From = WithSlashes(FromFile).split(QLatin1Char('/'));
    From.removeLast(); // the page's own file name
    int Shared = 0;
    while (Shared < From.size() && Shared < To.size() - 1 && From[Shared] == To[Shared])
        ++Shared;
    QStringList Parts;
    for (int I = Shared; I < From.size(); ++I)
        Parts << QStringLiteral("..");
    for (int I = Shared; I < To.size(); ++I)
        Parts << To[I];
    return Parts.join(QLatin1Char('/'));
}

void ProcessHTML(const QString& S, QString& Out, TURLList& URLs, const TPageInfo& Page,
    const TLinkSettings& Settings, THrvThread& Thread)
{
    TPageCopier Copier(URLs, Page, Settings);
    Out.reserve(Out.size() + S.size() + S.size() / 8);
    int T = 1;
    for (;;) {
        int K = -1;
        const int P = FindTag(S, LinkTags, T, K);
        if (P == 0)
            break;
        const int E = FindTagEnd(S, P);
        if (E == 0)
            break;
        if (P > T)
            Out += QStringView(S).mid(T - 1, P - T);
        T = E + 1;
        const TURLTag Kind = LinkTagKinds[K];

        const bool Drop = (Kind == utScript && Settings.RemoveScripts)
            || (Kind == utNoscript && Settings.RemoveNoscripts);
        if (Drop) {
            if (S.at(E - 2) == QLatin1Char('/'))
                continue;
            const int Z = FindCloseTag(S, LinkTags[K], T);
            if (Z == 0)
                break;
            const int F = FindTagEnd(S, Z);
            if (F == 0)
                break;
            T = F + 1;
            continue;
        }

        QString G = S.mid(P - 1, E - P + 1);
        if (const char* Attribute = LinkAttributes[K]) {
            int ValueEnd = 0;
            QChar Quote;
            const int V = FindAttr(G, QLatin1String(Attribute), 1, ValueEnd, Quote);
            if (V > 0)
                Copier.HandleLink(G, Kind, V, ValueEnd, Quote);
        }
        Out += G;
    }
    if (T <= S.size())
        Out += QStringView(S).mid(T - 1);
    if (Copier.BelowLimit())
        Thread.Log(QString::number(Copier.NewURLsCount()) + QStringLiteral(" new URLs extracted."));
}
