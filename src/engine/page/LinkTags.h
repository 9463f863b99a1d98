#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// The kind of HTML tag a URL was found in; it decides parts of the mapping
// of the URL to a local file. utMedia stands for audio, video, tracks and
// embedded objects.
enum TURLTag { utUndefined, utA, utImg, utLink, utScript, utNoscript, utIFrame, utMedia };

// How an attribute holds its links.
enum TLinkForm {
    lfURL, // the value is one URL
    lfSrcSet, // a srcset candidate list
    lfRefresh, // "5; url=..." of a refresh meta tag
};

struct TLinkAttribute {
    QString Name;
    TLinkForm Form = lfURL;
};

// A tag that carries links, the kind of URL it makes and the attributes
// that hold them, in the order they are handled.
struct TLinkTag {
    QString Name;
    TURLTag Kind = utUndefined;
    std::vector<TLinkAttribute> Attributes;
    // What the page needs to display; followed at any depth.
    bool Requisite = false;
};

// The tags with links; with CompletePages also those of style, media,
// srcset, backgrounds and refresh.
const std::vector<TLinkTag>& LinkTagTable(bool CompletePages);
