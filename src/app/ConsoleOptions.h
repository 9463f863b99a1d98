#pragma once

#include "projects/WebsiteUnit.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// What the quick copy makes its one project from.
struct TQuickCopyOptions {
    QStringList URLs; // the first is the website URL; every one is a start page
    QString OutDir; // empty: a folder named after the host in the current folder
    int Depth = 2147483647; // the start pages' link limit; unlimited by default
    TOverwriteFile Overwrite = ofChanged;
    bool RelativePathLinks = true;
    QString BaseURL;
    QString IndexFile;
    bool RemoveScripts = false;
    bool RemoveNoscripts = false;
    std::vector<TDownloadRule> Downloads;
    QStringList Suppress;
    QStringList Aliases;
    std::vector<TReplaceRule> Replaces;
    bool CompletePages = true;
    bool SiteFileNames = true;
    TRequestOptions Requests = TRequestOptions::ForNewProject();
};

// What the console runner was asked to do.
struct TConsoleOptions {
    QString StartNames; // the names text of -start
    bool RunChecked = false; // -checked
    bool List = false; // --list
    QString OutDir; // -outdir, overriding the saved common output folder
    bool OutDirGiven = false;
    std::optional<int> Connections;
    std::optional<int> MaxURLs;
    QString StateDir; // --state-dir, overriding the saved state folder
    QString ChangesFile; // --changes: where the run lists its new and changed files
    bool Forget = false; // --forget: delete the projects' crawl state, run nothing
    bool Quiet = false;
    bool Help = false;
    bool Version = false;
    QStringList SettingsArguments; // the settings options, in their order
    TQuickCopyOptions QuickCopy; // used when URLs are given
};

// Exit statuses of the console runner.
enum TConsoleExit { ceSuccess = 0, ceRunFailed = 1, ceUsage = 2, ceSomeURLsFailed = 3 };

// Reads the command line (without the program name); raises nothing, but
// fills Error with a usage problem.
TConsoleOptions ParseConsoleOptions(const QStringList& Arguments, QString& Error);

extern const char* const ConsoleUsage;
