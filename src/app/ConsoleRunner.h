#pragma once

#include <QString>
#include <QStringList>

// What the console runner was asked to do.
struct TConsoleOptions {
    QString StartNames; // the names text of -start
    bool RunChecked = false; // -checked
    QString OutDir; // -outdir, overriding the saved common output folder
    bool OutDirGiven = false;
    bool Help = false;
    QStringList SettingsArguments; // the settings options, in their order
};

// Exit statuses of the console runner.
enum TConsoleExit { ceSuccess = 0, ceRunFailed = 1, ceUsage = 2 };

// Reads the command line (without the program name); raises nothing, but
// fills Error with a usage problem.
TConsoleOptions ParseConsoleOptions(const QStringList& Arguments, QString& Error);

extern const char* const ConsoleUsage;

// Loads the configuration, runs the projects and returns the exit status.
int RunConsole(const TConsoleOptions& Options, const QString& ProgramDir);
