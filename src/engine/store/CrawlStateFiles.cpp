#include "engine/store/CrawlStateFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace {

const QLatin1String StoreEnding(".sqlite");
const QLatin1String DamagedEnding(".damaged");
// The files SQLite keeps beside a database in WAL mode.
const char* const JournalEndings[] = { "-wal", "-shm" };

// The site's host as a file name: lower case, nothing a file system or shell
// treats specially.
QString HostFileName(const QString& WebsiteURL)
{
    QString Host = QUrl(WebsiteURL).host().toLower();
    if (Host.isEmpty())
        return QStringLiteral("site");
    for (QChar& C : Host) {
        const bool Kept = (C >= u'a' && C <= u'z') || (C >= u'0' && C <= u'9') || C == u'.' || C == u'-';
        if (!Kept)
            C = u'_';
    }
    return Host;
}

// Removes the file Path if it is there; raises EStateError when it stays.
void RemoveFile(const QString& Path)
{
    QFile File(Path);
    if (!File.exists() && !QFileInfo(Path).isSymLink())
        return;
    if (!File.remove())
        throw EStateError(QStringLiteral("Saved crawl state file \"%1\" cannot be deleted: %2")
                              .arg(Path, File.errorString()));
}

} // namespace

QString CrawlStateKey(const QString& WebsiteURL, const QString& OutputFolder)
{
    return WebsiteURL + u'\n' + QDir::cleanPath(QFileInfo(OutputFolder).absoluteFilePath());
}

QString CrawlStatePath(const QString& StateFolder, const QString& WebsiteURL, const QString& OutputFolder)
{
    const QByteArray Digest = QCryptographicHash::hash(
        CrawlStateKey(WebsiteURL, OutputFolder).toUtf8(), QCryptographicHash::Sha256);
    const QString Name = HostFileName(WebsiteURL) + u'-' + QString::fromLatin1(Digest.toHex().left(16));
    return QDir(StateFolder).filePath(Name + StoreEnding);
}

QString PartsFolderOf(const QString& StorePath)
{
    QString Base = StorePath;
    if (Base.endsWith(StoreEnding))
        Base.chop(StoreEnding.size());
    return Base + QStringLiteral(".parts");
}

bool ForgetCrawlState(const QString& StorePath)
{
    const bool Existed = QFileInfo::exists(StorePath);
    for (const QString& Database : { StorePath, StorePath + DamagedEnding }) {
        RemoveFile(Database);
        for (const char* Ending : JournalEndings)
            RemoveFile(Database + QLatin1String(Ending));
    }
    // A link in the parts folder's place goes, not what it points to.
    const QString Parts = PartsFolderOf(StorePath);
    const QFileInfo PartsInfo(Parts);
    if (PartsInfo.isSymLink() || PartsInfo.isFile())
        RemoveFile(Parts);
    else if (PartsInfo.isDir() && !QDir(Parts).removeRecursively())
        throw EStateError(QStringLiteral("The partial downloads in \"%1\" cannot all be deleted").arg(Parts));
    return Existed;
}

QString SetAsideCrawlState(const QString& Path, const QString& Reason)
{
    const QString Damaged = Path + DamagedEnding;
    RemoveFile(Damaged);
    if (!QFile::rename(Path, Damaged))
        throw EStateError(QStringLiteral("it cannot be used (%1) nor renamed").arg(Reason));
    for (const char* Ending : JournalEndings) {
        RemoveFile(Damaged + QLatin1String(Ending));
        if (QFileInfo::exists(Path + QLatin1String(Ending))
            && !QFile::rename(Path + QLatin1String(Ending), Damaged + QLatin1String(Ending)))
            RemoveFile(Path + QLatin1String(Ending));
    }
    return Damaged;
}
