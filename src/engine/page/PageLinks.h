#pragma once

#include "engine/page/LinkTargets.h"

#include <QString>

// What rewriting the links of a page needs to know of the project.
struct TPageScan {
    // Links of style, media, srcset, backgrounds and refresh too, and
    // icons as files.
    bool CompletePages = false;
    bool RemoveScripts = false;
    bool RemoveNoscripts = false;
    // Reports the files that inline scripts name.
    bool ScriptLinks = false;
};

// The page text S in one pass with each link replaced by what Targets
// answers, script and noscript elements dropped when Scan asks.
QString RewritePageLinks(const QString& S, TLinkTargets& Targets, const TPageScan& Scan);
