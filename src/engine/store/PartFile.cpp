#include "engine/store/PartFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

QString ValidatorsFileOf(const QString& PartFile)
{
    return PartFile + QStringLiteral(".validators");
}

} // namespace

QString PartFileFor(const QString& PartsFolder, const QString& URL)
{
    return QDir(PartsFolder)
        .filePath(
            QString::fromLatin1(QCryptographicHash::hash(URL.toUtf8(), QCryptographicHash::Sha1).toHex()));
}

void WritePartValidators(const QString& PartFile, const TPartValidators& Validators)
{
    QSaveFile File(ValidatorsFileOf(PartFile));
    if (!File.open(QIODevice::WriteOnly))
        return;
    File.write((Validators.ETag + QLatin1Char('\n') + Validators.LastModified + QLatin1Char('\n')).toUtf8());
    File.commit();
}

QString PartIfRange(const QString& PartFile)
{
    QFile File(ValidatorsFileOf(PartFile));
    if (!File.open(QIODevice::ReadOnly))
        return {};
    const QStringList Lines = QString::fromUtf8(File.read(4096)).split(QLatin1Char('\n'));
    const QString ETag = Lines.value(0).trimmed();
    // A weak tag may not name a byte range.
    if (!ETag.isEmpty() && !ETag.startsWith(QLatin1String("W/")))
        return ETag;
    return Lines.value(1).trimmed();
}

void RemovePart(const QString& PartFile)
{
    QFile::remove(PartFile);
    QFile::remove(ValidatorsFileOf(PartFile));
}
