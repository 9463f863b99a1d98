#pragma once

#include "projects/WebsiteUnit.h"

#include <QString>
#include <QStringList>
#include <vector>

// The projects that the comma-separated Names name, found as a run of
// -start finds them; the names that no project has go to Missing.
std::vector<const TWebsiteProject*> ProjectsNamed(
    const TWebsiteProjectList& Projects, const QString& Names, QStringList& Missing);

// Deletes the crawl state of each project (whose output folder takes OutDir
// for {OutDir}) in StateFolder, with one line per project on standard
// output. Returns the exit status: 1 when a store could not be deleted.
int ForgetProjectStates(
    const std::vector<const TWebsiteProject*>& Projects, const QString& OutDir, const QString& StateFolder);
