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
    QString Remaining = Names;
    do {
        const int Comma = Remaining.indexOf(QLatin1Char(','));
        const QString Name = Comma < 0 ? Remaining : Remaining.left(Comma);
        Remaining = Comma < 0 ? QString() : Remaining.mid(Comma + 1);
        if (const TWebsiteProject* Project = Projects.FindProject(Name))
            Found.push_back(Project);
        else
            Missing << Name;
    } while (!Remaining.isEmpty());
    return Found;
}

int ForgetProjectStates(
    const std::vector<const TWebsiteProject*>& Projects, const QString& OutDir, const QString& StateFolder)
{
    int Status = ceSuccess;
    for (const TWebsiteProject* Project : Projects) {
        const QString Store
            = CrawlStatePath(StateFolder, Project->WebsiteURL(), ExpandOutputFolder(*Project, OutDir));
        try {
            const QString Line = ForgetCrawlState(Store) ? QStringLiteral("Saved state forgotten: %1\n")
                                                         : QStringLiteral("No saved state: %1\n");
            std::fputs(Line.arg(Project->ProjectName()).toUtf8().constData(), stdout);
        } catch (const Exception& E) {
            Warn(E.Message());
            Status = ceRunFailed;
        }
    }
    std::fflush(stdout);
    return Status;
}
