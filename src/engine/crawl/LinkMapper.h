#pragma once

#include "engine/crawl/ProcessHTML.h"
#include "engine/crawl/URLList.h"

#include <QString>
#include <QStringList>

// Follows the links of one page or style sheet into the URL list and tells
// the text each link is rewritten to.
class TLinkMapper : public TLinkTargets {
public:
    TLinkMapper(TURLList& URLs, const TPageInfo& Page, const TLinkSettings& Settings);

    int NewURLsCount() const { return FNewURLsCount; }
    bool BelowLimit() const { return FPage.URLDepth < FPage.ExtractURLs; }

    // The text that replaces the link Raw, or null to keep it. Requisites
    // of complete pages are followed at any depth and extract nothing.
    QString MapLink(const QString& Raw, TURLTag Kind, const QString& LinkType, bool Requisite) override;

    // Links of style sheets: sheets they import and what they show.
    QString MapCSSLink(const QString& Text, bool Import) override;

    // A file of the site that a script names: a requisite at any depth,
    // marked as a guess.
    void FollowScriptLink(const QString& Raw) override;

private:
    // A link of a domain alias becomes the same link on the website's host.
    QString ApplyDomainAliases(const QString& A) const;
    int MatchingDownloadRule(const QString& A) const;
    // True when A is in the list already or the crawl admits it.
    bool Admitted(const QString& A) const;
    // The link to entry Index, whose URL is A, with the site's own names.
    QString SiteLink(int Index, const QString& A);

    TURLList& FURLs;
    const TPageInfo& FPage;
    const TLinkSettings& FSettings;
    const QStringList FAliasBases;
    int FNewURLsCount = 0;
};

// The link that a page saved in PageFile writes to the file D, whose URL
// is A: relative, "file://" or below the target base, as Settings say.
QString LinkToFile(
    const TLinkSettings& Settings, const QString& PageFile, const QString& D, const QString& A);

// The path of Target relative to the folder of FromFile, with "/" separators.
QString RelativeLinkPath(const QString& Target, const QString& FromFile);
