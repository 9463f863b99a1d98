#include "GZipFixture.h"

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

QByteArray GZipMember(const TGZipMemberSpec& Spec)
{
    quint8 Flags = Spec.ExtraFlags;
    if (Spec.HeaderCRC)
        Flags |= 0x02;
    if (Spec.Extra)
        Flags |= 0x04;
    if (Spec.FileName)
        Flags |= 0x08;
    if (Spec.Comment)
        Flags |= 0x10;

    QByteArray Out("\x1F\x8B\x08", 3);
    Out.append(static_cast<char>(Flags));
    AppendLittleEndian(Out, Spec.ModificationTime, 4);
    Out.append("\x00\x03", 2); // XFL, OS
    if (Spec.Extra) {
        AppendLittleEndian(Out, static_cast<quint32>(Spec.Extra->size()), 2);
        Out.append(*Spec.Extra);
    }
    if (Spec.FileName)
        Out.append(*Spec.FileName).append('\0');
    if (Spec.Comment)
        Out.append(*Spec.Comment).append('\0');
    if (Spec.HeaderCRC)
        Out.append("\xDE\xAD"); // not the real CRC: the decoder skips it unchecked
    Out.append(Spec.Deflated ? *Spec.Deflated : RawDeflate(Spec.Data));
    const auto DataCRC = static_cast<quint32>(
        crc32(0, reinterpret_cast<const Bytef*>(Spec.Data.constData()), static_cast<uInt>(Spec.Data.size())));
    AppendLittleEndian(Out, Spec.CRC.value_or(DataCRC), 4);
    AppendLittleEndian(Out, Spec.ISize.value_or(static_cast<quint32>(Spec.Data.size())), 4);
    return Out;
}

QByteArray GZip(const QByteArray& Data)
{
    TGZipMemberSpec Spec;
    Spec.Data = Data;
    return GZipMember(Spec);
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
