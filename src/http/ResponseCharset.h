#pragma once

#include <QByteArray>
#include <QString>

// The media type of a Content-Type value, without its parameters.
QString MediaTypeOf(const QString& ContentType);

// The charset of a reply: the Content-Type's charset parameter; else a META
// declaration of an HTML body or the encoding of an XML declaration; else
// "ISO-8859-1" for text/ types ("us-ascii" for XML text types); else empty.
// BodyHead is the start of the body as it arrived.
QString ResponseCharset(const QString& ContentType, const QByteArray& BodyHead);

// Decodes bytes in the named charset; an empty or unknown name is byte for
// byte (Latin-1).
QString DecodeText(const QByteArray& Bytes, const QString& Charset);

// A header value as text: UTF-8 when it is valid UTF-8, else byte for byte.
QString HeaderText(const QByteArray& Value);
