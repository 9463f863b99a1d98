#include "http/BodyDecoder.h"

void DecodeBody(QIODevice& Buffer, QIODevice& Target, const QString& ContentEncoding, qint64 MaxDecodedSize)
{
    Q_UNUSED(ContentEncoding);
    Buffer.seek(0);
    Target.write(Buffer.readAll().left(MaxDecodedSize));
}
