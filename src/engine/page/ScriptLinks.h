#pragma once

#include <QStringList>
#include <QStringView>

#include <functional>

// One quoted string of a script that looks like the URL of a file: the
// characters [Start, End) of the script are the text inside the quotes.
struct TScriptLink {
    qsizetype Start = 0;
    qsizetype End = 0;
};

// Calls OnLink, in order, for every string of the script S that names a file:
// - strings in "", '' or `` (a template with ${} is never one); a string with
//   a backslash escape is not reported. A "" or '' string left open ends at
//   its line end; a `` string or /* comment left open ends the scan. Comments
//   and regular expressions are skipped; a slash starts a regular expression
//   after an operator or a keyword such as return (best effort) and divides
//   when none closes on its line.
// - the text has no white space, control character, quote, backslash, < > or
//   placeholder mark ({ } | ^ * or a % without two hex digits), at most 2048
//   characters and no leading #; it is relative ("a/b", "./a", "../a"),
//   root-relative ("/a"), network-path ("//host/a") or http(s)://host/...;
//   any other scheme is not a file of the site.
// - its path, before ? or #, ends in a name and one of the extensions js mjs
//   json css png jpg jpeg gif svg webp avif ico bmp woff woff2 ttf otf eot,
//   in any case.
// One pass over S, linear in its length whatever it holds.
void ScanScriptLinks(QStringView S, const std::function<void(const TScriptLink&)>& OnLink);

// The text of every link ScanScriptLinks reports, in order.
QStringList ScriptLinkTexts(QStringView S);
