#include "http/ZLibEx.h"

#include <zlib.h>

namespace {

constexpr int InflateBlockSize = 32768;

QString ZLibErrorMessage(int ACode)
{
    switch (ACode) {
    case Z_NEED_DICT:
        return QStringLiteral("Need dictionary");
    case Z_STREAM_END:
        return QStringLiteral("Stream end");
    case Z_OK:
        return QStringLiteral("OK");
    case Z_ERRNO:
        return QStringLiteral("File error");
    case Z_STREAM_ERROR:
        return QStringLiteral("Stream error");
    case Z_DATA_ERROR:
        return QStringLiteral("Data error");
    case Z_MEM_ERROR:
        return QStringLiteral("Insufficient memory");
    case Z_BUF_ERROR:
        return QStringLiteral("Buffer error");
    case Z_VERSION_ERROR:
        return QStringLiteral("Incompatible version");
    default:
        return QStringLiteral("Unknown error %1").arg(ACode);
    }
}

// Writes decoded blocks to the target, refusing to pass the size limit, and
// keeps the CRC-32 of what it wrote when asked to.
class TDecodedOutput {
public:
    TDecodedOutput(QIODevice& ATarget, qint64 AMaxSize, bool AComputeCRC)
        : FTarget(ATarget)
        , FLimit(AMaxSize)
        , FRoom(AMaxSize)
        , FComputeCRC(AComputeCRC)
    {
    }

    void Write(const char* AData, qint64 ALength)
    {
        const qint64 Allowed = qMin(ALength, FRoom);
        if (Allowed > 0 && FTarget.write(AData, Allowed) != Allowed)
            throw EZDecompressionError(Z_ERRNO);
        if (FComputeCRC)
            FCRC = crc32(FCRC, reinterpret_cast<const Bytef*>(AData), static_cast<uInt>(Allowed));
        FRoom -= Allowed;
        if (Allowed < ALength)
            throw EZDecodedSizeLimitError(FLimit);
    }

    quint32 CRC() const { return static_cast<quint32>(FCRC); }

private:
    QIODevice& FTarget;
    const qint64 FLimit;
    qint64 FRoom;
    const bool FComputeCRC;
    uLong FCRC = crc32(0L, Z_NULL, 0);
};

// Owns an inflate stream and ends it on every way out; End reports the result.
class TInflater {
public:
    // MAX_WBITS reads the zlib header and checks Adler-32, -15 is raw deflate.
    explicit TInflater(int AWindowBits)
    {
        const int Result = inflateInit2(&FStream, AWindowBits);
        if (Result < 0)
            throw EZDecompressionError(Result);
        FActive = true;
    }
    TInflater(const TInflater&) = delete;
    TInflater& operator=(const TInflater&) = delete;
    ~TInflater()
    {
        if (FActive)
            inflateEnd(&FStream);
    }

    z_stream& Stream() { return FStream; }

    void End()
    {
        FActive = false;
        const int Result = inflateEnd(&FStream);
        if (Result < 0)
            throw EZDecompressionError(Result);
    }

private:
    z_stream FStream {};
    bool FActive = false;
};

qint64 ReadBlock(QIODevice& ASource, char* ABuffer)
{
    return qMax<qint64>(0, ASource.read(ABuffer, InflateBlockSize));
}

quint32 InflateToStream(
    QIODevice& ASource, QIODevice& ATarget, int AWindowBits, qint64 AMaxDecodedSize, bool AComputeCRC)
{
    TInflater Inflater(AWindowBits);
    TDecodedOutput Output(ATarget, AMaxDecodedSize, AComputeCRC);
    z_stream& Stream = Inflater.Stream();
    char InBuffer[InflateBlockSize];
    char OutBuffer[InflateBlockSize];

    Stream.next_in = reinterpret_cast<Bytef*>(InBuffer);
    Stream.avail_in = static_cast<uInt>(ReadBlock(ASource, InBuffer));
    int Result = Z_OK;
    while (Result != Z_STREAM_END && Stream.avail_in > 0) {
        do {
            Stream.next_out = reinterpret_cast<Bytef*>(OutBuffer);
            Stream.avail_out = InflateBlockSize;
            Result = inflate(&Stream, Z_NO_FLUSH);
            // A preset dictionary is never supplied, so waiting for one would
            // loop over the same input for ever.
            if ((Result < 0 && Result != Z_BUF_ERROR) || Result == Z_NEED_DICT)
                throw EZDecompressionError(Result);
            Output.Write(OutBuffer, InflateBlockSize - Stream.avail_out);
        } while (Result != Z_STREAM_END && Stream.avail_out == 0);

        if (Stream.avail_in > 0)
            ASource.seek(ASource.pos() - Stream.avail_in);
        if (Result != Z_STREAM_END) {
            Stream.next_in = reinterpret_cast<Bytef*>(InBuffer);
            Stream.avail_in = static_cast<uInt>(ReadBlock(ASource, InBuffer));
        }
    }
    Inflater.End();
    return Output.CRC();
}

} // namespace

EZLibError::EZLibError(int ACode)
    : EZLibError(ACode, ZLibErrorMessage(ACode))
{
}

EZDecodedSizeLimitError::EZDecodedSizeLimitError(qint64 ALimit)
    : EZDecompressionError(Z_MEM_ERROR, QStringLiteral("Decoded data exceeds %1 bytes").arg(ALimit))
{
}

void InflateStream(QIODevice& ASource, QIODevice& ATarget, qint64 AMaxDecodedSize)
{
    InflateToStream(ASource, ATarget, MAX_WBITS, AMaxDecodedSize, false);
}

quint32 InflateRawStreamCRC32(QIODevice& ASource, QIODevice& ATarget, int AWindowBits, qint64 AMaxDecodedSize)
{
    return InflateToStream(ASource, ATarget, AWindowBits, AMaxDecodedSize, true);
}
