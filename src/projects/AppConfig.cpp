#include "AppConfig.h"

#include "uAppSettings.h"

#include <QFileInfo>

namespace {

const QString ConfigFileName = QStringLiteral("hrv.ini");
const QString ProjectsPrefix = QStringLiteral("HrvProjects");
const QString GroupFilterName = QStringLiteral("GroupFilter");
const QString OutDirName = QStringLiteral("OutDir");

} // namespace

TAppConfig::TAppConfig(QStringList Arguments, QString ProgramDir)
    : FLocation(std::move(Arguments), std::move(ProgramDir))
{
}

QString TAppConfig::GetConfigPath(bool Migrate)
{
    const QString Folder
        = FLocation.GetAppDataDir(QStringLiteral("Harvo"), Migrate ? ConfigFileName : QString());
    return FLocation.GetAppConfigPath(ConfigFileName, Folder);
}

TConfigExtras TAppConfig::LoadConfig(TWebsiteProjectList& Projects)
{
    TConfigExtras Extras;
    const QString Path = GetConfigPath(true);
    if (!QFileInfo::exists(Path))
        return Extras;
    TAppSettings Settings;
    try {
        Settings.LoadFromFile(Path);
    } catch (const Exception&) {
        FSaveAllowed = false;
        throw;
    }
    const TStrings& Lines = Settings.Strings();
    Projects.LoadFromList(Lines, ProjectsPrefix);

    TStringList Groups;
    Groups.SetDuplicates(dupIgnore);
    Groups.SetSorted(true);
    Projects.FillListOfGroups(Groups);
    Extras.Groups.append(Groups.ToQStringList());

    const QString GroupFilter = Lines.Values(GroupFilterName);
    for (int I = 0; I < Extras.Groups.size(); ++I) {
        if (Extras.Groups[I].compare(GroupFilter, Qt::CaseInsensitive) == 0) {
            Extras.GroupIndex = I;
            break;
        }
    }
    Extras.OutDir = Lines.Values(OutDirName);
    return Extras;
}

bool TAppConfig::SaveConfig(
    const TWebsiteProjectList& Projects, const QString& GroupFilter, const QString& OutDir)
{
    if (!FSaveAllowed)
        return false;
    const QString Path = GetConfigPath(false);
    TAppSettings Settings;
    TStrings& Lines = Settings.Strings();
    Projects.SaveToList(Lines, ProjectsPrefix);
    Lines.SetValues(GroupFilterName, GroupFilter);
    Lines.SetValues(OutDirName, OutDir);
    Settings.SaveToFile(Path);
    return true;
}
