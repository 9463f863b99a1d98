#include "http/BodyDecoder.h"

#include "http/HTTPErrors.h"
#include "http/ZLibExGZ.h"

namespace {

void CopyBody(QIODevice& ABuffer, QIODevice& ATarget)
{
    constexpr qint64 BlockSize = 65536;
    char Block[BlockSize];
    for (qint64 Read; (Read = ABuffer.read(Block, BlockSize)) > 0;)
        ATarget.write(Block, Read);
}

} // namespace

void DecodeBody(QIODevice& Buffer, QIODevice& Target, const QString& ContentEncoding, qint64 MaxDecodedSize)
{
    Buffer.seek(0);
    try {
        if (ContentEncoding == QLatin1String("deflate"))
            InflateStream(Buffer, Target, MaxDecodedSize);
        else if (ContentEncoding == QLatin1String("gzip"))
            GZipDecodeStream(Buffer, Target, MaxDecodedSize);
        else
            CopyBody(Buffer, Target);
    } catch (const EZDecodedSizeLimitError&) {
        throw EResponseLimitError(
            QStringLiteral("The decoded body exceeds the limit of %1 bytes").arg(MaxDecodedSize));
    } catch (const std::exception&) {
        // The body stays as far as it decoded; the reply still counts.
    }
}
