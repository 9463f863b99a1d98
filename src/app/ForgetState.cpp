#include "ForgetState.h"

#include "ConsoleLog.h"
#include "ConsoleOptions.h"

#include "engine/crawl/ProjectRuns.h"
#include "engine/store/CrawlState.h"

#include <cstdio>

std::vector<const TWebsiteProject*> ProjectsNamed(
    const TWebsiteProjectList& Projects, const QString& Names, QStringList& Missing)
{
    std::vector<const TWebsiteProject*> Found;
    for (const QString& Name : ProjectNamesOf(Names)) {
        if (const TWebsiteProject* Project = Projects.FindProject(Name))
            Found.push_back(Project);
        else
            Missing << Name;
    }
    return Found;
}

int ForgetProjectStates(
    const std::vector<const TWebsiteProject*>& Projects, const QString& OutDir, const QString& StateFolder)
{
    int Status = ceSuccess;
    for (const TWebsiteProject* Project : Projects) {
        try {
            const QString Line = ForgetProjectState(*Project, OutDir, StateFolder) + QLatin1Char('\n');
            std::fputs(Line.toUtf8().constData(), stdout);
        } catch (const Exception& E) {
            Warn(E.Message());
            Status = ceRunFailed;
        }
    }
    std::fflush(stdout);
    return Status;
}
