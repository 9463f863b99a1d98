#include "SettingsLocation.h"

#include "SemicolonList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const TSettingsMode DefaultSettingsMode = smUserFolder;

QString WithoutTrailingSeparator(QString Folder)
{
    while (Folder.size() > 1 && Folder.endsWith(u'/'))
        Folder.chop(1);
    return Folder;
}

// Folder, a separator and Name, where a backslash in Name counts as a separator.
QString JoinPath(const QString& Folder, const QString& Name)
{
    QString Tail = Name;
    Tail.replace(u'\\', u'/');
    if (Tail.startsWith(u'/') || Folder.endsWith(u'/'))
        return Folder + Tail;
    return Folder + u'/' + Tail;
}

} // namespace

TSettingsLocation::TSettingsLocation(QStringList Arguments, QString ProgramDir)
    : FArguments(std::move(Arguments))
    , FProgramDir(WithoutTrailingSeparator(std::move(ProgramDir)))
{
}

// Options are matched exactly; an option's value is consumed so it is never
// read as an option, and an option missing its value is ignored.
void TSettingsLocation::ProcessCommandLine()
{
    FSettingsMode = DefaultSettingsMode;
    const int Count = FArguments.size();
    for (int I = 0; I < Count; ++I) {
        const QString& Argument = FArguments[I];
        if (Argument == QLatin1String("-appsettingsdir")) {
            FSettingsMode = smProgramFolder;
        } else if (Argument == QLatin1String("-usersettingsdir")) {
            FSettingsMode = smUserFolder;
        } else if (Argument == QLatin1String("-settingsdir") && I + 1 < Count) {
            FSettingsDir = FArguments[++I];
            FSettingsMode = smNamedFolder;
        } else if (Argument == QLatin1String("-config") && I + 1 < Count) {
            // The file alone: a bare name is looked for in the settings folder,
            // not next to the program, which an installed copy cannot write.
            FConfigFile = FArguments[++I];
        }
    }
}

QString TSettingsLocation::GetAppDataDir(const QString& SubFolder, const QString& ConfigFiles)
{
    if (FSettingsMode == smUndetermined)
        ProcessCommandLine();
    if (FSettingsMode == smProgramFolder)
        return FProgramDir;
    if (FSettingsMode == smNamedFolder)
        return FSettingsDir;
    const QString UserFolder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (UserFolder.isEmpty() || SubFolder.isEmpty())
        return FProgramDir;
    const QString Folder = JoinPath(UserFolder, SubFolder);
    if (QFileInfo(Folder).isDir())
        return Folder;
    if (!QDir().mkpath(Folder))
        return FProgramDir;
    CarryOver(ConfigFiles, Folder);
    return Folder;
}

void TSettingsLocation::CarryOver(const QString& ConfigFiles, const QString& Folder) const
{
    const QDir Source(FProgramDir);
    for (const QString& Pattern : SplitSemicolonList(ConfigFiles)) {
        const QStringList Names = Source.entryList({ Pattern }, QDir::Files | QDir::CaseSensitive);
        for (const QString& Name : Names)
            QFile::copy(Source.filePath(Name), JoinPath(Folder, Name)); // never overwrites
    }
}

QString TSettingsLocation::GetAppConfigPath(const QString& DefAppConfigFile, const QString& AppDataDir)
{
    if (FSettingsMode == smUndetermined)
        ProcessCommandLine();
    const QString File = FConfigFile.isEmpty() ? DefAppConfigFile : FConfigFile;
    if (QDir::isAbsolutePath(File))
        return File;
    if (!AppDataDir.isEmpty())
        return JoinPath(AppDataDir, File);
    if (FSettingsMode == smNamedFolder && !FSettingsDir.isEmpty())
        return JoinPath(FSettingsDir, File);
    return File;
}
