#pragma once

#include "containers/Object.h"
#include "containers/StringList.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

class TNumberedNames;

// How a project's requests behave beyond what to copy: politeness, the
// user agent, tries, filters and TLS checks. A stored project without
// their keys keeps these defaults, the program's behaviour before them.
struct TRequestOptions {
    bool Robots = false; // obey robots.txt
    double WaitSeconds = 0; // between requests to one host
    bool RandomWait = false; // each wait 0.5 to 1.5 times WaitSeconds
    qint64 LimitRate = 0; // bytes a second from one host; 0: no cap
    QString UserAgent; // empty: the old fixed header
    int Tries = 0; // attempts per URL; 0: the run's default
    int TimeoutSeconds = 0; // connect and read time-out; 0: the default
    QStringList Accept; // regular expressions: a URL must match one (when any)
    QStringList Reject; // and none of these
    bool VerifyTLS = false; // check HTTPS certificates
    QString CACertificate; // a CA file to check them with; empty: the system's store

    // What new projects and the quick copy start with: robots.txt obeyed,
    // certificates checked, "harvo/<version>" as the user agent.
    static TRequestOptions ForNewProject();
};

HARVO_DECLARE_EXCEPTION(EListError, Exception)

// What a run does with a file that already exists; the ordinal is stored.
enum TOverwriteFile : uint8_t { ofNone = 0, ofAll = 1, ofChanged = 2 };

// A page a run starts from, and how many links deep it follows from there.
struct TStartPage {
    QString URL;
    int LinkDepth = 0;
};

// Links outside the website that start with URLPrefix are copied into Folder
// (relative to the output folder).
struct TDownloadRule {
    QString URLPrefix;
    QString Folder;
};

// Every match of Pattern in a saved page becomes Template.
struct TReplaceRule {
    QString Pattern;
    QString Template;
};

// A string list that copies its lines when the project is copied.
class TProjectStringList : public TStringList {
public:
    TProjectStringList() = default;
    TProjectStringList(const TProjectStringList& Source)
        : TStringList()
    {
        Assign(Source);
    }
    TProjectStringList& operator=(const TProjectStringList& Source)
    {
        Assign(Source);
        return *this;
    }
};

// One website-copying job. Copies are deep, the check and the visibility
// included.
class TWebsiteProject : public TObject {
public:
    TWebsiteProject() = default;
    // A copy of Project; a null Project gives a cleared project.
    explicit TWebsiteProject(const TWebsiteProject* Project);

    void Clear() { *this = TWebsiteProject(); }

    // Reads the project from the name=value lines whose names start with P;
    // false (and the project unchanged) when it has no name there. Numbers
    // indexes the numbered names of lst, once for all projects of the list.
    bool LoadFromList(const TStrings& lst, const QString& P, const TNumberedNames& Numbers);
    // Writes the project's names under P.
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
    // Requests carry the validators of the last run, so unchanged URLs come
    // back as "304 Not Modified"; a cut download continues where it stopped.
    bool UpdateRequests() const { return FUpdateRequests; }
    void SetUpdateRequests(bool Value) { FUpdateRequests = Value; }
    const QString& BaseURL() const { return FBaseURL; }
    void SetBaseURL(const QString& Value) { FBaseURL = Value; }
    const QString& IndexFile() const { return FIndexFile; }
    void SetIndexFile(const QString& Value) { FIndexFile = Value; }
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value) { FChecked = Value; }
    // Changed only by the project list, Clear, copying and loading.
    bool Visible() const { return FVisible; }

    std::vector<TStartPage>& StartPages() { return FStartPages; }
    const std::vector<TStartPage>& StartPages() const { return FStartPages; }
    std::vector<TDownloadRule>& DownloadRules() { return FDownloadRules; }
    const std::vector<TDownloadRule>& DownloadRules() const { return FDownloadRules; }
    // Applied in order, each to the result of the one before.
    TRequestOptions& Requests() { return FRequests; }
    const TRequestOptions& Requests() const { return FRequests; }
    std::vector<TReplaceRule>& ReplaceRules() { return FReplaceRules; }
    const std::vector<TReplaceRule>& ReplaceRules() const { return FReplaceRules; }
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
    bool FUpdateRequests = true;
    QString FBaseURL;
    QString FIndexFile;
    bool FChecked = false;
    bool FVisible = true;
    std::vector<TStartPage> FStartPages;
    std::vector<TDownloadRule> FDownloadRules;
    std::vector<TReplaceRule> FReplaceRules;
    TRequestOptions FRequests;
    TProjectStringList FWebsiteDomainAliases;
    TProjectStringList FSuppressURLs;
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
