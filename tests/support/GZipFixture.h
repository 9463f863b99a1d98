#pragma once

#include <QByteArray>
#include <optional>

#include <zlib.h>

// One zlib deflate stream fed in pieces; each Feed returns what it produced.
class TDeflater {
public:
    explicit TDeflater(int WindowBits, const QByteArray& Dictionary = QByteArray());
    ~TDeflater();
    TDeflater(const TDeflater&) = delete;
    TDeflater& operator=(const TDeflater&) = delete;

    QByteArray Feed(const QByteArray& Data, int Flush);

private:
    z_stream FStream {};
};

// Compressed bodies made with zlib for the decoder tests.
QByteArray ZLibCompress(const QByteArray& Data);
QByteArray RawDeflate(const QByteArray& Data);

// One gzip member; the optional fields set their flag bits, and the checks
// can be overridden to make a broken trailer.
struct TGZipMemberFields {
    QByteArray Data;
    quint32 ModificationTime = 0;
    quint8 ExtraFlags = 0; // ORed into FLG, e.g. the text bit or reserved bits
    std::optional<QByteArray> Extra;
    std::optional<QByteArray> FileName;
    std::optional<QByteArray> Comment;
    bool HeaderCRC = false;
    std::optional<quint32> CRC;
    std::optional<quint32> ISize;
    std::optional<QByteArray> Deflated; // raw deflate data to use instead of Data's
};

QByteArray GZipMember(const TGZipMemberFields& Fields);
QByteArray GZip(const QByteArray& Data);

// Text-like bytes that compress well but not trivially, Size bytes long.
QByteArray SampleBody(int Size);
