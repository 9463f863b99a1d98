#include "support/GZipFixture.h"

namespace {

void AppendLittleEndian(QByteArray& Out, quint32 Value, int Bytes)
{
    for (int I = 0; I < Bytes; ++I)
        Out.append(static_cast<char>((Value >> (8 * I)) & 0xFF));
}

} // namespace

TDeflater::TDeflater(int WindowBits, const QByteArray& Dictionary)
{
    deflateInit2(&FStream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, WindowBits, 8, Z_DEFAULT_STRATEGY);
    if (!Dictionary.isEmpty())
        deflateSetDictionary(&FStream, reinterpret_cast<const Bytef*>(Dictionary.constData()),
            static_cast<uInt>(Dictionary.size()));
}

TDeflater::~TDeflater()
{
    deflateEnd(&FStream);
}

QByteArray TDeflater::Feed(const QByteArray& Data, int Flush)
{
    QByteArray Out;
    char Block[65536];
    FStream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Data.constData()));
    FStream.avail_in = static_cast<uInt>(Data.size());
    do {
        FStream.next_out = reinterpret_cast<Bytef*>(Block);
        FStream.avail_out = sizeof(Block);
        deflate(&FStream, Flush);
        Out.append(Block, static_cast<qsizetype>(sizeof(Block) - FStream.avail_out));
    } while (FStream.avail_out == 0);
    return Out;
}

QByteArray ZLibCompress(const QByteArray& Data)
{
    return TDeflater(MAX_WBITS).Feed(Data, Z_FINISH);
}

QByteArray RawDeflate(const QByteArray& Data)
{
    return TDeflater(-MAX_WBITS).Feed(Data, Z_FINISH);
}

QByteArray GZipMember(const TGZipMemberFields& Fields)
{
    quint8 Flags = Fields.ExtraFlags;
    if (Fields.HeaderCRC)
        Flags |= 0x02;
    if (Fields.Extra)
        Flags |= 0x04;
    if (Fields.FileName)
        Flags |= 0x08;
    if (Fields.Comment)
        Flags |= 0x10;

    QByteArray Out("\x1F\x8B\x08", 3);
    Out.append(static_cast<char>(Flags));
    AppendLittleEndian(Out, Fields.ModificationTime, 4);
    Out.append("\x00\x03", 2); // XFL, OS
    if (Fields.Extra) {
        AppendLittleEndian(Out, static_cast<quint32>(Fields.Extra->size()), 2);
        Out.append(*Fields.Extra);
    }
    if (Fields.FileName)
        Out.append(*Fields.FileName).append('\0');
    if (Fields.Comment)
        Out.append(*Fields.Comment).append('\0');
    if (Fields.HeaderCRC)
        Out.append("\xDE\xAD"); // not the real CRC: the decoder skips it unchecked
    Out.append(Fields.Deflated ? *Fields.Deflated : RawDeflate(Fields.Data));
    const auto DataCRC = static_cast<quint32>(crc32(
        0, reinterpret_cast<const Bytef*>(Fields.Data.constData()), static_cast<uInt>(Fields.Data.size())));
    AppendLittleEndian(Out, Fields.CRC.value_or(DataCRC), 4);
    AppendLittleEndian(Out, Fields.ISize.value_or(static_cast<quint32>(Fields.Data.size())), 4);
    return Out;
}

QByteArray GZip(const QByteArray& Data)
{
    TGZipMemberFields Fields;
    Fields.Data = Data;
    return GZipMember(Fields);
}

QByteArray SampleBody(int Size)
{
    static const char* const Words[]
        = { "<p>", "harvo ", "grabber ", "copies ", "sites ", "</p>\n", "42 ", "zlib " };
    QByteArray Out;
    Out.reserve(Size + 16);
    quint32 State = 12345;
    while (Out.size() < Size) {
        State = State * 1103515245u + 12345u;
        Out.append(Words[(State >> 16) % 8]);
        if ((State >> 8) % 5 == 0)
            Out.append(static_cast<char>(State >> 24));
    }
    Out.truncate(Size);
    return Out;
}
