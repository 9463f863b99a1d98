#pragma once

#include "containers/Object.h"
#include "containers/StringList.h"
#include "containers/uIntList.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class TNumberedNames;

HARVO_DECLARE_EXCEPTION(EListError, Exception)

// What a run does with a file that already exists; the ordinal is stored.
enum TOverwriteFile : uint8_t { ofNone = 0, ofAll = 1, ofChanged = 2 };

// One website-copying job. The eight lists belong to the project; callers
// change their contents, never the list objects. The lists come in pairs
// whose i-th entries belong together: web pages and their link depths,
// download prefixes and their folders, replace patterns and their templates.
class TWebsiteProject : public TObject {
public:
    TWebsiteProject();
    // A deep copy of Project; a null Project gives a cleared project.
    explicit TWebsiteProject(const TWebsiteProject* Project);
    TWebsiteProject(const TWebsiteProject& Project);
    TWebsiteProject& operator=(const TWebsiteProject& Project);

    void Clear();
    // Copies every field, the check and the visibility included.
    void Assign(const TWebsiteProject& Project);

    // Reads the project from the name=value lines whose names start with P;
    // false (and the project unchanged) when it has no name there. Numbers
    // indexes the numbered names of lst, once for all projects of the list.
    bool LoadFromList(const TStrings& lst, const QString& P, const TNumberedNames& Numbers);
    // Writes the project's names under P; a partner entry missing from a
    // list that was left shorter than its pair is written as empty (0).
    void SaveToList(TStrings& lst, const QString& P) const;

    const QString& ProjectName() const { return FProjectName; }
    void SetProjectName(const QString& Value) { FProjectName = Value; }
    const QString& GroupName() const { return FGroupName; }
    void SetGroupName(const QString& Value) { FGroupName = Value; }
    const QString& WebsiteURL() const { return FWebsiteURL; }
    void SetWebsiteURL(const QString& Value) { FWebsiteURL = Value; }
    const QString& OutputFolder() const { return FOutputFolder; }
    void SetOutputFolder(const QString& Value) { FOutputFolder = Value; }
    TOverwriteFile Overwrite() const { return FOverwrite; }
    void SetOverwrite(TOverwriteFile Value) { FOverwrite = Value; }
    bool RemoveScripts() const { return FRemoveScripts; }
    void SetRemoveScripts(bool Value) { FRemoveScripts = Value; }
    bool RemoveNoscripts() const { return FRemoveNoscripts; }
    void SetRemoveNoscripts(bool Value) { FRemoveNoscripts = Value; }
    bool RelativePathLinks() const { return FRelativePathLinks; }
    void SetRelativePathLinks(bool Value) { FRelativePathLinks = Value; }
    // Also copies what pages need to display: style sheets' links, srcset,
    // media, backgrounds; stored projects without the key keep it off.
    bool CompletePages() const { return FCompletePages; }
    void SetCompletePages(bool Value) { FCompletePages = Value; }
    // Saves each URL under the site's own path and name (pages get ".html",
    // queries go before the extension) and links what was not copied to its
    // URL; stored projects without the key keep the folder-per-page mapping.
    bool SiteFileNames() const { return FSiteFileNames; }
    void SetSiteFileNames(bool Value) { FSiteFileNames = Value; }
    const QString& BaseURL() const { return FBaseURL; }
    void SetBaseURL(const QString& Value) { FBaseURL = Value; }
    const QString& IndexFile() const { return FIndexFile; }
    void SetIndexFile(const QString& Value) { FIndexFile = Value; }
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value) { FChecked = Value; }
    // Changed only by the project list, Clear, Assign and loading.
    bool Visible() const { return FVisible; }

    TStrings& WebPages() { return FWebPages; }
    const TStrings& WebPages() const { return FWebPages; }
    TIntList& WPExtractURLs() { return FWPExtractURLs; }
    const TIntList& WPExtractURLs() const { return FWPExtractURLs; }
    TStrings& WebDocuments() { return FWebDocuments; }
    const TStrings& WebDocuments() const { return FWebDocuments; }
    TStrings& WDOutFolders() { return FWDOutFolders; }
    const TStrings& WDOutFolders() const { return FWDOutFolders; }
    TStrings& ReplacePatterns() { return FReplacePatterns; }
    const TStrings& ReplacePatterns() const { return FReplacePatterns; }
    TStrings& ReplaceRules() { return FReplaceRules; }
    const TStrings& ReplaceRules() const { return FReplaceRules; }
    TStrings& WebsiteDomainAliases() { return FWebsiteDomainAliases; }
    const TStrings& WebsiteDomainAliases() const { return FWebsiteDomainAliases; }
    TStrings& SuppressURLs() { return FSuppressURLs; }
    const TStrings& SuppressURLs() const { return FSuppressURLs; }

    // The non-empty aliases joined by ";"; writing splits at ";", trims each
    // piece of characters up to code 32 and drops empty pieces.
    QString DomainAliasesString() const;
    void SetDomainAliasesString(const QString& Value);

private:
    friend class TWebsiteProjectList;

    QString FProjectName;
    QString FGroupName;
    QString FWebsiteURL;
    QString FOutputFolder;
    TOverwriteFile FOverwrite = ofNone;
    bool FRemoveScripts = false;
    bool FRemoveNoscripts = false;
    bool FRelativePathLinks = false;
    bool FCompletePages = false;
    bool FSiteFileNames = false;
    QString FBaseURL;
    QString FIndexFile;
    bool FChecked = false;
    bool FVisible = true;
    TStringList FWebPages;
    TIntList FWPExtractURLs;
    TStringList FWebDocuments;
    TStringList FWDOutFolders;
    TStringList FReplacePatterns;
    TStringList FReplaceRules;
    TStringList FWebsiteDomainAliases;
    TStringList FSuppressURLs;
};

// Every project in the user's order (owned), and the visible view: the
// projects that pass the group filter, in the view's own order (not owned).
class TWebsiteProjectList : public TObject {
public:
    TWebsiteProjectList() = default;
    TWebsiteProjectList(const TWebsiteProjectList&) = delete;
    TWebsiteProjectList& operator=(const TWebsiteProjectList&) = delete;

    int Count() const { return static_cast<int>(FList.size()); }
    int VisibleCount() const { return static_cast<int>(FVisibleList.size()); }
    int CheckedCount() const;
    int CheckedVisibleCount() const;
    TWebsiteProject* GetProject(int I) const;
    TWebsiteProject* GetVisibleProject(int I) const;

    // Appends the project (and to the view when visible); returns its index.
    int AddProject(std::unique_ptr<TWebsiteProject> Project);
    // The first project whose name equals ProjectName exactly; null if none.
    TWebsiteProject* FindProject(const QString& ProjectName) const;
    // Puts NewProject in Project's place and frees Project. When Project is
    // not in the list, returns false and leaves NewProject with the caller.
    bool ReplaceProject(const TWebsiteProject* Project, std::unique_ptr<TWebsiteProject>&& NewProject);
    void RemoveProject(const TWebsiteProject* Project);
    // Moves Project to ToProject's position, in the list and in the view.
    void MoveProject(const TWebsiteProject* Project, const TWebsiteProject* ToProject);
    void CheckAll();
    void UnCheckAll();
    // Shows a project at the end of the view, or hides and unchecks it.
    void SetProjectVisibility(TWebsiteProject* Project, bool Visible);
    // Shows the projects of one group (every project for an empty Group):
    // the same outcome as SetProjectVisibility over the list in order, in
    // one pass.
    void ApplyGroupFilter(const QString& Group);
    // Appends each non-empty group name that lst does not hold yet.
    void FillListOfGroups(TStrings& lst) const;

    // Appends the projects stored under Prefix; SaveToList writes them all.
    void LoadFromList(const TStrings& lst, const QString& Prefix);
    void SaveToList(TStrings& lst, const QString& Prefix) const;

private:
    int IndexOf(const TWebsiteProject* Project) const;
    int VisibleIndexOf(const TWebsiteProject* Project) const;

    // Declared first, so destroyed after the view that points into it.
    std::vector<std::unique_ptr<TWebsiteProject>> FList;
    std::vector<TWebsiteProject*> FVisibleList;
};
