#pragma once

#include <QString>
#include <QUrl>
#include <functional>

class QWidget;

// The desktop's file manager, folder browser and web browser. Tests replace
// them through the hooks so that nothing leaves the process.
struct TDesktopShellHooks {
    std::function<void(const QUrl& Url)> OpenUrl;
    std::function<QString(QWidget* Owner, const QString& StartFolder)> BrowseFolder;
};

// Installs Hooks (empty members restore the desktop's own behaviour);
// returns the hooks that were in place.
TDesktopShellHooks SetDesktopShellHooks(TDesktopShellHooks Hooks);

// Shows a folder in the file manager; an empty path does nothing.
void ExploreFolder(const QString& Path);
void OpenWebPage(const QUrl& Url);
// The folder browser starting at StartFolder; empty when the user cancels.
QString BrowseForFolder(QWidget* Owner, const QString& StartFolder);
