#pragma once

#include <QString>
#include <QStringView>

#include <functional>

// One link written in a style sheet: the characters [Start, End) of the
// sheet hold its text as written, inside its quotes if it has them.
struct TCSSLink {
    qsizetype Start = 0;
    qsizetype End = 0;
    QChar Quote; // '"', '\'' or the character 0 for a bare url()
    bool Import = false; // the sheet named by an @import
};

// Calls OnLink for every url(), @import string and image-set() string of S,
// in order; comments are skipped and unterminated constructs report nothing.
// One pass over S.
void ScanCSSLinks(QStringView S, const std::function<void(const TCSSLink&)>& OnLink);

// The text of Link with its CSS escapes resolved.
QString CSSLinkText(QStringView S, const TCSSLink& Link);

// S with each link replaced by Map(link text, Import) when that is not null;
// the replacement is escaped for the quoting of the link.
QString RewriteCSSLinks(QStringView S, const std::function<QString(const QString& Text, bool Import)>& Map);

// S with the name in a leading @charset rule made "UTF-8"; S itself when it
// has none.
QString DeclareCSSUTF8(const QString& S);

// The charset a leading @charset rule of the sheet Bytes names, or empty.
QString CSSCharsetRule(const QByteArray& Bytes);
