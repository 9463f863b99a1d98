#pragma once

#include "engine/crawl/URLList.h"

#include <QString>

// The mapping of URLs to the site's own file names: a folder URL gets the
// index file, a page ".html" and a style sheet ".css" unless its name ends
// so, every other file keeps its name; a query goes into the name before the
// extension ("font@v=4.7.0.woff2"), in a readable form when short and safe,
// else as a short hash.

// The kind that a link's tag, link type and name let one expect before the
// reply tells.
TDocumentKind ExpectedDocumentKind(TURLTag Tag, const QString& URL, const QString& LinkType);

// The kind of a reply's media type.
TDocumentKind DocumentKindOf(const QString& MediaType);

// URL's file path below the scope prefix Scope ("/" separators, percent
// escapes resolved as for any output file), or empty outside the scope.
QString SiteFilePath(const QString& URL, const QString& Scope, const QString& IndexFile, TDocumentKind Kind);

// Path as the text of a link: the characters that a URL would read
// otherwise ("%", "#", "?", ":", spaces, controls) percent-encoded, so that a
// browser opens exactly this file.
QString EncodeFileLink(const QString& Path);
