#include "AppConfig.h"

#include "uAppSettings.h"

#include <QFileInfo>
#include <limits>

namespace {

const QString ConfigFileName = QStringLiteral("hrv.ini");
const QString ProjectsPrefix = QStringLiteral("HrvProjects");
const QString GroupFilterName = QStringLiteral("GroupFilter");
const QString OutDirName = QStringLiteral("OutDir");
const QString StateDirName = QStringLiteral("StateDir");

// The stored number, or Default when the value is missing or not a number.
int ReadNumber(const TStrings& Lines, const QString& Name, int Default)
{
    bool Ok = false;
    const qlonglong Value = Lines.Values(Name).toLongLong(&Ok);
    if (!Ok)
        return Default;
    const qlonglong Lowest = std::numeric_limits<int>::min();
    const qlonglong Highest = std::numeric_limits<int>::max();
    return static_cast<int>(qBound(Lowest, Value, Highest));
}

// Only settings that differ from their defaults are written.
void WriteNumber(TStrings& Lines, const QString& Name, int Value, int Default)
{
    Lines.SetValues(Name, Value == Default ? QString() : QString::number(Value));
}

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
    Extras.StateDir = Lines.Values(StateDirName);
    for (const TRunSettingField& Field : RunSettingFields)
        Extras.Run.*Field.Value = Field.Def.Clamp(ReadNumber(Lines, Field.Def.KeyName(), Field.Def.Default));
    return Extras;
}

bool TAppConfig::SaveConfig(const TWebsiteProjectList& Projects, const QString& GroupFilter,
    const QString& OutDir, const TRunSettings& Run, const QString& StateDir)
{
    if (!FSaveAllowed)
        return false;
    const QString Path = GetConfigPath(false);
    TAppSettings Settings;
    TStrings& Lines = Settings.Strings();
    Projects.SaveToList(Lines, ProjectsPrefix);
    Lines.SetValues(GroupFilterName, GroupFilter);
    Lines.SetValues(OutDirName, OutDir);
    for (const TRunSettingField& Field : RunSettingFields)
        WriteNumber(Lines, Field.Def.KeyName(), Field.Def.Clamp(Run.*Field.Value), Field.Def.Default);
    Lines.SetValues(StateDirName, StateDir);
    Settings.SaveToFile(Path);
    return true;
}
