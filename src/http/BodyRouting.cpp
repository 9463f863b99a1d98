#include "http/BodyRouting.h"

#include "http/HTTPErrors.h"
#include "http/RequestLimits.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryFile>
#include <algorithm>

namespace {

// Encoded bodies up to this size stay in memory.
constexpr qint64 InMemoryBytes = qint64(4) << 20;

std::unique_ptr<QIODevice> MemoryStore()
{
    auto Store = std::make_unique<QBuffer>();
    Store->open(QIODevice::ReadWrite);
    return Store;
}

} // namespace

TEncodedBodyBuffer::TEncodedBodyBuffer(qint64 Limit, const QString& SpillFolder)
    : FLimit(Limit)
    , FSpillFolder(SpillFolder)
    , FStore(MemoryStore())
{
    open(QIODevice::ReadWrite | QIODevice::Unbuffered);
}

TEncodedBodyBuffer::~TEncodedBodyBuffer() = default;

void TEncodedBodyBuffer::Clear()
{
    FStore = MemoryStore();
    FSize = 0;
    ClearFailure();
    QIODevice::seek(0);
}

bool TEncodedBodyBuffer::seek(qint64 Position)
{
    return FStore->seek(Position) && QIODevice::seek(Position);
}

qint64 TEncodedBodyBuffer::readData(char* Data, qint64 MaxSize)
{
    return FStore->read(Data, MaxSize);
}

qint64 TEncodedBodyBuffer::writeData(const char* Data, qint64 Size)
{
    if (const std::exception_ptr TooLarge = BodySizeFailure(FSize + Size, FLimit))
        return Fail(TooLarge);
    if (FSize + Size > InMemoryBytes && qobject_cast<QBuffer*>(FStore.get())) {
        auto File = FSpillFolder.isEmpty()
            ? std::make_unique<QTemporaryFile>()
            : std::make_unique<QTemporaryFile>(FSpillFolder + QStringLiteral("/.harvo-XXXXXX"));
        const QByteArray& Held = static_cast<QBuffer*>(FStore.get())->buffer();
        if ((!FSpillFolder.isEmpty() && !QDir().mkpath(FSpillFolder)) || !File->open()
            || File->write(Held) != Held.size())
            return Fail(std::make_exception_ptr(
                EStreamWriteError(QStringLiteral("Stream write error: %1").arg(File->errorString()))));
        FStore = std::move(File);
    }
    const qint64 Written = FStore->write(Data, Size);
    if (Written != Size)
        return Fail(std::make_exception_ptr(
            EStreamWriteError(QStringLiteral("Stream write error: %1").arg(FStore->errorString()))));
    FSize += Size;
    return Size;
}

TBodyRouter::TBodyRouter(QIODevice& Plain, TEncodedBodyBuffer* Encoded, std::function<bool()> IsEncoded)
    : FPlain(Plain)
    , FEncoded(Encoded)
    , FIsEncoded(std::move(IsEncoded))
{
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 TBodyRouter::writeData(const char* Data, qint64 Size)
{
    if (!FTarget)
        FTarget = FEncoded && FIsEncoded() ? static_cast<QIODevice*>(FEncoded) : &FPlain;
    if (FTarget->write(Data, Size) == Size)
        return Size;
    const std::exception_ptr Reason = TargetFailure(*FTarget);
    return Fail(Reason ? Reason
                       : std::make_exception_ptr(EStreamWriteError(
                           QStringLiteral("Stream write error: %1").arg(FTarget->errorString()))));
}

THeadKeepingWriter::THeadKeepingWriter(QIODevice& Target, QByteArray& Head, qsizetype Limit)
    : FTarget(Target)
    , FHead(Head)
    , FLimit(Limit)
{
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 THeadKeepingWriter::writeData(const char* Data, qint64 Size)
{
    if (FHead.size() < FLimit)
        FHead.append(Data, qsizetype(std::min<qint64>(Size, FLimit - FHead.size())));
    return FTarget.write(Data, Size);
}
