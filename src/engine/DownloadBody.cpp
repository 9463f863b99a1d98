#include "DownloadBody.h"

#include "FileReplace.h"

#include "http/HTTPErrors.h"

TDownloadBody::TDownloadBody(TOptions Options, std::function<bool()> KeepInMemory)
    : FOptions(std::move(Options))
    , FKeepInMemory(std::move(KeepInMemory))
{
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

TDownloadBody::~TDownloadBody() = default;

void TDownloadBody::Clear()
{
    FMode = TMode::Undecided;
    FSize = 0;
    FBytes = QByteArray();
    FFile.reset();
    FHash.reset();
    ClearFailure();
}

void TDownloadBody::StartFile()
{
    if (const int Error = MakeFolders(FOptions.TempFolder))
        std::rethrow_exception(FolderError(FOptions.TempFolder, Error));
    FFile = std::make_unique<QTemporaryFile>(FOptions.TempFolder + QStringLiteral("/.harvo-XXXXXX"));
    if (!FFile->open())
        throw EFileError(
            QStringLiteral("Cannot create file \"%1\". %2").arg(FOptions.FileName, FFile->errorString()));
}

qint64 TDownloadBody::writeData(const char* Data, qint64 Size)
{
    if (FMode == TMode::Undecided)
        FMode = FOptions.Discard ? TMode::Discard : FKeepInMemory() ? TMode::Memory : TMode::File;
    try {
        switch (FMode) {
        case TMode::Memory:
            if (FSize + Size > FOptions.MemoryLimit)
                throw EResponseLimitError(
                    QStringLiteral("The body exceeds the limit of %1 bytes").arg(FOptions.MemoryLimit));
            FBytes.append(Data, Size);
            break;
        case TMode::File:
            if (!FFile)
                StartFile();
            WriteAllTo(FFile->handle(), Data, Size, FOptions.FileName);
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
    FFile->setPermissions(
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    FFile->close();
    FFile->setAutoRemove(false);
    const QString TempPath = FFile->fileName();
    FFile.reset();
    MoveFileReplacing(TempPath, FilePath);
}
