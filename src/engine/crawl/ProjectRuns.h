#pragma once

#include "engine/crawl/HrvThread.h"

#include "projects/WebsiteUnit.h"

#include <QString>
#include <QStringList>

// The browser identity every run presents.
extern const QString RunUserAgent;

// Prepares one project (its own HTTP client, the expanded output folder) and
// crawls it.
void RunProject(const TWebsiteProject& Project, const QString& OutDir, THrvThread& Thread);

// Replaces the tags {OutDir} and {ProjectName} (any letter case) in that
// order, so a {ProjectName} brought in by OutDir is expanded as well.
QString ExpandOutputFolderTags(const QString& Folder, const QString& OutDir, const QString& ProjectName);

// The project's output folder with {OutDir} and {ProjectName} filled in,
// native separators, no final separator, and absolute.
QString ExpandOutputFolder(const TWebsiteProject& Project, const QString& OutDir);
// The project names of a -start list: comma-separated, a comma at the end
// ignored.
QStringList ProjectNamesOf(const QString& Names);
// Deletes the crawl state that Project's runs keep in StateFolder; the
// line to show for it ("Saved state forgotten: NAME" or "No saved state:
// NAME"). Raises EStateError when the store stays.
QString ForgetProjectState(const TWebsiteProject& Project, const QString& OutDir, const QString& StateFolder);

// Runs every checked project of the view, in view order. The projects are
// copied when the thread is made, so the list may change during the run.
class TLoadWebsitesThread : public THrvThread {
    Q_OBJECT
public:
    TLoadWebsitesThread(
        TRunLog& ALog, TRunControl& AControl, const TWebsiteProjectList& Projects, const QString& OutDir);

protected:
    void Execute() override;

private:
    TWebsiteProjectList FProjects; // the checked visible projects, in view order
    QString FOutDir;
};

// Runs the projects named by a comma-separated list, each found among all
// projects by its exact name.
class TStartProjectThread : public THrvThread {
    Q_OBJECT
public:
    TStartProjectThread(TRunLog& ALog, TRunControl& AControl, const TWebsiteProjectList& Projects,
        const QString& OutDir, const QString& AProjectName);

    // True when every named project was found.
    bool StartProjectResult() const { return FStartProjectResult; }

protected:
    void Execute() override;

private:
    TWebsiteProjectList FProjects;
    QString FOutDir;
    QString FProjectName;
    bool FStartProjectResult = false;
};
