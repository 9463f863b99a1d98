#include "WebsiteUnit.h"

#include "SemicolonList.h"

TWebsiteProject::TWebsiteProject() = default;

TWebsiteProject::TWebsiteProject(const TWebsiteProject* Project)
{
    if (Project)
        Assign(*Project);
}

TWebsiteProject::TWebsiteProject(const TWebsiteProject& Project)
    : TObject()
{
    Assign(Project);
}

TWebsiteProject& TWebsiteProject::operator=(const TWebsiteProject& Project)
{
    Assign(Project);
    return *this;
}

void TWebsiteProject::Clear()
{
    FProjectName.clear();
    FGroupName.clear();
    FWebsiteURL.clear();
    FOutputFolder.clear();
    FOverwrite = ofNone;
    FRemoveScripts = false;
    FRemoveNoscripts = false;
    FRelativePathLinks = false;
    FCompletePages = false;
    FSiteFileNames = false;
    FBaseURL.clear();
    FIndexFile.clear();
    FChecked = false;
    FVisible = true;
    FWebPages.Clear();
    FWPExtractURLs.Clear();
    FWebDocuments.Clear();
    FWDOutFolders.Clear();
    FReplacePatterns.Clear();
    FReplaceRules.Clear();
    FWebsiteDomainAliases.Clear();
    FSuppressURLs.Clear();
}

void TWebsiteProject::Assign(const TWebsiteProject& Project)
{
    if (&Project == this)
        return;
    FProjectName = Project.FProjectName;
    FGroupName = Project.FGroupName;
    FWebsiteURL = Project.FWebsiteURL;
    FOutputFolder = Project.FOutputFolder;
    FOverwrite = Project.FOverwrite;
    FRemoveScripts = Project.FRemoveScripts;
    FRemoveNoscripts = Project.FRemoveNoscripts;
    FRelativePathLinks = Project.FRelativePathLinks;
    FCompletePages = Project.FCompletePages;
    FSiteFileNames = Project.FSiteFileNames;
    FBaseURL = Project.FBaseURL;
    FIndexFile = Project.FIndexFile;
    FChecked = Project.FChecked;
    FVisible = Project.FVisible;
    FWebPages.Assign(Project.FWebPages);
    FWPExtractURLs.Assign(Project.FWPExtractURLs);
    FWebDocuments.Assign(Project.FWebDocuments);
    FWDOutFolders.Assign(Project.FWDOutFolders);
    FReplacePatterns.Assign(Project.FReplacePatterns);
    FReplaceRules.Assign(Project.FReplaceRules);
    FWebsiteDomainAliases.Assign(Project.FWebsiteDomainAliases);
    FSuppressURLs.Assign(Project.FSuppressURLs);
}

QString TWebsiteProject::DomainAliasesString() const
{
    QString Result;
    for (int I = 0; I < FWebsiteDomainAliases.Count(); ++I) {
        const QString& Alias = FWebsiteDomainAliases.Strings(I);
        if (Alias.isEmpty())
            continue;
        if (!Result.isEmpty())
            Result += u';';
        Result += Alias;
    }
    return Result;
}

void TWebsiteProject::SetDomainAliasesString(const QString& Value)
{
    FWebsiteDomainAliases.Clear();
    for (const QString& Alias : SplitSemicolonList(Value))
        FWebsiteDomainAliases.Add(Alias);
}
