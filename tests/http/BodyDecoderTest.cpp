#include "http/BodyDecoder.h"
#include "http/HTTPErrors.h"

#include "support/GZipFixture.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

// Decodes Body after the target's existing "head:" bytes, with the buffer's
// position left somewhere in the middle as the transport may leave it.
QByteArray Decode(const QByteArray& Body, const QString& Encoding, qint64 Limit = MaxDecodedBodySize)
{
    QByteArray Data = Body;
    QBuffer Buffer(&Data);
    Buffer.open(QIODevice::ReadWrite);
    Buffer.seek(Data.size() / 2);
    QByteArray Output("head:");
    QBuffer Target(&Output);
    Target.open(QIODevice::ReadWrite);
    Target.seek(Output.size());
    DecodeBody(Buffer, Target, Encoding, Limit);
    EXPECT_TRUE(Output.startsWith("head:"));
    return Output.mid(5);
}

} // namespace

TEST(BodyDecoder, PicksTheDecoderByExactEncoding)
{
    const QByteArray Body = SampleBody(70000);
    const QByteArray Zipped = GZip(Body);
    const QByteArray Deflated = ZLibCompress(Body);
    struct Case {
        const char* Encoding;
        QByteArray Input;
        QByteArray Expected;
    };
    const Case Cases[] = {
        { "gzip", Zipped, Body },
        { "deflate", Deflated, Body },
        { "GZIP", Zipped, Zipped },
        { "x-gzip", Zipped, Zipped },
        { "Deflate", Deflated, Deflated },
        { "", Body, Body },
        { "identity", Body, Body },
        { "br", QByteArray("\x00\x01", 2), QByteArray("\x00\x01", 2) },
        { "gzip", QByteArray(), QByteArray() },
    };
    for (const Case& C : Cases)
        EXPECT_TRUE(Decode(C.Input, QString::fromLatin1(C.Encoding)) == C.Expected) << C.Encoding;
}

TEST(BodyDecoder, FailuresKeepWhatWasDecoded)
{
    const QByteArray Body = SampleBody(70000);
    TGZipMemberFields WrongCRC;
    WrongCRC.Data = Body;
    WrongCRC.CRC = 0;
    const QByteArray Zipped = GZip(Body);

    EXPECT_TRUE(Decode(RawDeflate(Body), QStringLiteral("deflate")).isEmpty());
    EXPECT_TRUE(Decode(GZipMember(WrongCRC), QStringLiteral("gzip")) == Body);
    const QByteArray Prefix = Decode(Zipped.left(Zipped.size() / 2), QStringLiteral("gzip"));
    EXPECT_FALSE(Prefix.isEmpty());
    EXPECT_LT(Prefix.size(), Body.size());
    EXPECT_TRUE(Body.startsWith(Prefix));
    EXPECT_TRUE(Decode(QByteArray("\x1F\x8B\x08\xE0", 4), QStringLiteral("gzip")).isEmpty());
}

TEST(BodyDecoder, BombPastTheLimitRaisesRatherThanPassForTheWholeBody)
{
    const QByteArray Plain(4 << 20, 'z');
    EXPECT_THROW(Decode(GZip(Plain), QStringLiteral("gzip"), 65536), EResponseLimitError);
    EXPECT_THROW(Decode(ZLibCompress(Plain), QStringLiteral("deflate"), 100), EResponseLimitError);
    EXPECT_EQ(Decode(GZip(Plain), QStringLiteral("gzip")).size(), Plain.size());
    EXPECT_EQ(Decode(GZip(Plain), QStringLiteral("gzip"), Plain.size()).size(), Plain.size());
}
