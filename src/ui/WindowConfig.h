#pragma once

#include <QString>
#include <QStringList>

class TWebsiteProjectList;

// What the configuration file holds besides the projects.
struct TWindowConfig {
    QString GroupFilter;
    QString OutDir;
};

// Loads the configuration file named by the command line (nothing when there
// is none) into Projects and Config; a file that cannot be read raises its error.
void LoadWindowConfig(const QStringList& Arguments, TWebsiteProjectList& Projects, TWindowConfig& Config);
// Writes the whole file anew; a failure raises its error.
void SaveWindowConfig(const QStringList& Arguments, const TWebsiteProjectList& Projects, const TWindowConfig& Config);
