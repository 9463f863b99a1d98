#include "FileReplace.h"

#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

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

} // namespace

void WriteFileReplacing(const QString& FilePath, const QByteArray& Content)
{
    // A short name of its own, so that a final name near the length limit
    // still leaves room for the temporary one.
    QTemporaryFile Temp(QFileInfo(FilePath).absolutePath() + QStringLiteral("/.harvo-XXXXXX"));
    if (!Temp.open())
        Fail(FilePath, Temp.errorString());
    if (Temp.write(Content) != Content.size() || !Temp.flush())
        Fail(FilePath, Temp.errorString());
    Temp.setPermissions(
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    Temp.close();
    if (std::rename(QFile::encodeName(Temp.fileName()).constData(), QFile::encodeName(FilePath).constData())
        != 0)
        Fail(FilePath, QString::fromLocal8Bit(std::strerror(errno)));
    Temp.setAutoRemove(false);
}
