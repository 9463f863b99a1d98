#include "engine/store/BodyCompressor.h"

#include "engine/store/CrawlStateFiles.h"

#include <QtEndian>
#include <new>

namespace {

// Pages and style sheets keep about 30% of their size at level 1 and 25% at
// the default level, which takes two and a half times as long on every Put.
constexpr int BodyCompression = 1;

} // namespace

TBodyCompressor::TBodyCompressor()
{
    if (deflateInit(&FStream, BodyCompression) != Z_OK)
        throw std::bad_alloc();
}

TBodyCompressor::~TBodyCompressor()
{
    deflateEnd(&FStream);
}

QByteArray TBodyCompressor::Compress(const QByteArray& Body, const QString& URL)
{
    if (Body.isEmpty())
        return QByteArray(4, '\0');
    if (quint64(Body.size()) >= 0xffffffffu)
        throw EStateError(QStringLiteral("The body of %1 is too large to keep").arg(URL));
    deflateReset(&FStream);
    const uLong Bound = deflateBound(&FStream, uLong(Body.size()));
    QByteArray Compressed(4 + qsizetype(Bound), Qt::Uninitialized);
    qToBigEndian(quint32(Body.size()), Compressed.data());
    FStream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Body.constData()));
    FStream.avail_in = uInt(Body.size());
    FStream.next_out = reinterpret_cast<Bytef*>(Compressed.data() + 4);
    FStream.avail_out = uInt(Bound);
    if (deflate(&FStream, Z_FINISH) != Z_STREAM_END)
        throw EStateError(QStringLiteral("The body of %1 cannot be compressed").arg(URL));
    Compressed.truncate(4 + qsizetype(FStream.total_out));
    return Compressed;
}
