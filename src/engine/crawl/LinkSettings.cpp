#include "engine/crawl/LinkSettings.h"

#include "engine/crawl/DownloadProject.h"

#include "projects/WebsiteUnit.h"

#include <QDir>

namespace {

QString EnsureTrailing(const QString& Text, QChar C)
{
    return Text.isEmpty() || Text.endsWith(C) ? Text : Text + C;
}

} // namespace

TPageScan PageScanOf(const TLinkSettings& Settings)
{
    TPageScan Scan;
    Scan.CompletePages = Settings.CompletePages;
    Scan.RemoveScripts = Settings.RemoveScripts;
    Scan.RemoveNoscripts = Settings.RemoveNoscripts;
    Scan.ScriptLinks = FollowsScriptLinks(Settings);
    return Scan;
}

TLinkSettings LinkSettingsOf(const TWebsiteProject& Project, const QString& OutDir)
{
    TLinkSettings Settings;
    Settings.WebsiteBase = WebsiteBaseOf(NormalizeWebsiteURL(Project.WebsiteURL()));
    Settings.RemoveScripts = Project.RemoveScripts();
    Settings.RemoveNoscripts = Project.RemoveNoscripts();
    Settings.RelativePathLinks = Project.RelativePathLinks();
    Settings.CompletePages = Project.CompletePages();
    Settings.TargetBase = EnsureTrailing(
        QString(Project.BaseURL()).replace(QLatin1Char('\\'), QLatin1Char('/')), QLatin1Char('/'));
    Settings.IndexName = Project.IndexFile().isEmpty() ? QStringLiteral("index.html") : Project.IndexFile();
    Settings.OutFolder = EnsureTrailing(OutDir, QDir::separator());
    Settings.DownloadRules = &Project.DownloadRules();
    Settings.DomainAliases = &Project.WebsiteDomainAliases();
    Settings.SuppressURLs = &Project.SuppressURLs();
    Settings.SiteFileNames = Project.SiteFileNames();
    return Settings;
}
