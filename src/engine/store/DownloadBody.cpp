#include "engine/store/DownloadBody.h"

#include "engine/store/FileReplace.h"

#include "http/RequestLimits.h"

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

void TDownloadBody::Clear()
{
    FMode = TMode::Undecided;
    FSize = 0;
    ReleaseBytes();
    FSpilled = false;
    FFile.reset();
    FHash.reset();
    ClearFailure();
}

void TDownloadBody::StartFile()
{
    if (const int Error = MakeFolders(*FOptions.Env, FOptions.TempFolder))
        std::rethrow_exception(FolderError(FOptions.TempFolder, Error));
    FFile = std::make_unique<QTemporaryFile>(FOptions.TempFolder + QStringLiteral("/.harvo-XXXXXX"));
    OpenTemporary(*FOptions.Env, *FFile, FOptions.FileName);
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
            if (!FFile)
                StartFile();
            WriteAllTo(*FOptions.Env, FFile->handle(), Data, Size, FOptions.FileName);
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
    PublishReplacing(*FOptions.Env, *FFile, FilePath);
    FFile.reset();
}
