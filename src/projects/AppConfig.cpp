#include "AppConfig.h"

#include "uAppSettings.h"

#include <QFileInfo>

namespace {

const QString ConfigFileName = QStringLiteral("hrv.ini");
const QString ProjectsPrefix = QStringLiteral("HrvProjects");
const QString GroupFilterName = QStringLiteral("GroupFilter");
const QString OutDirName = QStringLiteral("OutDir");

} // namespace

QStringList GroupFilterEntries(const TWebsiteProjectList& Projects)
{
    TStringList Groups;
    Groups.SetDuplicates(dupIgnore);
    Groups.SetSorted(true);
    Projects.FillListOfGroups(Groups);
    return QStringList { AllProjectsGroup } + Groups.ToQStringList();
}

int GroupFilterIndex(const QStringList& Entries, const QString& Group)
{
    for (int I = 1; I < Entries.size(); ++I)
        if (Entries[I].compare(Group, Qt::CaseInsensitive) == 0)
            return I;
    return 0;
}

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

    Extras.Groups = GroupFilterEntries(Projects);
    Extras.GroupIndex = GroupFilterIndex(Extras.Groups, Lines.Values(GroupFilterName));
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
