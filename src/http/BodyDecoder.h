#pragma once

#include <QIODevice>
#include <QString>

// Largest decoded body we accept; a body that inflates past it stops there.
constexpr qint64 MaxDecodedBodySize = qint64(1) << 30;

// Writes Buffer (read from position 0) to Target at its current position,
// decoded by the reply's Content-Encoding ("deflate"/"gzip", case-sensitive;
// anything else is copied). Never throws: a failure keeps what was decoded.
void DecodeBody(QIODevice& Buffer, QIODevice& Target, const QString& ContentEncoding,
    qint64 MaxDecodedSize = MaxDecodedBodySize);
