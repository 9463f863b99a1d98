#include "support/ConditionalReplies.h"

namespace {

QByteArray OpaqueTag(const QByteArray& Tag)
{
    const QByteArray Trimmed = Tag.trimmed();
    return Trimmed.startsWith("W/") ? Trimmed.mid(2) : Trimmed;
}

bool IsWeak(const QByteArray& Tag)
{
    return Tag.trimmed().startsWith("W/");
}

// If-None-Match compares weakly: a weak tag matches its strong twin.
bool NoneMatchHits(const QByteArray& Header, const QByteArray& ETag)
{
    for (const QByteArray& Tag : Header.split(',')) {
        if (Tag.trimmed() == "*")
            return true;
        if (!ETag.isEmpty() && OpaqueTag(Tag) == OpaqueTag(ETag))
            return true;
    }
    return false;
}

bool NotModified(const RecordedRequest& Request, const ServedResource& Resource)
{
    if (Request.HasHeader("If-None-Match"))
        return NoneMatchHits(Request.Header("If-None-Match"), Resource.ETag);
    return Request.HasHeader("If-Modified-Since") && !Resource.LastModified.isEmpty()
        && Request.Header("If-Modified-Since") == Resource.LastModified;
}

// If-Range compares strongly: a weak tag never matches.
bool IfRangeHolds(const RecordedRequest& Request, const ServedResource& Resource)
{
    if (!Request.HasHeader("If-Range"))
        return true;
    const QByteArray Condition = Request.Header("If-Range");
    if (Condition.startsWith('"') || Condition.startsWith("W/"))
        return !IsWeak(Condition) && !Resource.ETag.isEmpty() && !IsWeak(Resource.ETag)
            && Condition == Resource.ETag.trimmed();
    return !Resource.LastModified.isEmpty() && Condition == Resource.LastModified;
}

// N of "bytes=N-"; -1 for any other form.
qint64 RangeStart(const RecordedRequest& Request)
{
    const QByteArray Range = Request.Header("Range").trimmed();
    if (!Range.startsWith("bytes=") || !Range.endsWith('-'))
        return -1;
    bool Number = false;
    const qint64 Start = Range.mid(6, Range.size() - 7).toLongLong(&Number);
    return Number && Start >= 0 ? Start : -1;
}

QByteArray ValidatorLines(const ServedResource& Resource)
{
    QByteArray Lines;
    if (!Resource.ETag.isEmpty())
        Lines += "ETag: " + Resource.ETag + "\r\n";
    if (!Resource.LastModified.isEmpty())
        Lines += "Last-Modified: " + Resource.LastModified + "\r\n";
    return Lines;
}

// The body from Start on, after Head.
ScriptedReply BodyFrom(const ServedResource& Resource, QByteArray Head, qint64 Start)
{
    Head += "Content-Type: " + Resource.ContentType + "\r\n" + ValidatorLines(Resource)
        + "Content-Length: " + QByteArray::number(Resource.Size() - Start) + "\r\n\r\n";
    if (Resource.ChunkCount == 0)
        return ScriptedReply::Raw(Head + Resource.Body.mid(Start));
    const qint64 ChunkSize = Resource.Chunk.size();
    const qint64 Skipped = Start / ChunkSize;
    const qint64 Into = Start % ChunkSize;
    ScriptedReply Reply = ScriptedReply::Raw(Head + (Into > 0 ? Resource.Chunk.mid(Into) : QByteArray()));
    Reply.Chunk = Resource.Chunk;
    Reply.ChunkCount = Resource.ChunkCount - Skipped - (Into > 0 ? 1 : 0);
    return Reply;
}

} // namespace

ServedResource ServedResource::Repeated(const QByteArray& Chunk, qint64 Count)
{
    ServedResource Resource;
    Resource.Chunk = Chunk;
    Resource.ChunkCount = Count;
    return Resource;
}

qint64 ServedResource::Size() const
{
    return ChunkCount > 0 ? Chunk.size() * ChunkCount : Body.size();
}

ScriptedReply ConditionalReply(const RecordedRequest& Request, const ServedResource& Resource)
{
    if (Resource.HonoursConditions && NotModified(Request, Resource))
        return ScriptedReply::Raw("HTTP/1.1 304 Not Modified\r\n" + ValidatorLines(Resource) + "\r\n");
    const qint64 Start = Resource.HonoursRange && IfRangeHolds(Request, Resource) ? RangeStart(Request) : -1;
    if (Start < 0)
        return BodyFrom(Resource, "HTTP/1.1 200 OK\r\n", 0);
    const qint64 Size = Resource.Size();
    if (Start >= Size)
        return ScriptedReply::Status(416, "Range Not Satisfiable",
            { "Content-Range: bytes */" + QByteArray::number(Size) }, "past the end");
    return BodyFrom(Resource,
        "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " + QByteArray::number(Start) + '-'
            + QByteArray::number(Size - 1) + '/' + QByteArray::number(Size) + "\r\n",
        Start);
}
