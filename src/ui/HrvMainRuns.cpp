// The main window's side of runs: starting them from the button or the
// command line, Break, completion, the run log and the configuration file.
#include "ui/HrvMainUnit.h"

#include "engine/crawl/ProjectRuns.h"
#include "projects/StateFolder.h"
#include "projects/WebsiteUnit.h"
#include "ui/RunProgressPanel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <cstdio>

namespace {

// How often "-close" looks again whether the user's dialogs are closed.
constexpr int DialogPollMs = 100;

// The exit statuses of an unattended start-up run, as the console runner's.
constexpr int ExitRunFailed = 1;
constexpr int ExitNoOutputFolder = 2;

// The lines of a run log that name a project the run did not find.
QStringList NotFoundLines(const QString& Log)
{
    QStringList Lines;
    for (const QString& Line : Log.split(QLatin1Char('\n')))
        if (Line.startsWith(QStringLiteral("Project \"")) && Line.endsWith(QStringLiteral("\" not found.")))
            Lines << Line;
    return Lines;
}

// The counters of a run start from nothing; the worker only adds to Bytes.
void ResetProgress(TRunProgress& Progress)
{
    Progress.Project = 0;
    Progress.Projects = 0;
    Progress.Done = 0;
    Progress.Listed = 0;
    Progress.Bytes = 0;
}

} // namespace

void THrvMainForm::LogMsg(const QString& AMsg)
{
    FRunLog.LogMsg(AMsg);
}

void THrvMainForm::ShowLogLines(const QStringList& Lines)
{
    QStringList Shown;
    Shown.reserve(Lines.size());
    for (const QString& Line : Lines)
        if (!Line.isEmpty())
            Shown << Line;
    if (!Shown.isEmpty())
        FLogMemo->appendPlainText(Shown.join(QLatin1Char('\n')));
}

QPlainTextEdit* THrvMainForm::LogMemo()
{
    FRunLog.DeliverWaitingLines();
    return FLogMemo;
}

void THrvMainForm::ClearLog()
{
    FRunLog.DeliverWaitingLines();
    FLogMemo->clear();
    FLogMemo->repaint();
}

void THrvMainForm::LoadConfig()
{
    TConfigExtras Extras;
    try {
        Extras = FConfig.LoadConfig(*FProjects);
    } catch (const Exception& E) {
        ReportError(E.Message()
            + QStringLiteral("\n\nThe window opens without these projects, and the file is left "
                             "unchanged: it is not written while this program runs."));
    }
    RefreshProjectsView();
    SetGroupEntries(Extras.Groups, Extras.GroupIndex);
    FOutDirEdit->setText(Extras.OutDir);
    FConnectionsSpinBox->setValue(Extras.Run.Connections);
    FMaxURLs = Extras.Run.MaxURLs;
    FStateDir = Extras.StateDir;
}

TRunSettings THrvMainForm::RunSettings() const
{
    return TRunSettings { FConnectionsSpinBox->value(), FMaxURLs };
}

bool THrvMainForm::SaveConfig()
{
    try {
        FConfig.SaveConfig(*FProjects, SelectedGroup(), FOutDirEdit->text(), RunSettings(), FStateDir);
        return true;
    } catch (const Exception& E) {
        ReportError(E.Message());
        return false;
    }
}

bool THrvMainForm::Unattended() const
{
    return HasArgument(QStringLiteral("-close"));
}

// Nobody may be there to answer a box when the window was asked to close by
// itself: the error then goes to standard error and the exit status.
void THrvMainForm::ReportError(const QString& Text)
{
    if (Unattended())
        WriteUnattendedError(Text, ExitRunFailed);
    else
        ShowErrorMessage(this, Text);
}

// The first failure decides the exit status; later ones are still written.
void THrvMainForm::WriteUnattendedError(const QString& Text, int Status)
{
    std::fprintf(stderr, "%s\n", Text.toLocal8Bit().constData());
    std::fflush(stderr);
    if (FExitStatus == 0)
        FExitStatus = Status;
}

void THrvMainForm::LoadWebsitesButtonClick()
{
    if (FRunning)
        return;
    if (FProjects->CheckedVisibleCount() == 0) {
        Warning(QStringLiteral("Please, check one or more projects."));
        return;
    }
    if (!CheckNotEmpty(FOutDirEdit->text(), QStringLiteral("Output Folder")) || !SaveConfig())
        return;
    FRunControl.FTerminated = false;
    auto* Thread = new TLoadWebsitesThread(FRunLog, FRunControl, *FProjects, FOutDirEdit->text());
    connect(Thread, &THrvThread::Completed, this, &THrvMainForm::OnLoadWebsitesCompleted);
    StartRun(Thread);
}

void THrvMainForm::showEvent(QShowEvent* Event)
{
    THrvForm::showEvent(Event);
    if (!FShown) {
        FShown = true;
        // The start-up run begins once the window is on screen.
        QTimer::singleShot(0, this, &THrvMainForm::FormShow);
    }
}

void THrvMainForm::FormShow()
{
    FShowLoopLevel = QThread::currentThread()->loopLevel();
    QString Names;
    for (int I = 1; I + 1 < FArguments.size(); ++I)
        if (FArguments[I].toLower() == QStringLiteral("-start"))
            Names = FArguments[++I];
    if (Names.isEmpty() || FRunning)
        return;
    if (FOutDirEdit->text().isEmpty() && Unattended()) {
        WriteUnattendedError(QStringLiteral("Please, enter Output Folder"), ExitNoOutputFolder);
        CloseWhenNoDialogIsOpen();
        return;
    }
    if (!CheckNotEmpty(FOutDirEdit->text(), QStringLiteral("Output Folder")))
        return;
    auto* Thread = new TStartProjectThread(FRunLog, FRunControl, *FProjects, FOutDirEdit->text(), Names);
    // The thread deletes itself only after this handler has run.
    connect(Thread, &THrvThread::Completed, this,
        [this, Thread] { OnStartProjectCompleted(Thread->StartProjectResult()); });
    StartRun(Thread);
}

void THrvMainForm::StartRun(THrvThread* Thread)
{
    const TRunSettings Settings = RunSettings();
    FRunControl.FConnections = Settings.Connections;
    FRunControl.FMaxURLs = Settings.MaxURLs;
    FRunControl.FStateFolder = CrawlStateFolder(QString(), FStateDir);
    FRunControl.FFailedURLs = 0;
    FRunControl.FFailures.Clear();
    ResetProgress(FRunControl.FProgress);
    FMainPageControl->setCurrentWidget(FLogTabSheet);
    ClearLog();
    FRunProgressPanel->Start();
    FLoadWebsitesButton->setEnabled(false);
    FBreakButton->setEnabled(true);
    FRunning = true;
    Thread->start();
}

// -1: no run goes, the plain caption.
void THrvMainForm::ShowPercentInTitle(int Percent)
{
    setWindowTitle(Percent < 0 ? Caption() : QStringLiteral("%1% \u2014 ").arg(Percent) + Caption());
}

void THrvMainForm::BreakButtonClick()
{
    FRunControl.FTerminated = true;
    FBreakButton->setEnabled(false);
}

void THrvMainForm::OnLoadWebsitesCompleted()
{
    FRunLog.DeliverWaitingLines();
    FRunProgressPanel->Stop();
    FRunning = false;
    FLoadWebsitesButton->setEnabled(true);
    FBreakButton->setEnabled(false);
}

void THrvMainForm::OnStartProjectCompleted(bool StartProjectResult)
{
    OnLoadWebsitesCompleted();
    if (!Unattended())
        return;
    if (!StartProjectResult)
        WriteUnattendedError(NotFoundLines(FLogMemo->toPlainText()).join(QLatin1Char('\n')), ExitRunFailed);
    CloseWhenNoDialogIsOpen();
}

void THrvMainForm::CloseWhenNoDialogIsOpen()
{
    // A dialog still open may hold an edit that its handler has yet to store;
    // closing now would save the configuration without it.
    if (QApplication::activeModalWidget() || QThread::currentThread()->loopLevel() > FShowLoopLevel) {
        QTimer::singleShot(DialogPollMs, this, &THrvMainForm::CloseWhenNoDialogIsOpen);
        return;
    }
    FCloseButton->click();
}

bool THrvMainForm::HasArgument(const QString& Option) const
{
    for (int I = 1; I < FArguments.size(); ++I)
        if (FArguments[I].toLower() == Option)
            return true;
    return false;
}

void THrvMainForm::WaitForRunEnd()
{
    if (!FRunning)
        return;
    BreakButtonClick();
    // Events keep flowing, log batches included, until the completion handler
    // has run.
    QEventLoop Loop;
    while (FRunning)
        Loop.processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::ExcludeUserInputEvents);
}

void THrvMainForm::closeEvent(QCloseEvent* Event)
{
    if (FClosing) {
        Event->ignore();
        return;
    }
    FClosing = true;
    WaitForRunEnd();
    const QString Unsaved = QStringLiteral("The configuration file could not be read at start, so it is left "
                                           "unchanged; the changes of this session are not saved.");
    if (FConfig.SaveAllowed())
        SaveConfig();
    else if (Unattended())
        ReportError(Unsaved);
    else
        Warning(Unsaved);
    Event->accept();
}
