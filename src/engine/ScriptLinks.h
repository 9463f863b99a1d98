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
//   a backslash escape is not reported. A "" or '' string left open at a line
//   end ends there, a `` string, regular expression or /* comment left open
//   ends the scan. Comments and regular expression literals are skipped (the
//   latter told from division by the token before the slash, best effort).
// - the text has no white space, control character, quote, backslash, < > or
//   placeholder mark ({ } | ^ * or a % without two hex digits) and at most
//   2048 characters; it does not start with #; it is relative ("a/b", "./a",
//   "../a"), root-relative ("/a"), network-path ("//host/a") or http(s)://
//   (any other scheme is not a file of the site).
// - its path, before ? or #, ends in a named file with a page resource
//   extension (scripts, JSON, style sheets, images, fonts), in any case.
// One pass over S, linear in its length whatever it holds.
void ScanScriptLinks(QStringView S, const std::function<void(const TScriptLink&)>& OnLink);

// The text of every link ScanScriptLinks reports, in order.
QStringList ScriptLinkTexts(QStringView S);
