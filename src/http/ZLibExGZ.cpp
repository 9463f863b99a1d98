#include "http/ZLibExGZ.h"

namespace {

constexpr int HeaderSize = 10;
constexpr int TrailerSize = 8;
constexpr int RawDeflateWindowBits = -15;

constexpr quint8 GZipID1 = 0x1F;
constexpr quint8 GZipID2 = 0x8B;
constexpr quint8 DeflateMethod = 8;

enum TGZipFlag : quint8 {
    gfHeaderCRC = 0x02,
    gfExtraField = 0x04,
    gfFileName = 0x08,
    gfComment = 0x10,
    gfReserved = 0xE0,
};

[[noreturn]] void FailDataError()
{
    throw EZDecompressionError(zeDataError);
}

quint32 LittleEndian32(const QByteArray& AData, int AOffset)
{
    const auto* Bytes = reinterpret_cast<const uchar*>(AData.constData()) + AOffset;
    return quint32(Bytes[0]) | quint32(Bytes[1]) << 8 | quint32(Bytes[2]) << 16 | quint32(Bytes[3]) << 24;
}

QByteArray ReadExactly(QIODevice& ASource, int ACount)
{
    QByteArray Data = ASource.read(ACount);
    if (Data.size() < ACount)
        FailDataError();
    return Data;
}

// A skip that would leave the source leaves no data to decode; failing here
// also keeps a writable buffer from being padded by a seek past its end.
void SkipBytes(QIODevice& ASource, qint64 ACount)
{
    if (ASource.pos() + ACount > ASource.size() || !ASource.seek(ASource.pos() + ACount))
        FailDataError();
}

QByteArray ReadZeroTerminated(QIODevice& ASource)
{
    QByteArray Text;
    char Byte = 0;
    while (ASource.getChar(&Byte) && Byte != 0)
        Text.append(Byte);
    return Text;
}

} // namespace

void GZipDecodeMember(QIODevice& ASource, QIODevice& ATarget, TGZipHeaderInfo& AInfo, qint64 AMaxDecodedSize)
{
    AInfo = TGZipHeaderInfo();
    const QByteArray Header = ReadExactly(ASource, HeaderSize);
    const auto Flags = static_cast<quint8>(Header[3]);
    if (static_cast<quint8>(Header[0]) != GZipID1 || static_cast<quint8>(Header[1]) != GZipID2
        || static_cast<quint8>(Header[2]) != DeflateMethod || (Flags & gfReserved) != 0)
        FailDataError();

    if (const quint32 ModificationTime = LittleEndian32(Header, 4))
        AInfo.ModificationTime = QDateTime::fromSecsSinceEpoch(ModificationTime, Qt::UTC);
    if (Flags & gfExtraField) {
        const QByteArray Length = ReadExactly(ASource, 2);
        SkipBytes(ASource, quint8(Length[0]) | quint8(Length[1]) << 8);
    }
    if (Flags & gfFileName)
        AInfo.FileName = ReadZeroTerminated(ASource);
    if (Flags & gfComment)
        AInfo.Comment = ReadZeroTerminated(ASource);
    if (Flags & gfHeaderCRC)
        SkipBytes(ASource, 2);
    if (ASource.pos() >= ASource.size())
        FailDataError();

    // The CRC-32 is taken from the bytes as they are written: the same as
    // reading them back, without a second pass over the body.
    const qint64 Start = ATarget.pos();
    const quint32 CRC = InflateRawStreamCRC32(ASource, ATarget, RawDeflateWindowBits, AMaxDecodedSize);
    const qint64 End = ATarget.pos();

    const QByteArray Trailer = ReadExactly(ASource, TrailerSize);
    // ISIZE holds the length modulo 2 to the 32nd.
    if (CRC != LittleEndian32(Trailer, 0) || static_cast<quint32>(End - Start) != LittleEndian32(Trailer, 4))
        FailDataError();
}

void GZipDecodeStream(QIODevice& ASource, QIODevice& ATarget, qint64 AMaxDecodedSize)
{
    const qint64 Start = ATarget.pos();
    TGZipHeaderInfo Ignored;
    do {
        // The limit holds for all members together, or a bomb could come
        // in many small ones.
        GZipDecodeMember(ASource, ATarget, Ignored, AMaxDecodedSize - (ATarget.pos() - Start));
    } while (ASource.pos() < ASource.size());
}
