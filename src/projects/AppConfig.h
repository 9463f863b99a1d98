#pragma once

#include "RunSettings.h"
#include "SettingsLocation.h"
#include "WebsiteUnit.h"

#include <QString>
#include <QStringList>

// The first entry of the group filter list: no filter.
inline const QString AllProjectsGroup = QStringLiteral("<All projects>");

// What the configuration holds beside the projects.
// The entries of the group filter: "<All projects>", then the group names of
// all projects, sorted, each once whatever its letter case.
QStringList GroupFilterEntries(const TWebsiteProjectList& Projects);
// The entry of Entries after the first that equals Group ignoring letter
// case, else 0.
int GroupFilterIndex(const QStringList& Entries, const QString& Group);

struct TConfigExtras {
    // The group filter list: "<All projects>", then the groups sorted.
    QStringList Groups { AllProjectsGroup };
    // The entry of Groups that the saved group filter names, else 0.
    int GroupIndex = 0;
    // The common output folder.
    QString OutDir;
    // Where the crawl state is kept; empty for the user's cache folder.
    QString StateDir;
    // Stored values out of range are clamped; missing or malformed ones read
    // as the defaults.
    TRunSettings Run;
};

// Loading and saving the configuration file for the window and the console
// runner. Problems come back as exceptions for the caller to show.
class TAppConfig {
public:
    // Arguments are those after the program's own name; ProgramDir is the
    // folder of the executable.
    TAppConfig(QStringList Arguments, QString ProgramDir);

    // The configuration file; with Migrate, a first use of the user's
    // settings folder carries "hrv.ini" over from the program folder.
    QString GetConfigPath(bool Migrate);

    // Appends the stored projects to Projects. No file: nothing is loaded.
    // A file that exists but cannot be read or is not UTF-8 raises
    // EFOpenError or EEncodingError, loads nothing and forbids later saves,
    // so the unread file is never overwritten.
    TConfigExtras LoadConfig(TWebsiteProjectList& Projects);
    // Writes every project, GroupFilter (empty for "<All projects>"), OutDir,
    // the run settings that differ from their defaults and StateDir when it
    // is not empty; raises EFCreateError when the file cannot be written,
    // which keeps the previous file. Writes nothing and returns false when
    // saves are forbidden.
    bool SaveConfig(const TWebsiteProjectList& Projects, const QString& GroupFilter, const QString& OutDir,
        const TRunSettings& Run = TRunSettings(), const QString& StateDir = QString());

    bool SaveAllowed() const { return FSaveAllowed; }
    TSettingsLocation& Location() { return FLocation; }

private:
    TSettingsLocation FLocation;
    bool FSaveAllowed = true;
};
