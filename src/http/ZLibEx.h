#pragma once

#include "containers/Exception.h"

#include <QIODevice>
#include <limits>

// zlib result codes named by their meaning.
enum TZError {
    zeError = -1,
    zeStreamError = -2,
    zeDataError = -3,
    zeMemoryError = -4,
    zeBufferError = -5,
    zeVersionError = -6,
};

// A zlib result code with its text ("Data error" for -3).
class EZLibError : public Exception {
public:
    explicit EZLibError(int ACode);

    QString ClassName() const override { return QStringLiteral("EZLibError"); }
    int ErrorCode() const { return FErrorCode; }

protected:
    EZLibError(int ACode, const QString& AMessage)
        : Exception(AMessage)
        , FErrorCode(ACode)
    {
    }

private:
    int FErrorCode;
};

// Every failure of the decoder.
HARVO_DECLARE_EXCEPTION(EZDecompressionError, EZLibError)

// Decoded data that would grow past the caller's limit; the limit's worth of
// bytes has been written.
class EZDecodedSizeLimitError : public EZDecompressionError {
public:
    explicit EZDecodedSizeLimitError(qint64 ALimit);
    QString ClassName() const override { return QStringLiteral("EZDecodedSizeLimitError"); }
};

constexpr qint64 NoDecodedSizeLimit = std::numeric_limits<qint64>::max();

// Decodes zlib-wrapped deflate data from ASource's position into ATarget.
// Stops without error where the source ends early; leaves the source just
// after the compressed data when there is more.
void InflateStream(QIODevice& ASource, QIODevice& ATarget, qint64 AMaxDecodedSize = NoDecodedSizeLimit);

// The same with zlib's window-bits value (-15 is raw deflate), returning the
// CRC-32 of the bytes it wrote.
quint32 InflateRawStreamCRC32(
    QIODevice& ASource, QIODevice& ATarget, int AWindowBits, qint64 AMaxDecodedSize = NoDecodedSizeLimit);
