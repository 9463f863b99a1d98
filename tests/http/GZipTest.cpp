#include "http/ZLibExGZ.h"

#include "support/GZipFixture.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

struct TDecodeResult {
    std::optional<int> Error;
    QByteArray Output;
    TGZipHeaderInfo Info;
};

TDecodeResult DecodeMember(const QByteArray& Input)
{
    TDecodeResult Result;
    QBuffer Source;
    Source.setData(Input);
    Source.open(QIODevice::ReadOnly);
    QBuffer Target(&Result.Output);
    Target.open(QIODevice::ReadWrite);
    try {
        GZipDecodeMember(Source, Target, Result.Info);
    } catch (const EZDecompressionError& E) {
        Result.Error = E.ErrorCode();
        EXPECT_EQ(E.Message(), QStringLiteral("Data error"));
    }
    return Result;
}

// Holds only a length: reads give zero bytes, so gigabytes of zeros can be
// decoded and read back without the memory.
class TZeroDevice : public QIODevice {
public:
    TZeroDevice() { open(QIODevice::ReadWrite | QIODevice::Unbuffered); }
    qint64 size() const override { return FSize; }

protected:
    qint64 readData(char* Data, qint64 MaxSize) override
    {
        const qint64 Count = qMin(MaxSize, FSize - pos());
        std::fill(Data, Data + Count, '\0');
        return Count;
    }
    qint64 writeData(const char*, qint64 Size) override
    {
        FSize = qMax(FSize, pos() + Size);
        return Size;
    }

private:
    qint64 FSize = 0;
};

// A gzip member of Chunks times ChunkSize zero bytes, built from one block
// compressed with a full flush and repeated, so it costs one chunk to make.
QByteArray RepeatedZeroMember(int Chunks, qint64 ChunkSize)
{
    TDeflater Deflater(-MAX_WBITS);
    const QByteArray Zeros(ChunkSize, '\0');
    const QByteArray Block = Deflater.Feed(Zeros, Z_FULL_FLUSH);
    const QByteArray End = Deflater.Feed(QByteArray(), Z_FINISH);

    const uLong ChunkCRC = crc32(0, reinterpret_cast<const Bytef*>(Zeros.constData()), Zeros.size());
    uLong CRC = crc32(0, Z_NULL, 0);
    for (int I = 0; I < Chunks; ++I)
        CRC = crc32_combine(CRC, ChunkCRC, ChunkSize);

    TGZipMemberFields Fields;
    Fields.Deflated = Block.repeated(Chunks) + End;
    Fields.CRC = static_cast<quint32>(CRC);
    Fields.ISize = static_cast<quint32>(Chunks * ChunkSize);
    return GZipMember(Fields);
}

TGZipMemberFields Member(const QByteArray& Data)
{
    TGZipMemberFields Fields;
    Fields.Data = Data;
    return Fields;
}

} // namespace

TEST(GZip, HeaderFieldsAreReadPast)
{
    const QByteArray Body = SampleBody(100000);
    struct Case {
        const char* Name;
        TGZipMemberFields Fields;
    };
    auto With = [&Body](auto Change) {
        TGZipMemberFields Fields = Member(Body);
        Change(Fields);
        return Fields;
    };
    const Case Cases[] = {
        { "plain", Member(Body) },
        { "text bit", With([](TGZipMemberFields& S) { S.ExtraFlags = 0x01; }) },
        { "name and comment", With([](TGZipMemberFields& S) {
             S.FileName = "index.html";
             S.Comment = "made by a test";
         }) },
        { "header CRC", With([](TGZipMemberFields& S) { S.HeaderCRC = true; }) },
        { "extra field", With([](TGZipMemberFields& S) { S.Extra = QByteArray("AB\x04\x00zzzz", 8); }) },
        { "empty extra field", With([](TGZipMemberFields& S) { S.Extra = QByteArray(); }) },
        { "every optional field", With([](TGZipMemberFields& S) {
             S.ExtraFlags = 0x01;
             S.Extra = QByteArray(300, '\0');
             S.FileName = QByteArray();
             S.Comment = "c";
             S.HeaderCRC = true;
         }) },
    };
    for (const Case& C : Cases) {
        const TDecodeResult Result = DecodeMember(GZipMember(C.Fields));
        EXPECT_EQ(Result.Error, std::nullopt) << C.Name;
        EXPECT_TRUE(Result.Output == Body) << C.Name;
    }
}

TEST(GZip, MemberReportsTimeNameAndComment)
{
    TGZipMemberFields Fields = Member("data");
    Fields.ModificationTime = 1000000000;
    Fields.FileName = "na\xE9me.txt";
    Fields.Comment = "a comment";
    const TDecodeResult Result = DecodeMember(GZipMember(Fields));
    ASSERT_EQ(Result.Error, std::nullopt);
    EXPECT_EQ(Result.Info.ModificationTime, QDateTime::fromSecsSinceEpoch(1000000000, Qt::UTC));
    EXPECT_EQ(Result.Info.FileName, QByteArray("na\xE9me.txt"));
    EXPECT_EQ(Result.Info.Comment, QByteArray("a comment"));

    const TDecodeResult Plain = DecodeMember(GZip("data"));
    EXPECT_TRUE(Plain.Info.ModificationTime.isNull());
    EXPECT_TRUE(Plain.Info.FileName.isEmpty());
}

TEST(GZip, OnlyTheFirstMemberIsDecoded)
{
    const TDecodeResult Result = DecodeMember(GZip("first") + GZip("second"));
    EXPECT_EQ(Result.Error, std::nullopt);
    EXPECT_EQ(Result.Output, QByteArray("first"));
    EXPECT_EQ(DecodeMember(GZip(QByteArray()) + GZip("second")).Output, QByteArray());
}

TEST(GZip, AStreamDecodesEveryMemberWithinOneLimit)
{
    const QByteArray Body = GZip("first ") + GZip(QByteArray()) + GZip(SampleBody(70000)) + GZip(" last");
    const auto DecodeStream = [&Body](qint64 Limit) {
        QBuffer Source;
        Source.setData(Body);
        Source.open(QIODevice::ReadOnly);
        QByteArray Output;
        QBuffer Target(&Output);
        Target.open(QIODevice::ReadWrite);
        GZipDecodeStream(Source, Target, Limit);
        return Output;
    };
    const QByteArray Expected = "first " + SampleBody(70000) + " last";
    EXPECT_TRUE(DecodeStream(NoDecodedSizeLimit) == Expected);
    EXPECT_TRUE(DecodeStream(Expected.size()) == Expected);
    // Each member alone is below the limit; together they are past it.
    EXPECT_THROW(DecodeStream(Expected.size() - 1), EZDecodedSizeLimitError);
}

TEST(GZip, BadMembersFailWithDataError)
{
    const QByteArray Body = SampleBody(50000);
    const QByteArray Good = GZip(Body);
    auto Patched = [&Good](int Offset, char Value) {
        QByteArray Copy = Good;
        Copy[Offset] = Value;
        return Copy;
    };
    TGZipMemberFields WrongCRC = Member(Body);
    WrongCRC.CRC = 0x12345678;
    TGZipMemberFields WrongSize = Member(Body);
    WrongSize.ISize = Body.size() + 1;
    TGZipMemberFields OpenName = Member(Body);
    OpenName.FileName = "name";

    struct Case {
        const char* Name;
        QByteArray Input;
        qsizetype Decoded; // bytes of Body in the target afterwards
    };
    const Case Cases[] = {
        { "empty", QByteArray(), 0 },
        { "short header", Good.left(9), 0 },
        { "wrong ID1", Patched(0, '\x1E'), 0 },
        { "wrong ID2", Patched(1, '\x8C'), 0 },
        { "method not deflate", Patched(2, '\x07'), 0 },
        { "reserved bit 0x20", Patched(3, '\x20'), 0 },
        { "reserved bit 0x40", Patched(3, '\x40'), 0 },
        { "reserved bit 0x80", Patched(3, '\x80'), 0 },
        { "every flag bit", Patched(3, '\xFF'), 0 },
        { "header only", Good.left(10), 0 },
        { "extra length cut", Patched(3, '\x04').left(11), 0 },
        { "extra past the end", Patched(3, '\x04').left(10) + "\xFF\x7F" + Good.mid(10, 20), 0 },
        { "header ends inside the file name", GZipMember(OpenName).left(13), 0 },
        { "header CRC cut", Patched(3, '\x02').left(11), 0 },
        { "wrong CRC", GZipMember(WrongCRC), Body.size() },
        { "wrong ISIZE", GZipMember(WrongSize), Body.size() },
        { "short trailer", Good.left(Good.size() - 1), Body.size() },
        { "no trailer", Good.left(Good.size() - 8), Body.size() },
        { "truncated data", Good.left(Good.size() / 2), -1 },
    };
    for (const Case& C : Cases) {
        const TDecodeResult Result = DecodeMember(C.Input);
        EXPECT_EQ(Result.Error, zeDataError) << C.Name;
        if (C.Decoded >= 0)
            EXPECT_EQ(Result.Output.size(), C.Decoded) << C.Name;
        else
            EXPECT_TRUE(Result.Output.size() > 0 && Result.Output.size() < Body.size()) << C.Name;
        EXPECT_TRUE(Body.startsWith(Result.Output)) << C.Name;
    }
}

TEST(GZip, SkippingPastTheEndLeavesAWritableSourceAlone)
{
    QByteArray Input = GZip("x").left(10);
    Input[3] = '\x04';
    Input += "\xFF\x7F";
    QBuffer Source(&Input);
    Source.open(QIODevice::ReadWrite);
    QBuffer Target;
    Target.open(QIODevice::ReadWrite);
    EXPECT_THROW(GZipDecodeStream(Source, Target), EZDecompressionError);
    EXPECT_EQ(Input.size(), 12);
}

TEST(GZip, DecodedSizeLimitAppliesToTheMember)
{
    const QByteArray Bomb = GZip(QByteArray(4 << 20, 'a'));
    QBuffer Source;
    Source.setData(Bomb);
    Source.open(QIODevice::ReadOnly);
    QByteArray Output;
    QBuffer Target(&Output);
    Target.open(QIODevice::ReadWrite);
    EXPECT_THROW(GZipDecodeStream(Source, Target, 5000), EZDecodedSizeLimitError);
    EXPECT_EQ(Output, QByteArray(5000, 'a'));
}

TEST(GZip, LengthCheckIsModulo4GiB)
{
    constexpr qint64 Chunk = 1 << 20;
    constexpr int Chunks = 4097; // 4 GiB and 1 MiB: ISIZE holds 1 MiB
    QBuffer Source;
    Source.setData(RepeatedZeroMember(Chunks, Chunk));
    Source.open(QIODevice::ReadOnly);
    TZeroDevice Target;
    EXPECT_NO_THROW(GZipDecodeStream(Source, Target));
    EXPECT_EQ(Target.size(), Chunks * Chunk);
    EXPECT_EQ(Target.pos(), Chunks * Chunk);
}
