#pragma once

#include "engine/crawl/URLList.h"

#include "containers/StringList.h"
#include "projects/WebsiteUnit.h"

#include <QString>

class TRunContext;
class TLinkRepair;

// What link extraction needs of a project, fixed for the whole crawl.
struct TLinkSettings {
    QString WebsiteBase; // scope prefix of the website, ending with "/"
    bool RemoveScripts = false;
    bool RemoveNoscripts = false;
    bool RelativePathLinks = false;
    bool CompletePages = false;
    QString TargetBase; // target base URL ending with "/", or empty
    QString IndexName; // never empty
    QString OutFolder; // ends with a separator; empty without an output folder
    const std::vector<TDownloadRule>* DownloadRules = nullptr;
    const TStrings* DomainAliases = nullptr;
    const TStrings* SuppressURLs = nullptr;
    // The site's own file names: links carry their fragments and escape
    // what a browser would read otherwise; links to what is not copied are
    // made absolute.
    bool SiteFileNames = false;
    // Where links to files not saved yet are noted, to be repaired at the
    // end should those files not be saved under that name; may be null.
    TLinkRepair* Repair = nullptr;
};

// One downloaded page: where it came from and where it is saved.
struct TPageInfo {
    QString URL; // after redirects; relative links resolve against it
    QString OutFile; // the page's own output file path
    int ExtractURLs = 0;
    int URLDepth = 0;
    int Index = -1; // its entry in the URL list
};

// Tells what each link of a page or style sheet becomes.
class TLinkTargets {
public:
    virtual ~TLinkTargets() = default;
    // The text that replaces the link Raw of a tag of kind Kind, or null to
    // keep it.
    virtual QString MapLink(const QString& Raw, TURLTag Kind, const QString& LinkType, bool Requisite) = 0;
    // The same for a link of a style sheet, to a sheet it imports or to
    // what it shows.
    virtual QString MapCSSLink(const QString& Text, bool Import) = 0;
    // A file that a script of the page names; scripts are never rewritten.
    virtual void FollowScriptLink(const QString&) { }
};

// True when the crawl follows what scripts name: complete pages with the
// site's own names, so that the paths scripts build lead to those files.
inline bool FollowsScriptLinks(const TLinkSettings& Settings)
{
    return Settings.CompletePages && Settings.SiteFileNames;
}

// Copies the page text S to Out in one pass with its links rewritten by
// Targets, dropping script and noscript elements when Settings ask.
void RewritePageLinks(const QString& S, QString& Out, TLinkTargets& Targets, const TLinkSettings& Settings);

// Copies the page text S to Out in one pass, following its links into URLs
// and rewriting them to their local targets, and drops script and noscript
// elements when asked. Logs the count of new URLs when the page is below its
// extraction limit.
void ProcessHTML(const QString& S, QString& Out, TURLList& URLs, const TPageInfo& Page,
    const TLinkSettings& Settings, TRunContext& Run);

// Follows the files that the script S, fetched from Page.URL, names: as
// it names them, and relative ones also from the website's root, where
// the scripts of a site often start them. Logs the count of new URLs.
void ProcessScript(
    const QString& S, TURLList& URLs, const TPageInfo& Page, const TLinkSettings& Settings, TRunContext& Run);

// Copies the style sheet S to Out, following its links into URLs at any
// depth and rewriting them as ProcessHTML does; a leading @charset rule is
// made to name UTF-8.
void ProcessStyleSheet(const QString& S, QString& Out, TURLList& URLs, const TPageInfo& Page,
    const TLinkSettings& Settings, TRunContext& Run);

// The path of Target relative to the folder of FromFile, with "/" separators.
QString RelativeLinkPath(const QString& Target, const QString& FromFile);
