#include "ConsoleRunner.h"

#include "ChangedFilesList.h"
#include "ConsoleLog.h"
#include "ForgetState.h"
#include "InterruptSignals.h"
#include "ProgressLine.h"
#include "ProjectTable.h"
#include "QuickCopy.h"

#include "engine/crawl/ProjectRuns.h"
#include "projects/AppConfig.h"
#include "projects/StateFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

// How often the progress line may be redrawn: at most ten times a second.
constexpr int ProgressRedrawMs = 100;

// The console's log with a progress line when standard error is a terminal.
struct TConsoleOutput {
    explicit TConsoleOutput(bool Quiet)
        : Progress(!Quiet && isatty(STDERR_FILENO) == 1 ? std::make_unique<TProgressLine>(stderr) : nullptr)
        , Log(Quiet, Progress.get())
    {
        if (Progress) {
            QObject::connect(&Timer, &QTimer::timeout, [this] { Progress->Draw(); });
            Timer.start(ProgressRedrawMs);
        }
    }
    ~TConsoleOutput() { StopProgress(); }

    // Clears the progress line for good, before the last words of a run.
    void StopProgress()
    {
        Timer.stop();
        if (Progress)
            Progress->Clear();
    }

    std::unique_ptr<TProgressLine> Progress;
    TConsoleLog Log;
    QTimer Timer;
};

// Runs the thread to its end with the console's log and returns the status:
// 130 or 143 when a signal stopped the run, so that a script can tell an
// incomplete copy; 1 when an error ended the run or a named project was
// missing; 3 when a URL failed; else 0.
int RunToEnd(
    THrvThread* Thread, TStartProjectThread* StartThread, TRunControl& Control, TConsoleOutput& Output)
{
    int Status = ceSuccess;
    QObject::connect(Thread, &THrvThread::Completed, qApp, [&] {
        Output.StopProgress();
        if (Thread->EndedWithError()) {
            Warn(QStringLiteral("the run ended with an error: ") + Thread->ErrorMessage());
            Status = ceRunFailed;
        } else if (StartThread && !StartThread->StartProjectResult()) {
            Status = ceRunFailed;
        } else if (Control.FFailedURLs.load() > 0) {
            Status = ceSomeURLsFailed;
        }
        if (const int Stopped = InterruptStatus())
            Status = Stopped;
        ReportFailedURLs(Control.FFailures);
        QCoreApplication::quit();
    });
    WatchRun(&Control);
    Thread->start();
    QCoreApplication::exec();
    WatchRun(nullptr);
    // The thread has ended; its object goes now rather than with the process.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return Status;
}

void ApplyRunSettings(
    TRunControl& Control, const TConsoleOptions& Options, const TRunSettings& Stored, const QString& StateDir)
{
    Control.FConnections = Options.Connections.value_or(Stored.Connections);
    Control.FMaxURLs = Options.MaxURLs.value_or(Stored.MaxURLs);
    Control.FStateFolder = CrawlStateFolder(Options.StateDir, StateDir);
}

// Runs the thread to its end, then writes the list of --changes: a list that
// cannot be written makes a run that went well end with status 1.
int RunAndListChanges(THrvThread* Thread, TStartProjectThread* StartThread, TRunControl& Control,
    TConsoleOutput& Output, const QString& ChangesFile)
{
    int Status = RunToEnd(Thread, StartThread, Control, Output);
    QString Error;
    if (!ChangesFile.isEmpty() && !WriteChangedFilesList(ChangesFile, Control.FChangedFiles.Files(), Error)) {
        Warn(Error);
        if (Status == ceSuccess || Status == ceSomeURLsFailed)
            Status = ceRunFailed;
    }
    return Status;
}

std::vector<const TWebsiteProject*> AllProjects(const TWebsiteProjectList& Projects)
{
    std::vector<const TWebsiteProject*> All;
    for (int I = 0; I < Projects.Count(); ++I)
        All.push_back(Projects.GetProject(I));
    return All;
}

// --forget with -start: the named projects' state goes; a name that no
// project has is reported as a run reports it.
int ForgetNamedProjects(const TWebsiteProjectList& Projects, const QString& Names, const QString& OutDir,
    const QString& StateFolder)
{
    QStringList Missing;
    const std::vector<const TWebsiteProject*> Named = ProjectsNamed(Projects, Names, Missing);
    for (const QString& Name : Missing)
        std::fputs(QStringLiteral("Project \"%1\" not found.\n").arg(Name).toUtf8().constData(), stdout);
    const int Status = ForgetProjectStates(Named, OutDir, StateFolder);
    return Missing.isEmpty() ? Status : ceRunFailed;
}

int RunQuickCopy(const TConsoleOptions& Options)
{
    QString Error;
    TWebsiteProjectList Projects;
    // Forgetting names the folder a copy would use but makes nothing.
    if (!MakeQuickCopyProjects(Options.QuickCopy, Projects, Error, !Options.Forget)) {
        Warn(Error);
        return ceUsage;
    }
    if (Options.Forget)
        return ForgetProjectStates(
            AllProjects(Projects), QString(), CrawlStateFolder(Options.StateDir, QString()));

    TConsoleOutput Output(Options.Quiet);
    TRunControl Control;
    ApplyRunSettings(Control, Options, TRunSettings(), QString());
    Control.FEnvironmentProxy = true;
    return RunAndListChanges(new TLoadWebsitesThread(Output.Log, Control, Projects, QString()), nullptr,
        Control, Output, Options.ChangesFile);
}

} // namespace

int RunConsole(const TConsoleOptions& Options, const QString& ProgramDir)
{
    if (!Options.QuickCopy.URLs.isEmpty())
        return RunQuickCopy(Options);

    TWebsiteProjectList Projects;
    TAppConfig Config(Options.SettingsArguments, ProgramDir);
    // The window starts empty without its file; a run without it has nothing to do.
    const QString ConfigPath = Config.GetConfigPath(true);
    if (!QFileInfo::exists(ConfigPath)) {
        Warn(QStringLiteral("the configuration file \"%1\" does not exist").arg(ConfigPath));
        return ceUsage;
    }
    TConfigExtras Extras;
    try {
        Extras = Config.LoadConfig(Projects);
    } catch (const Exception& E) {
        Warn(E.Message());
        return ceRunFailed;
    }
    if (Options.List) {
        const QByteArray Table = ProjectTable(Projects).toUtf8();
        std::fwrite(Table.constData(), 1, static_cast<size_t>(Table.size()), stdout);
        return ceSuccess;
    }

    // The saved Visible flags are used as stored, as the window does.
    if (Options.RunChecked && Projects.CheckedVisibleCount() == 0) {
        Warn(QStringLiteral("Please, check one or more projects."));
        return ceUsage;
    }
    const QString OutDir
        = Options.OutDirGiven ? QDir::current().absoluteFilePath(Options.OutDir) : Extras.OutDir;
    if (Options.OutDirGiven ? Options.OutDir.isEmpty() : OutDir.isEmpty()) {
        Warn(QStringLiteral("Please, enter Output Folder"));
        return ceUsage;
    }

    if (Options.Forget)
        return ForgetNamedProjects(
            Projects, Options.StartNames, OutDir, CrawlStateFolder(Options.StateDir, Extras.StateDir));

    TConsoleOutput Output(Options.Quiet);
    TRunControl Control;
    ApplyRunSettings(Control, Options, Extras.Run, Extras.StateDir);
    if (Options.RunChecked)
        return RunAndListChanges(new TLoadWebsitesThread(Output.Log, Control, Projects, OutDir), nullptr,
            Control, Output, Options.ChangesFile);
    auto* Thread = new TStartProjectThread(Output.Log, Control, Projects, OutDir, Options.StartNames);
    return RunAndListChanges(Thread, Thread, Control, Output, Options.ChangesFile);
}
