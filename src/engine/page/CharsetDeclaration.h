#pragma once

#include <QString>

// Html with its own charset declarations (<meta charset> and the charset of
// <meta http-equiv="Content-Type">) changed to UTF-8, for a page that is
// saved as UTF-8 after being decoded from another charset.
QString DeclareUTF8(const QString& Html);

// The charset a style sheet is read in: UTF-8 after a byte order mark,
// else the charset of its leading @charset rule where the reply's
// Content-Type header names none, else ReplyCharset.
QString StyleSheetCharset(
    const QByteArray& Sheet, const QString& ReplyCharset, const QString& ContentTypeHeader);
