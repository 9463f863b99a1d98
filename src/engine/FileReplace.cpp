#include "FileReplace.h"

#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

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

[[noreturn]] void FailWithErrno(const QString& FilePath, int ErrorCode)
{
    const QString Message = QStringLiteral("Cannot create file \"%1\". %2")
                                .arg(ElidedPath(FilePath), QString::fromLocal8Bit(std::strerror(ErrorCode)));
    if (ErrorCode == ENOSPC || ErrorCode == EFBIG || ErrorCode == EDQUOT || ErrorCode == EIO)
        throw EStorageFullError(Message);
    throw EFileError(Message);
}

// Writes every byte straight to the descriptor, so that the system's reason
// for a short write is seen here and not lost in a buffered flush.
void WriteAll(int Handle, const QByteArray& Content, const QString& FilePath)
{
    const char* Data = Content.constData();
    qsizetype Left = Content.size();
    while (Left > 0) {
        const ssize_t Written = ::write(Handle, Data, static_cast<size_t>(Left));
        if (Written < 0 && errno == EINTR)
            continue;
        if (Written <= 0)
            FailWithErrno(FilePath, Written < 0 ? errno : ENOSPC);
        Data += Written;
        Left -= Written;
    }
}

} // namespace

void WriteFileReplacing(const QString& FilePath, const QByteArray& Content)
{
    // A short name of its own, so that a final name near the length limit
    // still leaves room for the temporary one.
    QTemporaryFile Temp(QFileInfo(FilePath).absolutePath() + QStringLiteral("/.harvo-XXXXXX"));
    if (!Temp.open())
        Fail(FilePath, Temp.errorString());
    WriteAll(Temp.handle(), Content, FilePath);
    Temp.setPermissions(
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    Temp.close();
    if (std::rename(QFile::encodeName(Temp.fileName()).constData(), QFile::encodeName(FilePath).constData())
        != 0)
        FailWithErrno(FilePath, errno);
    Temp.setAutoRemove(false);
}
