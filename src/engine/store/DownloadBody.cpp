#include "engine/store/DownloadBody.h"

#include "engine/store/FileReplace.h"

#include "http/RequestLimits.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool TMemoryBudget::Take(qint64 Bytes)
{
    if (FUsed.fetch_add(Bytes) + Bytes <= FLimit)
        return true;
    FUsed -= Bytes;
    return false;
}

TDownloadBody::TDownloadBody(TOptions Options, std::function<bool()> KeepInMemory)
    : FOptions(std::move(Options))
    , FKeepInMemory(std::move(KeepInMemory))
{
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

TDownloadBody::~TDownloadBody()
{
    ReleaseBytes();
    ClosePart();
}

void TDownloadBody::ReleaseBytes()
{
    if (FOptions.Budget)
        FOptions.Budget->Give(FBudgeted);
    FBudgeted = 0;
    FBytes = QByteArray();
}

const QByteArray& TDownloadBody::Bytes()
{
    if (FSpilled && FFile) {
        FFile->seek(0);
        FBytes = FFile->readAll();
        FFile.reset();
    }
    return FBytes;
}

void TDownloadBody::Spill()
{
    StartFile();
    WriteAllTo(*FOptions.Env, FFile->handle(), FBytes.constData(), FBytes.size(), FOptions.FileName);
    ReleaseBytes();
    FSpilled = true;
}

void TDownloadBody::Clear(qint64 ResumeOffset)
{
    FMode = TMode::Undecided;
    FSize = 0;
    ReleaseBytes();
    FSpilled = false;
    FFile.reset();
    ClosePart();
    FResumeOffset = ResumeOffset;
    FHash.reset();
    ClearFailure();
}

qint64 TDownloadBody::PartSize() const
{
    return FOptions.PartFile.isEmpty() ? 0 : QFileInfo(FOptions.PartFile).size();
}

void TDownloadBody::ClosePart()
{
    if (FPartHandle >= 0)
        ::close(FPartHandle);
    FPartHandle = -1;
}

void TDownloadBody::StartFile()
{
    if (const int Error = MakeFolders(*FOptions.Env, FOptions.TempFolder))
        std::rethrow_exception(FolderError(FOptions.TempFolder, Error));
    FFile = std::make_unique<QTemporaryFile>(FOptions.TempFolder + QStringLiteral("/.harvo-XXXXXX"));
    OpenTemporary(*FOptions.Env, *FFile, FOptions.FileName);
}

void TDownloadBody::StartPart()
{
    const qint64 Kept = FResumeOffset > 0 && FOptions.Resumes && FOptions.Resumes() ? FResumeOffset : 0;
    FPartHandle = ::open(
        QFile::encodeName(FOptions.PartFile).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    try {
        if (FPartHandle < 0)
            std::rethrow_exception(FileWriteError(FOptions.FileName, errno));
        KeepPartHead(Kept);
    } catch (...) {
        ClosePart();
        throw;
    }
    FSize = Kept;
    if (FOptions.OnPartStarted)
        FOptions.OnPartStarted();
}

void TDownloadBody::KeepPartHead(qint64 Kept)
{
    struct stat Info { };
    if (::fstat(FPartHandle, &Info) != 0)
        std::rethrow_exception(FileWriteError(FOptions.FileName, errno));
    // A part shorter than the range asked for would leave a hole in the file.
    if (Info.st_size < Kept)
        throw EFileError(QStringLiteral("Cannot resume file \"%1\": %2 bytes were kept, %3 asked for")
                             .arg(FOptions.FileName)
                             .arg(Info.st_size)
                             .arg(Kept));
    if (::ftruncate(FPartHandle, Kept) != 0)
        std::rethrow_exception(FileWriteError(FOptions.FileName, errno));
    if (!FOptions.Digest || Kept == 0)
        return;
    QFile Head(FOptions.PartFile);
    if (!Head.open(QIODevice::ReadOnly) || !FHash.addData(&Head))
        throw EFileError(
            QStringLiteral("Cannot read file \"%1\". %2").arg(FOptions.PartFile, Head.errorString()));
}

void TDownloadBody::StartFileBody()
{
    if (FOptions.PartFile.isEmpty())
        StartFile();
    else
        StartPart();
}

qint64 TDownloadBody::writeData(const char* Data, qint64 Size)
{
    if (FMode == TMode::Undecided)
        FMode = FOptions.Discard ? TMode::Discard : FKeepInMemory() ? TMode::Memory : TMode::File;
    try {
        switch (FMode) {
        case TMode::Memory:
            if (const std::exception_ptr TooLarge = BodySizeFailure(FSize + Size, FOptions.MemoryLimit))
                std::rethrow_exception(TooLarge);
            if (!FSpilled && FOptions.Budget && !FOptions.Budget->Take(Size))
                Spill();
            if (FSpilled) {
                WriteAllTo(*FOptions.Env, FFile->handle(), Data, Size, FOptions.FileName);
            } else {
                FBytes.append(Data, Size);
                FBudgeted += FOptions.Budget ? Size : 0;
            }
            break;
        case TMode::File:
            if (!FFile && FPartHandle < 0)
                StartFileBody();
            WriteAllTo(*FOptions.Env, FileHandle(), Data, Size, FOptions.FileName);
            if (FOptions.Digest)
                FHash.addData(QByteArrayView(Data, Size));
            break;
        default:
            break;
        }
    } catch (...) {
        return Fail(std::current_exception());
    }
    FSize += Size;
    return Size;
}

void TDownloadBody::MoveTo(const QString& FilePath)
{
    if (!FFile && FPartHandle < 0)
        StartFileBody();
    if (FPartHandle >= 0) {
        // Open until it is published, so that a failure keeps it as it is.
        PublishReplacing(*FOptions.Env, FOptions.PartFile, FilePath);
        ClosePart();
        return;
    }
    PublishReplacing(*FOptions.Env, *FFile, FilePath);
    FFile.reset();
}
