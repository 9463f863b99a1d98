#pragma once

#include "http/BodyTarget.h"

#include <QString>
#include <functional>
#include <memory>

// Holds an encoded body until it is decoded: in memory while small, in a
// temporary file in SpillFolder beyond (the system's temporary folder when
// empty), and never more than Limit bytes, so a large compressed reply costs
// no memory and a hostile one no more than the disk the limit allows.
class TEncodedBodyBuffer : public TBodyTarget {
public:
    TEncodedBodyBuffer(qint64 Limit, const QString& SpillFolder);
    ~TEncodedBodyBuffer() override;
    // Empties the buffer for another attempt.
    void Clear();
    bool seek(qint64 Position) override;
    qint64 size() const override { return FSize; }

protected:
    qint64 readData(char* Data, qint64 MaxSize) override;
    qint64 writeData(const char* Data, qint64 Size) override;

private:
    qint64 FLimit;
    QString FSpillFolder;
    qint64 FSize = 0;
    std::unique_ptr<QIODevice> FStore;
};

// Takes a reply body as it arrives and sends it on: to Encoded when
// IsEncoded says (at the first byte) that it must be decoded first, else
// straight to Plain. A refused write keeps the reason of the device that
// refused it.
class TBodyRouter : public TBodyTarget {
public:
    TBodyRouter(QIODevice& Plain, TEncodedBodyBuffer* Encoded, std::function<bool()> IsEncoded);
    // True once a byte went to Encoded.
    bool Encoded() const { return FTarget && FTarget == FEncoded; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* Data, qint64 Size) override;

private:
    QIODevice& FPlain;
    TEncodedBodyBuffer* FEncoded;
    std::function<bool()> FIsEncoded;
    QIODevice* FTarget = nullptr;
};

// Passes every write on to Target and keeps the first Limit bytes in Head,
// so that a decoded body's start can be searched for its charset.
class THeadKeepingWriter : public QIODevice {
public:
    THeadKeepingWriter(QIODevice& Target, QByteArray& Head, qsizetype Limit);

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* Data, qint64 Size) override;

private:
    QIODevice& FTarget;
    QByteArray& FHead;
    qsizetype FLimit;
};
