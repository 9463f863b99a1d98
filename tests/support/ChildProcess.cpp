#include "ChildProcess.h"

#include "Files.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

constexpr int PollMs = 1;

} // namespace

std::vector<char*> SpawnArguments(
    const QString& Program, const QStringList& Arguments, std::vector<QByteArray>& Words)
{
    Words = { QFile::encodeName(Program) };
    for (const QString& Argument : Arguments)
        Words.push_back(Argument.toUtf8());
    std::vector<char*> Argv;
    for (QByteArray& Word : Words)
        Argv.push_back(Word.data());
    Argv.push_back(nullptr);
    return Argv;
}

ChildProcess::ChildProcess(const QString& Program, const QStringList& Arguments, const QString& OutputFile)
    : FOutputFile(OutputFile)
{
    std::vector<QByteArray> Words;
    std::vector<char*> Argv = SpawnArguments(Program, Arguments, Words);

    posix_spawn_file_actions_t Actions;
    posix_spawn_file_actions_init(&Actions);
    const QByteArray Out = QFile::encodeName(OutputFile);
    const QByteArray Err = QFile::encodeName(OutputFile + ".err");
    posix_spawn_file_actions_addopen(&Actions, 1, Out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&Actions, 2, Err.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawn(&FPid, Argv[0], &Actions, nullptr, Argv.data(), environ) != 0)
        FPid = -1;
    posix_spawn_file_actions_destroy(&Actions);
}

ChildProcess::~ChildProcess()
{
    if (FPid > 0) {
        Kill(SIGKILL);
        Reap(true);
    }
}

bool ChildProcess::Reap(bool Block)
{
    int Status = 0;
    rusage Usage {};
    if (wait4(FPid, &Status, Block ? 0 : WNOHANG, &Usage) != FPid)
        return false;
    FPid = -1;
    FExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
    FPeakRssKiB = Usage.ru_maxrss;
    return true;
}

bool ChildProcess::Wait(int TimeoutMs)
{
    QElapsedTimer Timer;
    Timer.start();
    while (FPid > 0 && !Reap(false)) {
        if (Timer.elapsed() > TimeoutMs) {
            Kill(SIGKILL);
            Reap(true);
            return false;
        }
        QThread::msleep(PollMs);
    }
    return true;
}

bool ChildProcess::WaitForOutput(const QByteArray& Text, int TimeoutMs) const
{
    QElapsedTimer Timer;
    Timer.start();
    while (!ReadFile(FOutputFile).contains(Text)) {
        if (Timer.elapsed() > TimeoutMs)
            return false;
        QThread::msleep(PollMs);
    }
    return true;
}

void ChildProcess::Kill(int Signal) const
{
    if (FPid > 0)
        ::kill(FPid, Signal);
}

QStringList ChildProcess::OutputLines() const
{
    return QString::fromUtf8(ReadFile(FOutputFile)).split('\n', Qt::SkipEmptyParts);
}

QString ChildProcess::Errors() const
{
    return QString::fromUtf8(ReadFile(FOutputFile + ".err"));
}
