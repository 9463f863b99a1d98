#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// Where the settings folder is, as chosen by the command line.
enum TSettingsMode : uint8_t {
    smUndetermined = 0,
    smProgramFolder = 1,
    smNamedFolder = 2,
    smUserFolder = 255,
};

// Finds the settings folder and the configuration file from the command
// line, the program folder and the user's configuration folder. The program
// keeps one for the whole process; the command line is processed once, on
// the first call of either location function.
class TSettingsLocation {
public:
    // Arguments are those after the program's own name; ProgramDir is the
    // folder of the executable.
    TSettingsLocation(QStringList Arguments, QString ProgramDir);

    // The settings folder. In the user's folder this is SubFolder below the
    // configuration folder, created on first use; the files of the program
    // folder that match ConfigFiles (";"-separated names or wildcards) are
    // then copied into it, never over a file already there.
    QString GetAppDataDir(const QString& SubFolder, const QString& ConfigFiles);
    // The configuration file: the "-config" name or DefAppConfigFile, placed
    // in AppDataDir (the settings folder, which "-config" leaves as it is)
    // unless it is an absolute path.
    QString GetAppConfigPath(const QString& DefAppConfigFile, const QString& AppDataDir);

    TSettingsMode SettingsMode() const { return FSettingsMode; }

private:
    void ProcessCommandLine();
    void CarryOver(const QString& ConfigFiles, const QString& Folder) const;

    QStringList FArguments;
    QString FProgramDir;
    TSettingsMode FSettingsMode = smUndetermined;
    QString FSettingsDir;
    QString FConfigFile;
};
