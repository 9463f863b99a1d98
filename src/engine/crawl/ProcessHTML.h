#pragma once

#include "engine/crawl/URLList.h"
#include "engine/page/PageLinks.h"

#include "containers/StringList.h"

#include <QString>

class TRunContext;
class TLinkRepair;

// What following and rewriting links needs of a project, fixed for the
// whole crawl.
struct TLinkSettings {
    QString WebsiteBase; // scope prefix of the website, ending with "/"
    bool RemoveScripts = false;
    bool RemoveNoscripts = false;
    bool RelativePathLinks = false;
    bool CompletePages = false;
    QString TargetBase; // target base URL ending with "/", or empty
    QString IndexName; // never empty
    QString OutFolder; // ends with a separator; empty without an output folder
    const TStrings* WebDocuments = nullptr;
    const TStrings* WDOutFolders = nullptr;
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

// True when the crawl follows what scripts name: complete pages with the
// site's own names, so that the paths scripts build lead to those files.
inline bool FollowsScriptLinks(const TLinkSettings& Settings)
{
    return Settings.CompletePages && Settings.SiteFileNames;
}

// What a rewrite of the pages of this crawl scans for and drops.
TPageScan PageScanOf(const TLinkSettings& Settings);

// The page text S with its links followed into URLs and rewritten to their
// local targets, script and noscript elements dropped when asked. Logs the
// count of new URLs when the page is below its extraction limit.
QString ProcessHTML(
    const QString& S, TURLList& URLs, const TPageInfo& Page, const TLinkSettings& Settings, TRunContext& Run);

// Follows the files that the script S, fetched from Page.URL, names: as
// it names them, and relative ones also from the website's root, where
// the scripts of a site often start them. Logs the count of new URLs.
void ProcessScript(
    const QString& S, TURLList& URLs, const TPageInfo& Page, const TLinkSettings& Settings, TRunContext& Run);

// The style sheet S with its links followed into URLs at any depth and
// rewritten as ProcessHTML does; a leading @charset rule is made to name
// UTF-8. Logs the count of new URLs.
QString ProcessStyleSheet(
    const QString& S, TURLList& URLs, const TPageInfo& Page, const TLinkSettings& Settings, TRunContext& Run);
