#pragma once

#include <QByteArray>
#include <QString>
#include <zlib.h>

// Compresses bodies as qCompress does (the length, big-endian, then a zlib
// stream), so that qUncompress reads them back, with one zlib state for the
// store's life: making a fresh one for each body costs more than the body.
class TBodyCompressor {
public:
    TBodyCompressor();
    ~TBodyCompressor();
    TBodyCompressor(const TBodyCompressor&) = delete;
    TBodyCompressor& operator=(const TBodyCompressor&) = delete;

    // Raises EStateError, naming URL, for a body it cannot take.
    QByteArray Compress(const QByteArray& Body, const QString& URL);

private:
    z_stream FStream {};
};
