#pragma once

#include <QString>

// URL and path text routines of the crawl. URLs are plain text here: no
// parsing beyond the scheme, the host and the "/" separated path.

// The absolute URL that Link denotes on the page BaseURL, or empty for links
// that are not followed (fragment-only links, other schemes).
QString ResolveURL(const QString& Link, const QString& BaseURL);

// URL cut before its first "#".
QString RemoveURLFragment(const QString& URL);

// URL with the UTF-8 bytes of its non-ASCII characters percent-encoded.
QString EncodeURLNonASCII(const QString& URL);
// True for the characters that drive a terminal or break a line: C0 but
// tab, DEL and C1.
bool IsControlCharacter(QChar C);
// URL with every control character (see IsControlCharacter) and NUL
// written as percent escapes of its UTF-8 bytes.
QString EncodeURLControlCharacters(const QString& URL);

// Path resolved against the folder BaseDir; an absolute Path stays as it is.
QString CombinePath(const QString& Path, const QString& BaseDir);

// True for "/" and "\", the separators that paths made from URLs or
// configured folders may carry.
bool IsPathSeparator(QChar C);

// Path with every "/" and "\" turned into the native separator.
QString ToNativeSeparators(QString Path);
