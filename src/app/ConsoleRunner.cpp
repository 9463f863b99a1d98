#include "ConsoleRunner.h"

#include "engine/ProjectRuns.h"
#include "projects/AppConfig.h"

#include <QCoreApplication>
#include <QDir>
#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>

const char* const ConsoleUsage
    = "Usage: harvo-cli [settings options] [-outdir DIR] -start \"A,B\"\n"
      "       harvo-cli [settings options] [-outdir DIR] -checked\n"
      "\n"
      "Copies websites with the projects of the configuration file, without a window.\n"
      "\n"
      "  -start NAMES      run the projects named in NAMES (comma-separated, exact names)\n"
      "  -checked          run the checked projects of the saved view\n"
      "  -outdir DIR       use DIR as the common output folder ({OutDir})\n"
      "  -config FILE      the configuration file (a bare name is looked for in the settings folder)\n"
      "  -settingsdir DIR  keep the settings in DIR\n"
      "  -appsettingsdir   keep the settings in the program's folder\n"
      "  -usersettingsdir  keep the settings in the user's folder (the default)\n"
      "  -h, --help        show this text\n"
      "\n"
      "Every log line goes to standard output. Ctrl+C stops the run after the current URL;\n"
      "a second Ctrl+C stops at once. Exit status: 0 when the run completed or was stopped,\n"
      "1 when a project was not found or an error ended the run, 2 for a usage error.\n";

namespace {

TRunControl* RunningControl = nullptr;

extern "C" void OnInterrupt(int)
{
    static volatile std::sig_atomic_t Interrupts = 0;
    if (++Interrupts > 1 || !RunningControl)
        _exit(130);
    RunningControl->FTerminated.store(true);
}

class TStdoutLog : public TRunLog {
public:
    void LogMsg(const QString& AMsg) override
    {
        const QByteArray Line = AMsg.toUtf8() + '\n';
        std::fwrite(Line.constData(), 1, static_cast<size_t>(Line.size()), stdout);
        std::fflush(stdout);
    }
};

void Warn(const QString& Text)
{
    std::fprintf(stderr, "harvo-cli: %s\n", Text.toUtf8().constData());
}

bool TakesValue(const QString& Option)
{
    return Option == QLatin1String("-settingsdir") || Option == QLatin1String("-config");
}

bool IsSettingsFlag(const QString& Option)
{
    return Option == QLatin1String("-appsettingsdir") || Option == QLatin1String("-usersettingsdir");
}

} // namespace

TConsoleOptions ParseConsoleOptions(const QStringList& Arguments, QString& Error)
{
    TConsoleOptions Options;
    for (int I = 0; I < Arguments.size() && Error.isEmpty(); ++I) {
        const QString& Arg = Arguments[I];
        const bool HasValue = I + 1 < Arguments.size();
        if (Arg == QLatin1String("-h") || Arg == QLatin1String("--help")) {
            Options.Help = true;
        } else if (Arg == QLatin1String("-checked")) {
            Options.RunChecked = true;
        } else if (IsSettingsFlag(Arg)) {
            Options.SettingsArguments << Arg;
        } else if (Arg == QLatin1String("-start") || Arg == QLatin1String("-outdir") || TakesValue(Arg)) {
            if (!HasValue) {
                Error = QStringLiteral("%1 needs a value").arg(Arg);
                break;
            }
            const QString& Value = Arguments[++I];
            if (Arg == QLatin1String("-start")) {
                Options.StartNames = Value;
            } else if (Arg == QLatin1String("-outdir")) {
                Options.OutDir = Value;
                Options.OutDirGiven = true;
            } else {
                Options.SettingsArguments << Arg << Value;
            }
        } else {
            Error = QStringLiteral("unknown argument \"%1\"").arg(Arg);
        }
    }
    const bool StartGiven = !Options.StartNames.isEmpty();
    if (Error.isEmpty() && !Options.Help && StartGiven == Options.RunChecked)
        Error = Options.RunChecked ? QStringLiteral("give either -start or -checked, not both")
                                   : QStringLiteral("give -start NAMES or -checked");
    return Options;
}

int RunConsole(const TConsoleOptions& Options, const QString& ProgramDir)
{
    TWebsiteProjectList Projects;
    TAppConfig Config(Options.SettingsArguments, ProgramDir);
    TConfigExtras Extras;
    try {
        Extras = Config.LoadConfig(Projects);
    } catch (const Exception& E) {
        Warn(E.Message());
        return ceRunFailed;
    }
    Projects.ApplyGroupFilter(Extras.GroupIndex > 0 ? Extras.Groups.value(Extras.GroupIndex) : QString());

    const QString OutDir
        = Options.OutDirGiven ? QDir::current().absoluteFilePath(Options.OutDir) : Extras.OutDir;
    if (Options.OutDirGiven ? Options.OutDir.isEmpty() : OutDir.isEmpty()) {
        Warn(QStringLiteral("Please, enter Output Folder"));
        return ceUsage;
    }
    if (Options.RunChecked && Projects.CheckedVisibleCount() == 0) {
        Warn(QStringLiteral("Please, check one or more projects."));
        return ceUsage;
    }

    TStdoutLog Log;
    TRunControl Control;
    std::unique_ptr<THrvThread> Thread;
    TStartProjectThread* StartThread = nullptr;
    if (Options.RunChecked) {
        Thread = std::make_unique<TLoadWebsitesThread>(Log, Control, Projects, OutDir);
    } else {
        auto Start
            = std::make_unique<TStartProjectThread>(Log, Control, Projects, OutDir, Options.StartNames);
        StartThread = Start.get();
        Thread = std::move(Start);
    }
    // The runner keeps the thread until it has read its results: a thread
    // that deletes itself on finished can be gone before the handler below.
    QObject::disconnect(Thread.get(), &QThread::finished, Thread.get(), &QObject::deleteLater);

    int Status = ceSuccess;
    QObject::connect(Thread.get(), &QThread::finished, qApp, [&] {
        if (Thread->EndedWithError()) {
            Warn(QStringLiteral("the run ended with an error: ") + Thread->ErrorMessage());
            Status = ceRunFailed;
        } else if (StartThread && !StartThread->StartProjectResult()) {
            Status = ceRunFailed;
        }
        qApp->quit();
    });
    RunningControl = &Control;
    struct sigaction Action = {};
    Action.sa_handler = OnInterrupt;
    sigaction(SIGINT, &Action, nullptr);
    sigaction(SIGTERM, &Action, nullptr);
    Thread->start();
    QCoreApplication::exec();
    Thread->wait();
    RunningControl = nullptr;
    return Status;
}
