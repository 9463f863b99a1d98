// The name=value lines of a project and of the project list.
#include "NumberedNames.h"
#include "WebsiteUnit.h"

namespace {

const QString One = QStringLiteral("1");
const QString Zero = QStringLiteral("0");

QString BoolText(bool Value)
{
    return Value ? One : Zero;
}

// A number as stored; false for a missing or malformed one.
bool ReadInt(const TStrings& lst, const QString& Name, int& Value)
{
    bool Ok = false;
    Value = lst.Values(Name).toInt(&Ok, 10);
    return Ok;
}

int ReadCount(const TStrings& lst, const QString& Name, int Missing)
{
    int Count;
    return ReadInt(lst, Name, Count) ? Count : Missing;
}

// Writes the non-empty entries as Name1, Name2, ... with each entry's partner
// (PartnerAt of its position, written when not empty) right after it, then
// the count of entries written.
template <typename PartnerAt>
void SaveNumbered(TStrings& lst, const QString& P, const TStrings& Entries, const QString& Name,
    const QString& PartnerName, PartnerAt&& Partner, const QString& CountName)
{
    int K = 0;
    for (int I = 0; I < Entries.Count(); ++I) {
        if (Entries.Strings(I).isEmpty())
            continue;
        const QString Number = QString::number(++K);
        lst.SetValues(P + Name + Number, Entries.Strings(I));
        if (!PartnerName.isEmpty())
            lst.SetValues(P + PartnerName + Number, Partner(I));
    }
    lst.SetValues(P + CountName, QString::number(K));
}

QString NoPartner(int)
{
    return QString();
}

// Calls Load(Entry, Number) for each non-empty entry Name<k> with k from 1
// to the stored count, visiting only the numbers that occur in the lines.
template <typename Loader>
void LoadNumbered(const TStrings& lst, const TNumberedNames& Numbers, const QString& P, const QString& Name,
    const QString& CountName, Loader&& Load)
{
    const int Count = ReadCount(lst, P + CountName, -1);
    for (const int K : Numbers.Numbers(P + Name, QString(), Count)) {
        const QString Number = QString::number(K);
        const QString Entry = lst.Values(P + Name + Number);
        if (!Entry.isEmpty())
            Load(Entry, Number);
    }
}

QString ProjectPrefix(const QString& Prefix, int I)
{
    return Prefix + u'[' + QString::number(I) + QStringLiteral("].");
}

} // namespace

bool TWebsiteProject::LoadFromList(const TStrings& lst, const QString& P, const TNumberedNames& Numbers)
{
    const QString Name = lst.Values(P + QStringLiteral("ProjectName"));
    if (Name.isEmpty())
        return false;
    FProjectName = Name;
    FGroupName = lst.Values(P + QStringLiteral("GroupName"));
    FWebsiteURL = lst.Values(P + QStringLiteral("WebsiteURL"));
    SetDomainAliasesString(lst.Values(P + QStringLiteral("WebsiteDomainAliases")));
    FOutputFolder = lst.Values(P + QStringLiteral("OutputFolder"));
    int Overwrite = 0;
    ReadInt(lst, P + QStringLiteral("Overwrite"), Overwrite);
    FOverwrite = Overwrite == ofAll ? ofAll : (Overwrite == ofChanged ? ofChanged : ofNone);
    FRemoveScripts = lst.Values(P + QStringLiteral("RemoveScripts")) == One;
    FRemoveNoscripts = lst.Values(P + QStringLiteral("RemoveNoscripts")) == One;
    FRelativePathLinks = lst.Values(P + QStringLiteral("RelativePathLinks")) == One;
    FCompletePages = lst.Values(P + QStringLiteral("CompletePages")) == One;
    FSiteFileNames = lst.Values(P + QStringLiteral("SiteFileNames")) == One;
    FBaseURL = lst.Values(P + QStringLiteral("BaseURL"));
    FIndexFile = lst.Values(P + QStringLiteral("IndexFile"));
    FChecked = lst.Values(P + QStringLiteral("Checked")) == One;
    FVisible = lst.Values(P + QStringLiteral("Visible")) != Zero;

    FWebPages.Clear();
    FWPExtractURLs.Clear();
    LoadNumbered(lst, Numbers, P, QStringLiteral("WebPages"), QStringLiteral("WebPagesN"),
        [&](const QString& Page, const QString& K) {
            const QString DepthName = P + QStringLiteral("WPExtractURLs") + K;
            int Depth;
            if (!ReadInt(lst, DepthName, Depth) || Depth < 0)
                Depth = lst.Values(DepthName).toLower() == QLatin1String("yes") ? 1000 : 0;
            FWebPages.Add(Page);
            FWPExtractURLs.Add(Depth);
        });
    FWebDocuments.Clear();
    FWDOutFolders.Clear();
    LoadNumbered(lst, Numbers, P, QStringLiteral("WebDocs"), QStringLiteral("WebDocsN"),
        [&](const QString& Prefix, const QString& K) {
            FWebDocuments.Add(Prefix);
            FWDOutFolders.Add(lst.Values(P + QStringLiteral("WDOutFolders") + K));
        });
    FReplacePatterns.Clear();
    FReplaceRules.Clear();
    LoadNumbered(lst, Numbers, P, QStringLiteral("ReplacePattern"), QStringLiteral("ReplaceRulesN"),
        [&](const QString& Pattern, const QString& K) {
            FReplacePatterns.Add(Pattern);
            FReplaceRules.Add(lst.Values(P + QStringLiteral("ReplaceRule") + K));
        });
    FSuppressURLs.Clear();
    LoadNumbered(lst, Numbers, P, QStringLiteral("SuppressURLs"), QStringLiteral("SuppressURLsN"),
        [&](const QString& URL, const QString&) { FSuppressURLs.Add(URL); });
    return true;
}

void TWebsiteProject::SaveToList(TStrings& lst, const QString& P) const
{
    lst.SetValues(P + QStringLiteral("ProjectName"), FProjectName);
    lst.SetValues(P + QStringLiteral("GroupName"), FGroupName);
    lst.SetValues(P + QStringLiteral("WebsiteURL"), FWebsiteURL);
    lst.SetValues(P + QStringLiteral("WebsiteDomainAliases"), DomainAliasesString());
    lst.SetValues(P + QStringLiteral("OutputFolder"), FOutputFolder);
    lst.SetValues(P + QStringLiteral("Overwrite"), QString::number(FOverwrite));
    lst.SetValues(P + QStringLiteral("RemoveScripts"), BoolText(FRemoveScripts));
    lst.SetValues(P + QStringLiteral("RemoveNoscripts"), BoolText(FRemoveNoscripts));
    lst.SetValues(P + QStringLiteral("RelativePathLinks"), BoolText(FRelativePathLinks));
    lst.SetValues(P + QStringLiteral("CompletePages"), BoolText(FCompletePages));
    lst.SetValues(P + QStringLiteral("SiteFileNames"), BoolText(FSiteFileNames));
    lst.SetValues(P + QStringLiteral("BaseURL"), FBaseURL);
    lst.SetValues(P + QStringLiteral("IndexFile"), FIndexFile);
    lst.SetValues(P + QStringLiteral("Checked"), BoolText(FChecked));
    lst.SetValues(P + QStringLiteral("Visible"), BoolText(FVisible));
    // A partner missing from a list that callers left short counts as empty.
    SaveNumbered(
        lst, P, FWebPages, QStringLiteral("WebPages"), QStringLiteral("WPExtractURLs"),
        [this](int I) { return QString::number(I < FWPExtractURLs.Count() ? FWPExtractURLs[I] : 0); },
        QStringLiteral("WebPagesN"));
    SaveNumbered(
        lst, P, FWebDocuments, QStringLiteral("WebDocs"), QStringLiteral("WDOutFolders"),
        [this](int I) { return I < FWDOutFolders.Count() ? FWDOutFolders[I] : QString(); },
        QStringLiteral("WebDocsN"));
    SaveNumbered(
        lst, P, FReplacePatterns, QStringLiteral("ReplacePattern"), QStringLiteral("ReplaceRule"),
        [this](int I) { return I < FReplaceRules.Count() ? FReplaceRules[I] : QString(); },
        QStringLiteral("ReplaceRulesN"));
    SaveNumbered(lst, P, FSuppressURLs, QStringLiteral("SuppressURLs"), QString(), NoPartner,
        QStringLiteral("SuppressURLsN"));
}

void TWebsiteProjectList::LoadFromList(const TStrings& lst, const QString& Prefix)
{
    const TNumberedNames Numbers(lst);
    const int Count = ReadCount(lst, Prefix + u'N', 0);
    for (const int I : Numbers.Numbers(Prefix + u'[', QStringLiteral("].ProjectName"), Count)) {
        auto Project = std::make_unique<TWebsiteProject>();
        if (Project->LoadFromList(lst, ProjectPrefix(Prefix, I), Numbers))
            AddProject(std::move(Project));
    }
}

void TWebsiteProjectList::SaveToList(TStrings& lst, const QString& Prefix) const
{
    lst.SetValues(Prefix + u'N', QString::number(Count()));
    for (int I = 0; I < Count(); ++I)
        FList[I]->SaveToList(lst, ProjectPrefix(Prefix, I + 1));
}
