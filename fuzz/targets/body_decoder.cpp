// Any body under each content coding decodes within the size limit, or is
// refused for passing it.
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "http/BodyDecoder.h"
#include "http/HTTPErrors.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    static const QString Codings[] = { QStringLiteral("gzip"), QStringLiteral("deflate"),
        QStringLiteral("identity"), QStringLiteral("Gzip") };
    constexpr qint64 Limit = 64 * 1024;
    FuzzInput In(Data, Size);
    const QString& Coding = Codings[In.TakeByte() % 4];
    QByteArray Body = In.TakeRestBytes();
    QBuffer Source(&Body);
    Source.open(QIODevice::ReadOnly);
    QByteArray Decoded;
    QBuffer Target(&Decoded);
    Target.open(QIODevice::WriteOnly);
    try {
        DecodeBody(Source, Target, Coding, Limit);
    } catch (const EResponseLimitError&) {
        // A body that inflates past the limit is refused; what came so far stays bounded.
    }
    if (Coding == QLatin1String("gzip") || Coding == QLatin1String("deflate"))
        FuzzCheck(Decoded.size() <= Limit, "a body decodes past the limit");
    else
        FuzzCheck(Decoded == Body, "a body without a known coding is not copied as it is");
    return 0;
}
