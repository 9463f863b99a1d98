#include "engine/store/FileReplace.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {

// Paths longer than this are shortened in the middle in error messages, so
// that the reason after them survives the log's cut of long error texts.
constexpr qsizetype MaxPathInMessage = 300;

QString ElidedPath(const QString& FilePath)
{
    if (FilePath.size() <= MaxPathInMessage)
        return FilePath;
    const qsizetype Half = MaxPathInMessage / 2;
    return FilePath.left(Half) + QStringLiteral("...") + FilePath.right(Half);
}

[[noreturn]] void Fail(const QString& FilePath, const QString& Reason)
{
    throw EFileError(QStringLiteral("Cannot create file \"%1\". %2").arg(ElidedPath(FilePath), Reason));
}

std::exception_ptr SystemError(const QString& What, const QString& Path, int ErrorCode)
{
    const QString Message
        = QStringLiteral("%1 \"%2\". %3")
              .arg(What, ElidedPath(Path), QString::fromLocal8Bit(std::strerror(ErrorCode)));
    if (IsStorageFull(ErrorCode))
        return std::make_exception_ptr(EStorageFullError(Message));
    return std::make_exception_ptr(EFileError(Message));
}

[[noreturn]] void FailWithErrno(const QString& FilePath, int ErrorCode)
{
    std::rethrow_exception(FileWriteError(FilePath, ErrorCode));
}

// A temporary file beside FilePath, with a short name of its own, so that a
// final name near the length limit still leaves room for it.
void OpenBeside(TEnvironment& Env, QTemporaryFile& Temp, const QString& FilePath)
{
    Temp.setFileTemplate(QFileInfo(FilePath).absolutePath() + QStringLiteral("/.harvo-XXXXXX"));
    OpenTemporary(Env, Temp, FilePath);
}

// Copies what Source holds from its current position to a file beside
// FilePath, which then goes over FilePath.
void CopyReplacing(TEnvironment& Env, QIODevice& Source, const QString& FilePath)
{
    QTemporaryFile Copy;
    OpenBeside(Env, Copy, FilePath);
    constexpr qint64 BlockSize = qint64(1) << 20;
    QByteArray Block(BlockSize, Qt::Uninitialized);
    qint64 Read;
    while ((Read = Source.read(Block.data(), BlockSize)) > 0)
        WriteAllTo(Env, Copy.handle(), Block.constData(), Read, FilePath);
    // A read that failed would publish the copy cut short.
    if (Read < 0)
        Fail(FilePath, Source.errorString());
    PublishReplacing(Env, Copy, FilePath);
}

// Gives Finished the name FilePath, or across file systems a copy of it
// read through Finished (which then goes).
void PublishFile(TEnvironment& Env, QFile& Finished, const QString& FilePath)
{
    Finished.setPermissions(
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    Finished.close();
    const int Error = Env.Rename(Finished.fileName(), FilePath);
    if (Error == 0)
        return;
    if (Error != EXDEV)
        FailWithErrno(FilePath, Error);
    // FilePath lies on another file system: a copy beside it goes over it.
    if (!Finished.open(QIODevice::ReadOnly))
        Fail(FilePath, Finished.errorString());
    CopyReplacing(Env, Finished, FilePath);
    Finished.remove();
}

} // namespace

bool IsStorageFull(int ErrorCode)
{
    return ErrorCode == ENOSPC || ErrorCode == EFBIG || ErrorCode == EDQUOT || ErrorCode == EIO;
}

std::exception_ptr FileWriteError(const QString& FilePath, int ErrorCode)
{
    return SystemError(QStringLiteral("Cannot create file"), FilePath, ErrorCode);
}

std::exception_ptr FolderError(const QString& Folder, int ErrorCode)
{
    return SystemError(QStringLiteral("Cannot create directory"), Folder, ErrorCode);
}

int MakeFolders(TEnvironment& Env, const QString& Folder)
{
    const QString Path = QDir::cleanPath(Folder);
    for (qsizetype Slash = Path.indexOf(u'/', 1);; Slash = Path.indexOf(u'/', Slash + 1)) {
        const int Error = Env.MakeFolder(Slash < 0 ? Path : Path.left(Slash));
        if (Error != 0 && Error != EEXIST)
            return Error;
        if (Slash < 0)
            break;
    }
    struct stat Info { };
    if (::stat(QFile::encodeName(Path).constData(), &Info) != 0)
        return errno;
    return S_ISDIR(Info.st_mode) ? 0 : ENOTDIR;
}

void OpenTemporary(TEnvironment& Env, QTemporaryFile& Temp, const QString& FilePath)
{
    // No inode left is as full as no block left: the run ends there too.
    if (const int Error = Env.OpenTemporary(Temp))
        FailWithErrno(FilePath, Error);
}

void WriteAllTo(TEnvironment& Env, int Handle, const char* Data, qint64 Size, const QString& FilePath)
{
    if (const int Error = Env.Write(Handle, Data, Size))
        FailWithErrno(FilePath, Error);
}

void WriteFileReplacing(TEnvironment& Env, const QString& FilePath, const QByteArray& Content)
{
    QTemporaryFile Temp;
    OpenBeside(Env, Temp, FilePath);
    WriteAllTo(Env, Temp.handle(), Content.constData(), Content.size(), FilePath);
    PublishReplacing(Env, Temp, FilePath);
}

void PublishReplacing(TEnvironment& Env, QTemporaryFile& Temp, const QString& FilePath)
{
    PublishFile(Env, Temp, FilePath);
    Temp.setAutoRemove(false);
}

void PublishReplacing(TEnvironment& Env, const QString& From, const QString& FilePath)
{
    QFile Finished(From);
    PublishFile(Env, Finished, FilePath);
}

void CopyFileReplacing(TEnvironment& Env, const QString& Source, const QString& FilePath)
{
    QFile From(Source);
    if (!From.open(QIODevice::ReadOnly))
        Fail(FilePath, From.errorString());
    CopyReplacing(Env, From, FilePath);
}
