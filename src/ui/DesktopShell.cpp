#include "ui/DesktopShell.h"

#include "engine/page/URLUtils.h"

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

void ExploreFolder(const QString& Path)
{
    if (!Path.isEmpty())
        OpenWebPage(QUrl::fromLocalFile(ToNativeSeparators(Path)));
}

QString BrowseForFolder(QWidget* Owner, const QString& StartFolder)
{
    const QString Start = ToNativeSeparators(StartFolder);
    if (ShellHooks().BrowseFolder)
        return ShellHooks().BrowseFolder(Owner, Start);
    return QDir::toNativeSeparators(QFileDialog::getExistingDirectory(Owner, QString(), Start));
}
