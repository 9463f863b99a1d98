#pragma once

#include "engine/page/PageLinks.h"

#include "containers/StringList.h"
#include "projects/WebsiteUnit.h"

#include <QString>
#include <functional>
#include <vector>

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
    // Whether a URL found in a page (absolute, without fragment) may join
    // the list besides its scope; empty: every one may. One refused is
    // left as an absolute link.
    std::function<bool(const QString& URL)> Admits;
};

// True when the crawl follows what scripts name: complete pages with the
// site's own names, so that the paths scripts build lead to those files.
inline bool FollowsScriptLinks(const TLinkSettings& Settings)
{
    return Settings.CompletePages && Settings.SiteFileNames;
}

// What a rewrite of the pages of this crawl scans for and drops.
TPageScan PageScanOf(const TLinkSettings& Settings);

// The link settings of Project saved into the output folder OutDir (native
// separators); Repair is left for the crawl to set.
TLinkSettings LinkSettingsOf(const TWebsiteProject& Project, const QString& OutDir);
