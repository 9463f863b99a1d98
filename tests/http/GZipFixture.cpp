#include "GZipFixture.h"

#include <zlib.h>

namespace {

QByteArray Deflate(const QByteArray& Data, int WindowBits)
{
    z_stream Stream {};
    deflateInit2(&Stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, WindowBits, 8, Z_DEFAULT_STRATEGY);
    QByteArray Out(static_cast<qsizetype>(deflateBound(&Stream, Data.size())), '\0');
    Stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Data.constData()));
    Stream.avail_in = static_cast<uInt>(Data.size());
    Stream.next_out = reinterpret_cast<Bytef*>(Out.data());
    Stream.avail_out = static_cast<uInt>(Out.size());
    deflate(&Stream, Z_FINISH);
    Out.truncate(static_cast<qsizetype>(Stream.total_out));
    deflateEnd(&Stream);
    return Out;
}

void AppendLittleEndian(QByteArray& Out, quint32 Value, int Bytes)
{
    for (int I = 0; I < Bytes; ++I)
        Out.append(static_cast<char>((Value >> (8 * I)) & 0xFF));
}

} // namespace

QByteArray ZLibCompress(const QByteArray& Data)
{
    return Deflate(Data, MAX_WBITS);
}

QByteArray RawDeflate(const QByteArray& Data)
{
    return Deflate(Data, -MAX_WBITS);
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
    Out.append(RawDeflate(Spec.Data));
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
