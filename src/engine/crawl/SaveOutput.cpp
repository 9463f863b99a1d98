#include "engine/crawl/SaveOutput.h"

#include "engine/crawl/CrawlTally.h"
#include "engine/crawl/RunContext.h"
#include "engine/store/DownloadBody.h"
#include "engine/store/FileReplace.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

TOutputSaver::TOutputSaver(TOverwriteFile Policy, TCrawlTally& Tally, TRunContext& Run)
    : FPolicy(Policy)
    , FTally(Tally)
    , FRun(Run)
{
}

TSaved TOutputSaver::SaveBody(int Index, const QString& FilePath, TDownloadBody& Body)
{
    return Save(
        Index, FilePath, [&Body] { return Body.Md5(); }, [&Body](const QString& Path) { Body.MoveTo(Path); });
}

TSaved TOutputSaver::SaveContent(int Index, const QString& FilePath, const QByteArray& Content)
{
    return Save(
        Index, FilePath, [&Content] { return QCryptographicHash::hash(Content, QCryptographicHash::Md5); },
        [this, &Content](const QString& Path) { WriteFileReplacing(FRun.Env(), Path, Content); });
}

TSaved TOutputSaver::SaveUnchanged(
    int Index, const QString& FilePath, const QString& Unchanged, const QByteArray& Md5)
{
    if (FilePath == Unchanged) {
        // The store found the file as it left it: no need to read it.
        if (FPolicy == ofChanged) {
            FRun.Log(QStringLiteral("File does not changed: ") + FilePath);
            ++FTally.NotChanged;
            return TSaved::ThisRun;
        }
        return Save(
            Index, FilePath, [&Md5] { return Md5; }, [](const QString&) {});
    }
    return Save(
        Index, FilePath, [&Md5] { return Md5; },
        [this, &Unchanged](const QString& Path) { CopyFileReplacing(FRun.Env(), Unchanged, Path); });
}

TSaved TOutputSaver::Save(int Index, const QString& FilePath, const std::function<QByteArray()>& Md5,
    const std::function<void(const QString&)>& Write)
{
    if (QFileInfo(FilePath).isFile()) {
        if (FPolicy == ofChanged && !FileChanged(FilePath, Md5(), FRun)) {
            FRun.Log(QStringLiteral("File does not changed: ") + FilePath);
            ++FTally.NotChanged;
            return TSaved::ThisRun;
        }
        if (FPolicy == ofNone) {
            FRun.Log(QStringLiteral("File already exists: ") + FilePath);
            ++FTally.AlreadyExisted;
            return TSaved::Kept;
        }
    }
    FRun.Log(QStringLiteral("Saving: ") + FilePath);
    try {
        Write(FilePath);
        ++FTally.Downloaded;
        return TSaved::ThisRun;
    } catch (const EStorageFullError& E) {
        FTally.Fail(Index, ExceptionLogLine(E));
        FTally.EndForFullStorage(std::current_exception());
    } catch (const Exception& E) {
        FRun.LogException(E);
        FTally.Fail(Index, ExceptionLogLine(E));
    }
    return QFileInfo(FilePath).isFile() ? TSaved::Kept : TSaved::None;
}

bool FileChanged(const QString& FileName, const QByteArray& Md5, TRunContext& Run)
{
    const QFileInfo Info(FileName);
    if (Info.isSymLink() || !Info.isFile())
        return true;
    QFile File(FileName);
    if (!File.open(QIODevice::ReadOnly)) {
        Run.LogException(
            EFileError(QStringLiteral("Cannot open file \"%1\". %2").arg(FileName, File.errorString())));
        return true;
    }
    QCryptographicHash FileHash(QCryptographicHash::Md5);
    FileHash.addData(&File);
    return FileHash.result() != Md5;
}
