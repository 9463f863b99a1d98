#pragma once

#include <QIODevice>
#include <QString>

// Largest decoded body we accept by default.
constexpr qint64 MaxDecodedBodySize = qint64(1) << 30;

// Writes Buffer (read from position 0) to Target at its current position,
// decoded by the reply's Content-Encoding ("deflate"/"gzip", case-sensitive;
// anything else is copied). A broken body keeps what was decoded and raises
// nothing; a body that inflates past MaxDecodedSize raises
// EResponseLimitError, since a cut-off copy would pass for the whole file.
void DecodeBody(QIODevice& Buffer, QIODevice& Target, const QString& ContentEncoding,
    qint64 MaxDecodedSize = MaxDecodedBodySize);
