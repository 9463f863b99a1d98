#include "engine/crawl/ProjectRuns.h"

#include "engine/store/CrawlState.h"

#include "engine/crawl/DownloadProject.h"
#include "engine/page/URLUtils.h"

#include "http/HTTPClientUnit.h"

#include <QDir>

const QString RunUserAgent = QStringLiteral("Mozilla/5.0 (Windows NT 6.1; Trident/7.0; rv:11.0) like Gecko");

namespace {

constexpr int RunTimeoutSec = 60;
// A compressed body that inflates past this is taken for a bomb.
constexpr qint64 CrawlMaxDecodedSize = qint64(256) << 20;

void CopyProject(TWebsiteProjectList& Into, const TWebsiteProject& Project)
{
    Into.AddProject(std::make_unique<TWebsiteProject>(&Project));
}

TPacingRules PacingRulesOf(const TRequestOptions& Options)
{
    return { int(Options.WaitSeconds * 1000 + 0.5), Options.RandomWait, Options.LimitRate };
}

void LogProjectLine(THrvThread& Thread, const QString& Name, const QString& Tail)
{
    Thread.Log(QStringLiteral("Project \"") + Name + QStringLiteral("\"") + Tail);
}

void LogRunEnd(THrvThread& Thread)
{
    Thread.Log(Thread.Terminated() ? QStringLiteral("Terminated.") : QStringLiteral("Completed."));
}

} // namespace

QString ExpandOutputFolderTags(const QString& Folder, const QString& OutDir, const QString& ProjectName)
{
    QString Result = Folder;
    Result.replace(QStringLiteral("{OutDir}"), OutDir, Qt::CaseInsensitive);
    Result.replace(QStringLiteral("{ProjectName}"), ProjectName, Qt::CaseInsensitive);
    return Result;
}

QString ExpandOutputFolder(const TWebsiteProject& Project, const QString& OutDir)
{
    QString Folder
        = ToNativeSeparators(ExpandOutputFolderTags(Project.OutputFolder(), OutDir, Project.ProjectName()));
    if (Folder.endsWith(QDir::separator()) && Folder.size() > 1)
        Folder.chop(1);
    if (Folder.isEmpty() || QDir::isAbsolutePath(Folder))
        return Folder;
    return QDir::toNativeSeparators(QDir::current().absoluteFilePath(Folder));
}

QStringList ProjectNamesOf(const QString& Names)
{
    QStringList List = Names.split(QLatin1Char(','));
    if (List.size() > 1 && List.last().isEmpty())
        List.removeLast();
    return List;
}

QString ForgetProjectState(const TWebsiteProject& Project, const QString& OutDir, const QString& StateFolder)
{
    const QString Store
        = CrawlStatePath(StateFolder, Project.WebsiteURL(), ExpandOutputFolder(Project, OutDir));
    const QString Line = ForgetCrawlState(Store) ? QStringLiteral("Saved state forgotten: %1")
                                                 : QStringLiteral("No saved state: %1");
    return Line.arg(Project.ProjectName());
}

void RunProject(const TWebsiteProject& Project, const QString& OutDir, THrvThread& Thread)
{
    const TRequestOptions& Options = Project.Requests();
    const int TimeoutSec = Options.TimeoutSeconds > 0 ? Options.TimeoutSeconds : RunTimeoutSec;
    THTTPClient Client(QString(), ptAUTO, Options.UserAgent.isEmpty() ? RunUserAgent : Options.UserAgent,
        QString(), TimeoutSec, TimeoutSec);
    Client.SetVerifyTLS(Options.VerifyTLS, Options.CACertificate);
    Client.SetPacing(PacingRulesOf(Options));
    if (Thread.EnvironmentProxy())
        Client.UseEnvironmentProxy();
    // Files of any size stream to disk, however long they take while data
    // flows; pages are bounded by the crawl, stalls by the low-speed rule.
    Client.SetMaxBodySize(NoBodySizeLimit);
    Client.SetRequestTimeLimitMs(0);
    Client.SetMaxDecodedSize(CrawlMaxDecodedSize);
    Client.SetAbortFlag(&Thread.TerminatedFlag());
    DownloadProject(ExpandOutputFolder(Project, OutDir), Project, Client, Thread);
}

TLoadWebsitesThread::TLoadWebsitesThread(
    TRunLog& ALog, TRunControl& AControl, const TWebsiteProjectList& Projects, const QString& OutDir)
    : THrvThread(ALog, AControl)
    , FOutDir(OutDir)
{
    for (int I = 0; I < Projects.VisibleCount(); ++I)
        if (Projects.GetVisibleProject(I)->Checked())
            CopyProject(FProjects, *Projects.GetVisibleProject(I));
}

void TLoadWebsitesThread::Execute()
{
    for (int I = 0; I < FProjects.Count(); ++I) {
        const TWebsiteProject& Project = *FProjects.GetProject(I);
        LogProjectLine(*this, Project.ProjectName(), QStringLiteral("..."));
        StartProject(I + 1, FProjects.Count());
        RunProject(Project, FOutDir, *this);
        if (Terminated())
            break;
    }
    LogRunEnd(*this);
}

TStartProjectThread::TStartProjectThread(TRunLog& ALog, TRunControl& AControl,
    const TWebsiteProjectList& Projects, const QString& OutDir, const QString& AProjectName)
    : THrvThread(ALog, AControl)
    , FOutDir(OutDir)
    , FProjectName(AProjectName)
{
    for (int I = 0; I < Projects.Count(); ++I)
        CopyProject(FProjects, *Projects.GetProject(I));
}

void TStartProjectThread::Execute()
{
    bool Result = true;
    const QStringList Names = ProjectNamesOf(FProjectName);
    for (int I = 0; I < Names.size(); ++I) {
        const QString& Name = Names[I];
        if (const TWebsiteProject* Project = FProjects.FindProject(Name)) {
            LogProjectLine(*this, Project->ProjectName(), QStringLiteral("..."));
            StartProject(I + 1, int(Names.size()));
            RunProject(*Project, FOutDir, *this);
        } else {
            LogProjectLine(*this, Name, QStringLiteral(" not found."));
            Result = false;
        }
        if (Terminated())
            break;
    }
    LogRunEnd(*this);
    FStartProjectResult = Result;
}
