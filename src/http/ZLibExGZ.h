#pragma once

#include "http/ZLibEx.h"

#include <QByteArray>
#include <QDateTime>
#include <QIODevice>

// Header fields of a gzip member that the decoder reads past.
struct TGZipHeaderInfo {
    QDateTime ModificationTime; // null when the member has none
    QByteArray FileName;
    QByteArray Comment;
};

// Decodes the gzip member at ASource's position into ATarget and checks the
// CRC-32 and length of what it wrote.
// Raises EZDecompressionError "Data error" for a bad header or trailer; on a
// mismatch every decoded byte is already in ATarget.
void GZipDecodeMember(QIODevice& ASource, QIODevice& ATarget, TGZipHeaderInfo& AInfo,
    qint64 AMaxDecodedSize = NoDecodedSizeLimit);

// Decodes every member from ASource's position to its end, one after the
// other, as one body (the concatenation a gzip file may be); AMaxDecodedSize
// bounds all of them together.
void GZipDecodeStream(QIODevice& ASource, QIODevice& ATarget, qint64 AMaxDecodedSize = NoDecodedSizeLimit);
