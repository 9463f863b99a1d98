#include "ui/DesktopShell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>

namespace {
TDesktopShellHooks& ShellHooks()
{
    static TDesktopShellHooks Hooks;
    return Hooks;
}
} // namespace

TDesktopShellHooks SetDesktopShellHooks(TDesktopShellHooks Hooks)
{
    std::swap(ShellHooks(), Hooks);
    return Hooks;
}

void OpenWebPage(const QUrl& Url)
{
    if (ShellHooks().OpenUrl)
        ShellHooks().OpenUrl(Url);
    else
        QDesktopServices::openUrl(Url);
}

namespace {
// Folders typed with backslashes name the same folders on every platform.
QString NativeFolder(const QString& Path)
{
    QString Result = Path;
    Result.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QDir::toNativeSeparators(Result);
}
} // namespace

void ExploreFolder(const QString& Path)
{
    if (!Path.isEmpty())
        OpenWebPage(QUrl::fromLocalFile(NativeFolder(Path)));
}

QString BrowseForFolder(QWidget* Owner, const QString& StartFolder)
{
    const QString Start = NativeFolder(StartFolder);
    if (ShellHooks().BrowseFolder)
        return ShellHooks().BrowseFolder(Owner, Start);
    return QDir::toNativeSeparators(QFileDialog::getExistingDirectory(Owner, QString(), Start));
}

QString ExpandOutputFolderTags(const QString& Folder, const QString& OutDir, const QString& ProjectName)
{
    QString Result = Folder;
    Result.replace(QStringLiteral("{OutDir}"), OutDir, Qt::CaseInsensitive);
    Result.replace(QStringLiteral("{ProjectName}"), ProjectName, Qt::CaseInsensitive);
    return Result;
}
