#pragma once

#include "engine/page/LinkTags.h"

#include <QString>
#include <QStringView>

// Tells what each link found in a document becomes; the scanners of pages
// and style sheets report every link to it and write what it answers.
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

// The style text CSS (a sheet, a style element or attribute) with its links
// replaced by what Targets answers.
QString RewriteStyleLinks(QStringView CSS, TLinkTargets& Targets);

// A whole style sheet with its links rewritten by Targets and a leading
// @charset rule made to name UTF-8, the charset it is saved in.
QString RewriteStyleSheet(QStringView Sheet, TLinkTargets& Targets);
