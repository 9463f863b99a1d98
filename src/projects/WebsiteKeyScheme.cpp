// The name=value lines of a project and of the project list.
#include "NumberedNames.h"
#include "RequestOptionLimits.h"
#include "WebsiteUnit.h"

#include <algorithm>
#include <cmath>
#include <utility>

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

// How records of one kind are stored: record k as <Entry>k and <Partner>k
// (no partner for records of one text), and the count written as <Count>.
// A record whose entry text is empty is neither written nor read.
template <typename TRecord> struct TRecordScheme;

template <> struct TRecordScheme<TStartPage> {
    static inline const QString Entry = QStringLiteral("WebPages");
    static inline const QString Partner = QStringLiteral("WPExtractURLs");
    static inline const QString Count = QStringLiteral("WebPagesN");
    static std::pair<QString, QString> Texts(const TStartPage& Page)
    {
        return { Page.URL, QString::number(Page.LinkDepth) };
    }
    // A depth that is no number of 0 or more reads as unlimited for "yes".
    static TStartPage Read(const QString& URL, const QString& DepthText)
    {
        bool Ok = false;
        int Depth = DepthText.toInt(&Ok, 10);
        if (!Ok || Depth < 0)
            Depth = DepthText.toLower() == QLatin1String("yes") ? 1000 : 0;
        return { URL, Depth };
    }
};

template <> struct TRecordScheme<TDownloadRule> {
    static inline const QString Entry = QStringLiteral("WebDocs");
    static inline const QString Partner = QStringLiteral("WDOutFolders");
    static inline const QString Count = QStringLiteral("WebDocsN");
    static std::pair<QString, QString> Texts(const TDownloadRule& Rule)
    {
        return { Rule.URLPrefix, Rule.Folder };
    }
    static TDownloadRule Read(const QString& Prefix, const QString& Folder) { return { Prefix, Folder }; }
};

template <> struct TRecordScheme<TReplaceRule> {
    static inline const QString Entry = QStringLiteral("ReplacePattern");
    static inline const QString Partner = QStringLiteral("ReplaceRule");
    static inline const QString Count = QStringLiteral("ReplaceRulesN");
    static std::pair<QString, QString> Texts(const TReplaceRule& Rule)
    {
        return { Rule.Pattern, Rule.Template };
    }
    static TReplaceRule Read(const QString& Pattern, const QString& Template)
    {
        return { Pattern, Template };
    }
};

// Records of one text each.
struct TTextRecords {
    static inline const QString Partner;
    static std::pair<QString, QString> Texts(const QString& Text) { return { Text, QString() }; }
    static QString Read(const QString& Text, const QString&) { return Text; }
};

// The suppressed URL texts.
template <> struct TRecordScheme<QString> : TTextRecords {
    static inline const QString Entry = QStringLiteral("SuppressURLs");
    static inline const QString Count = QStringLiteral("SuppressURLsN");
};

// The regular expressions of the URLs to request and of those to leave out;
// as records, so that a pattern keeps every character a line can hold.
struct TAcceptScheme : TTextRecords {
    static inline const QString Entry = QStringLiteral("Accept");
    static inline const QString Count = QStringLiteral("AcceptN");
};

struct TRejectScheme : TTextRecords {
    static inline const QString Entry = QStringLiteral("Reject");
    static inline const QString Count = QStringLiteral("RejectN");
};

template <typename TRecords, typename TScheme = TRecordScheme<typename TRecords::value_type>>
void SaveRecords(TStrings& lst, const QString& P, const TRecords& Records)
{
    int K = 0;
    for (const auto& Record : Records) {
        const auto [Entry, Partner] = TScheme::Texts(Record);
        if (Entry.isEmpty())
            continue;
        const QString Number = QString::number(++K);
        lst.SetValues(P + TScheme::Entry + Number, Entry);
        if (!TScheme::Partner.isEmpty())
            lst.SetValues(P + TScheme::Partner + Number, Partner);
    }
    lst.SetValues(P + TScheme::Count, QString::number(K));
}

// The records numbered 1 to the stored count, visiting only the numbers that
// occur in the lines.
template <typename TRecord, typename TScheme = TRecordScheme<TRecord>>
std::vector<TRecord> LoadRecords(const TStrings& lst, const TNumberedNames& Numbers, const QString& P)
{
    std::vector<TRecord> Records;
    const int Count = ReadCount(lst, P + TScheme::Count, -1);
    for (const int K : Numbers.Numbers(P + TScheme::Entry, QString(), Count)) {
        const QString Number = QString::number(K);
        const QString Entry = lst.Values(P + TScheme::Entry + Number);
        if (Entry.isEmpty())
            continue;
        const QString Partner
            = TScheme::Partner.isEmpty() ? QString() : lst.Values(P + TScheme::Partner + Number);
        Records.push_back(TScheme::Read(Entry, Partner));
    }
    return Records;
}

template <typename TScheme>
QStringList LoadTexts(const TStrings& lst, const TNumberedNames& Numbers, const QString& P)
{
    const std::vector<QString> Texts = LoadRecords<QString, TScheme>(lst, Numbers, P);
    return QStringList(Texts.begin(), Texts.end());
}

// A stored number: a malformed one reads as 0, the default; one outside
// Setting's range is clamped into it.
int ReadClamped(const TStrings& lst, const QString& Name, const TRunSettingDef& Setting)
{
    int Value;
    return ReadInt(lst, Name, Value) ? Setting.Clamp(Value) : Setting.Default;
}

TRequestOptions LoadRequestOptions(const TStrings& lst, const QString& P, const TNumberedNames& Numbers)
{
    TRequestOptions Options;
    Options.Robots = lst.Values(P + QStringLiteral("Robots")) == One;
    bool Ok = false;
    const double Wait = lst.Values(P + QStringLiteral("Wait")).toDouble(&Ok);
    if (Ok && std::isfinite(Wait))
        Options.WaitSeconds = std::clamp(Wait, 0.0, MaxWaitSeconds);
    Options.RandomWait = lst.Values(P + QStringLiteral("RandomWait")) == One;
    const qint64 Rate = lst.Values(P + QStringLiteral("LimitRate")).toLongLong(&Ok);
    if (Ok)
        Options.LimitRate = std::max<qint64>(Rate, 0);
    Options.UserAgent = lst.Values(P + QStringLiteral("UserAgent"));
    Options.Tries = ReadClamped(lst, P + TriesSetting.KeyName(), TriesSetting);
    Options.TimeoutSeconds = ReadClamped(lst, P + TimeoutSetting.KeyName(), TimeoutSetting);
    Options.Accept = LoadTexts<TAcceptScheme>(lst, Numbers, P);
    Options.Reject = LoadTexts<TRejectScheme>(lst, Numbers, P);
    Options.VerifyTLS = lst.Values(P + QStringLiteral("VerifyTLS")) == One;
    Options.CACertificate = lst.Values(P + QStringLiteral("CACertificate"));
    return Options;
}

void SaveRequestOptions(TStrings& lst, const QString& P, const TRequestOptions& Options)
{
    lst.SetValues(P + QStringLiteral("Robots"), BoolText(Options.Robots));
    lst.SetValues(P + QStringLiteral("Wait"), QString::number(Options.WaitSeconds, 'g', 15));
    lst.SetValues(P + QStringLiteral("RandomWait"), BoolText(Options.RandomWait));
    lst.SetValues(P + QStringLiteral("LimitRate"), QString::number(Options.LimitRate));
    lst.SetValues(P + QStringLiteral("UserAgent"), Options.UserAgent);
    lst.SetValues(P + TriesSetting.KeyName(), QString::number(Options.Tries));
    lst.SetValues(P + TimeoutSetting.KeyName(), QString::number(Options.TimeoutSeconds));
    SaveRecords<QStringList, TAcceptScheme>(lst, P, Options.Accept);
    SaveRecords<QStringList, TRejectScheme>(lst, P, Options.Reject);
    lst.SetValues(P + QStringLiteral("VerifyTLS"), BoolText(Options.VerifyTLS));
    lst.SetValues(P + QStringLiteral("CACertificate"), Options.CACertificate);
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
    FUpdateRequests = lst.Values(P + QStringLiteral("UpdateRequests")) == One;
    FBaseURL = lst.Values(P + QStringLiteral("BaseURL"));
    FIndexFile = lst.Values(P + QStringLiteral("IndexFile"));
    FChecked = lst.Values(P + QStringLiteral("Checked")) == One;
    FVisible = lst.Values(P + QStringLiteral("Visible")) != Zero;

    FStartPages = LoadRecords<TStartPage>(lst, Numbers, P);
    FDownloadRules = LoadRecords<TDownloadRule>(lst, Numbers, P);
    FReplaceRules = LoadRecords<TReplaceRule>(lst, Numbers, P);
    FSuppressURLs.Clear();
    for (const QString& URL : LoadRecords<QString>(lst, Numbers, P))
        FSuppressURLs.Add(URL);
    FRequests = LoadRequestOptions(lst, P, Numbers);
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
    lst.SetValues(P + QStringLiteral("UpdateRequests"), BoolText(FUpdateRequests));
    lst.SetValues(P + QStringLiteral("BaseURL"), FBaseURL);
    lst.SetValues(P + QStringLiteral("IndexFile"), FIndexFile);
    lst.SetValues(P + QStringLiteral("Checked"), BoolText(FChecked));
    lst.SetValues(P + QStringLiteral("Visible"), BoolText(FVisible));
    SaveRecords(lst, P, FStartPages);
    SaveRecords(lst, P, FDownloadRules);
    SaveRecords(lst, P, FReplaceRules);
    SaveRecords(lst, P, FSuppressURLs.ToQStringList());
    SaveRequestOptions(lst, P, FRequests);
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
