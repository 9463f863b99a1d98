#pragma once

#include <QByteArray>
#include <optional>

// Compressed bodies made with zlib for the decoder tests.
QByteArray ZLibCompress(const QByteArray& Data);
QByteArray RawDeflate(const QByteArray& Data);

// One gzip member; the optional fields set their flag bits, and the checks
// can be overridden to make a broken trailer.
struct TGZipMemberSpec {
    QByteArray Data;
    quint32 ModificationTime = 0;
    quint8 ExtraFlags = 0; // ORed into FLG, e.g. the text bit or reserved bits
    std::optional<QByteArray> Extra;
    std::optional<QByteArray> FileName;
    std::optional<QByteArray> Comment;
    bool HeaderCRC = false;
    std::optional<quint32> CRC;
    std::optional<quint32> ISize;
};

QByteArray GZipMember(const TGZipMemberSpec& Spec);
QByteArray GZip(const QByteArray& Data);

// Text-like bytes that compress well but not trivially, Size bytes long.
QByteArray SampleBody(int Size);
