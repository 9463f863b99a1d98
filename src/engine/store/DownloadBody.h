#pragma once

#include "engine/store/Environment.h"

#include "http/BodyTarget.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QString>
#include <QTemporaryFile>
#include <atomic>
#include <functional>
#include <memory>

// Bytes that the bodies of a crawl may hold in memory together, so that
// pages fetched ahead of their turn cannot add up past a bound.
class TMemoryBudget {
public:
    explicit TMemoryBudget(qint64 Limit)
        : FLimit(Limit)
    {
    }
    // False, taking nothing, when Bytes more would go past the limit.
    bool Take(qint64 Bytes);
    void Give(qint64 Bytes) { FUsed -= Bytes; }
    qint64 Used() const { return FUsed; }

private:
    const qint64 FLimit;
    std::atomic<qint64> FUsed { 0 };
};

// Where a reply body goes while it downloads. Pages and style sheets stay in
// memory, since they are rewritten before they are saved (up to MemoryLimit
// bytes); any other body goes to a temporary file in TempFolder as it
// arrives, its MD5 computed on the way when asked, so memory does not grow with the
// file; a body that will not be saved is only counted. KeepInMemory tells,
// at the first byte, whether the reply is one to rewrite. A page that the
// memory budget has no room for waits in a temporary file instead and is
// read back when it is wanted. With a part file, a file body goes there
// instead and stays when the object goes (unless it was moved to its final
// name), so that a cut transfer can be continued by the next attempt or run.
class TDownloadBody : public TBodyTarget {
public:
    struct TOptions {
        QString TempFolder;
        QString FileName; // the file it is for, named in error messages
        qint64 MemoryLimit = 0;
        TMemoryBudget* Budget = nullptr; // none: no bound but MemoryLimit
        bool Digest = false; // a file gets its MD5 as it arrives
        bool Discard = false;
        TEnvironment* Env = &TEnvironment::System(); // for the file on disk
        // Where a file body goes, in a folder that exists; empty: a
        // temporary file. A page that waits on disk still uses a temporary file.
        QString PartFile;
        // Asked at a file body's first byte when the attempt asked to
        // resume: true when the reply continues the part file.
        std::function<bool()> Resumes;
        // Told once per attempt, on the thread that writes the body, when
        // its first byte goes to the part file.
        std::function<void()> OnPartStarted;
    };
    TDownloadBody(TOptions Options, std::function<bool()> KeepInMemory);
    ~TDownloadBody() override;

    // Drops what came so far, for another attempt (also before the first
    // one when it asks to resume). ResumeOffset is how many bytes of the
    // part file the request asks the server to skip: a reply that resumes
    // keeps them (and Size() counts them), any other starts the part file
    // over. The part file is left as it is until the reply's first byte.
    void Clear(qint64 ResumeOffset = 0);
    qint64 Size() const { return FSize; }
    // The bytes in the part file now, for the range of the next attempt.
    qint64 PartSize() const;
    bool InMemory() const { return FMode == TMode::Memory; }
    // The body of a page (empty for a file), read back if it had to wait
    // on disk.
    const QByteArray& Bytes();
    void ReleaseBytes();
    // The MD5 of the body held in a file (with Digest).
    QByteArray Md5() const { return FHash.result(); }
    // Gives the file (the part file, when there is one) its final name
    // FilePath, in place of any file there; a body with no bytes becomes an
    // empty file. Raises as PublishReplacing; both files stay whole then.
    void MoveTo(const QString& FilePath);

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* Data, qint64 Size) override;

private:
    enum class TMode { Undecided, Memory, File, Discard };
    void StartFile();
    // Opens the part file, kept up to the resume offset or cut to nothing.
    void StartPart();
    // Cuts the part file to its first Kept bytes, fed to the digest.
    void KeepPartHead(qint64 Kept);
    void StartFileBody();
    void ClosePart();
    int FileHandle() const { return FPartHandle >= 0 ? FPartHandle : FFile->handle(); }
    // Moves the page held so far to a temporary file.
    void Spill();

    TOptions FOptions;
    std::function<bool()> FKeepInMemory;
    TMode FMode = TMode::Undecided;
    qint64 FSize = 0;
    QByteArray FBytes;
    qint64 FBudgeted = 0; // of FBytes, taken from the budget
    bool FSpilled = false;
    std::unique_ptr<QTemporaryFile> FFile;
    qint64 FResumeOffset = 0;
    int FPartHandle = -1; // the part file, open while an attempt writes to it
    QCryptographicHash FHash { QCryptographicHash::Md5 };
};
