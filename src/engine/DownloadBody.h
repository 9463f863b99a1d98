#pragma once

#include "http/BodyTarget.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QString>
#include <QTemporaryFile>
#include <functional>
#include <memory>

// Where a reply body goes while it downloads. Pages and style sheets stay in
// memory, since they are rewritten before they are saved (up to MemoryLimit
// bytes); any other body goes to a temporary file in TempFolder as it
// arrives, its MD5 computed on the way, so memory does not grow with the
// file; a body that will not be saved is only counted. KeepInMemory tells,
// at the first byte, whether the reply is one to rewrite.
class TDownloadBody : public TBodyTarget {
public:
    struct TOptions {
        QString TempFolder;
        QString FileName; // the file it is for, named in error messages
        qint64 MemoryLimit = 0;
        bool Discard = false;
    };
    TDownloadBody(TOptions Options, std::function<bool()> KeepInMemory);
    ~TDownloadBody() override;

    // Drops what came so far, for another attempt.
    void Clear();
    qint64 Size() const { return FSize; }
    bool InMemory() const { return FMode == TMode::Memory; }
    // The body held in memory (empty for a file).
    const QByteArray& Bytes() const { return FBytes; }
    void ReleaseBytes() { FBytes = QByteArray(); }
    // The MD5 of the body held in a file.
    QByteArray Md5() const { return FHash.result(); }
    // Gives the file its final name FilePath, in place of any file there.
    void MoveTo(const QString& FilePath);

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* Data, qint64 Size) override;

private:
    enum class TMode { Undecided, Memory, File, Discard };
    void StartFile();

    TOptions FOptions;
    std::function<bool()> FKeepInMemory;
    TMode FMode = TMode::Undecided;
    qint64 FSize = 0;
    QByteArray FBytes;
    std::unique_ptr<QTemporaryFile> FFile;
    QCryptographicHash FHash { QCryptographicHash::Md5 };
};
