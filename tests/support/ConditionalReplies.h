#pragma once

#include "support/ScriptedHttpServer.h"

#include <QByteArray>

// A resource as an honest server keeps it, with the validators it sends.
// The body is either Body, or Chunk repeated ChunkCount times (a large file
// that is never held in memory).
struct ServedResource {
    QByteArray Body;
    QByteArray Chunk;
    qint64 ChunkCount = 0;
    QByteArray ContentType = "application/octet-stream";
    QByteArray ETag; // as sent, quotes included ("\"v1\"", or weak "W/\"v1\""); empty: none
    QByteArray LastModified; // an HTTP date; empty: none
    bool HonoursConditions = true; // If-None-Match, If-Modified-Since
    bool HonoursRange = true; // Range, If-Range

    static ServedResource Repeated(const QByteArray& Chunk, qint64 Count);
    qint64 Size() const;
};

// The reply such a server gives to Request: 304 with the validators and no
// body when If-None-Match matches (weak comparison, "*", lists) or, without
// If-None-Match, If-Modified-Since equals LastModified; 206 from N on for
// "Range: bytes=N-" when If-Range is absent or matches (a strong ETag, or
// the exact date); 416 for N past the end; else 200 with the whole body.
// Other range forms are ignored, as a server may.
ScriptedReply ConditionalReply(const RecordedRequest& Request, const ServedResource& Resource);
