#include "http/ZLibEx.h"

#include "support/GZipFixture.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

// Runs InflateStream over Input into a fresh buffer; the code of the error it
// raised, or nullopt.
std::optional<int> Inflate(const QByteArray& Input, QByteArray& Output, qint64 Limit = NoDecodedSizeLimit)
{
    QBuffer Source;
    Source.setData(Input);
    Source.open(QIODevice::ReadOnly);
    QBuffer Target(&Output);
    Target.open(QIODevice::ReadWrite);
    try {
        InflateStream(Source, Target, Limit);
    } catch (const EZDecompressionError& E) {
        return E.ErrorCode();
    }
    return std::nullopt;
}

// A zlib stream whose header asks for a preset dictionary.
QByteArray WithDictionary(const QByteArray& Data)
{
    return TDeflater(MAX_WBITS, QByteArrayLiteral("harvo")).Feed(Data, Z_FINISH);
}

} // namespace

TEST(ZLibEx, ErrorsCarryTheCodeAndItsText)
{
    const std::pair<int, const char*> Table[] = {
        { 2, "Need dictionary" },
        { 1, "Stream end" },
        { 0, "OK" },
        { -1, "File error" },
        { -2, "Stream error" },
        { -3, "Data error" },
        { -4, "Insufficient memory" },
        { -5, "Buffer error" },
        { -6, "Incompatible version" },
    };
    for (const auto& [Code, Text] : Table) {
        const EZLibError Error(Code);
        EXPECT_EQ(Error.ErrorCode(), Code);
        EXPECT_EQ(Error.Message(), QString::fromLatin1(Text));
    }
    EXPECT_EQ(EZLibError(zeVersionError).ErrorCode(), -6);
    EXPECT_EQ(EZDecompressionError(zeDataError).Message(), QStringLiteral("Data error"));
    EXPECT_EQ(EZDecompressionError(zeDataError).ClassName(), QStringLiteral("EZDecompressionError"));
    EXPECT_EQ(EZLibError(zeError).ClassName(), QStringLiteral("EZLibError"));
}

TEST(ZLibEx, InflatesAcrossBlocksAndStopsAfterTheStream)
{
    const QByteArray Body = SampleBody(300000);
    const QByteArray Compressed = ZLibCompress(Body);
    ASSERT_GT(Compressed.size(), 32768);

    QBuffer Source;
    Source.setData(Compressed + "TRAILING");
    Source.open(QIODevice::ReadOnly);
    QByteArray Output("kept:");
    QBuffer Target(&Output);
    Target.open(QIODevice::ReadWrite);
    Target.seek(Output.size());
    InflateStream(Source, Target);
    EXPECT_EQ(Output, "kept:" + Body);
    EXPECT_EQ(Source.pos(), Compressed.size());
}

TEST(ZLibEx, BrokenInputFailsOrStopsWithWhatDecoded)
{
    const QByteArray Body = SampleBody(100000);
    const QByteArray Good = ZLibCompress(Body);
    QByteArray Corrupt = Good;
    for (int I = Good.size() / 2; I < Good.size() / 2 + 64; ++I)
        Corrupt[I] = static_cast<char>(Corrupt[I] ^ 0x55);

    struct Case {
        const char* Name;
        QByteArray Input;
        std::optional<int> Error;
        bool SomeOutput;
    };
    const Case Cases[] = {
        { "raw deflate without header", RawDeflate(Body), Z_DATA_ERROR, false },
        { "corrupt middle", Corrupt, Z_DATA_ERROR, true },
        { "truncated", Good.left(Good.size() / 2), std::nullopt, true },
        { "preset dictionary", WithDictionary(Body.left(1000)), Z_NEED_DICT, false },
        { "empty", QByteArray(), std::nullopt, false },
    };
    for (const Case& C : Cases) {
        QByteArray Output;
        EXPECT_EQ(Inflate(C.Input, Output), C.Error) << C.Name;
        EXPECT_EQ(!Output.isEmpty(), C.SomeOutput) << C.Name;
        // Corrupt input may decode to some garbage before zlib notices.
        EXPECT_TRUE(Body.startsWith(Output.left(10000))) << C.Name;
    }
}

TEST(ZLibEx, DecodedSizeLimitStopsABomb)
{
    const QByteArray Bomb = ZLibCompress(QByteArray(4 << 20, '\0'));
    ASSERT_LT(Bomb.size(), 16384);
    for (const qint64 Limit : { qint64(0), qint64(1000), qint64(100000) }) {
        QByteArray Output;
        EXPECT_EQ(Inflate(Bomb, Output, Limit), Z_MEM_ERROR) << Limit;
        EXPECT_EQ(Output.size(), Limit);
    }
    QByteArray Exact;
    EXPECT_EQ(Inflate(Bomb, Exact, 4 << 20), std::nullopt);
    EXPECT_EQ(Exact.size(), 4 << 20);

    QBuffer Source;
    Source.setData(Bomb);
    Source.open(QIODevice::ReadOnly);
    QBuffer Target;
    Target.open(QIODevice::ReadWrite);
    EXPECT_THROW(InflateStream(Source, Target, 10), EZDecodedSizeLimitError);
}
