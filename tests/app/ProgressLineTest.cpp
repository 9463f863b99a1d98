#include "CliProcess.h"
#include "support/ChildProcess.h"

#include "support/Files.h"
#include "support/ScriptedHttpServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

struct TerminalRun {
    int ExitCode = -1;
    QByteArray Terminal; // what the child wrote to its standard error, a terminal
};

// Runs harvo-cli with standard error on a new pseudo-terminal of 60 columns
// and standard output in OutputFile; reads the terminal until the child ends.
TerminalRun RunOnTerminal(const QStringList& Arguments, const QString& OutputFile)
{
    TerminalRun Run;
    const int Master = posix_openpt(O_RDWR | O_NOCTTY);
    if (Master < 0 || grantpt(Master) != 0 || unlockpt(Master) != 0) {
        ADD_FAILURE() << "no pseudo-terminal";
        return Run;
    }
    winsize Size {};
    Size.ws_col = 60;
    Size.ws_row = 24;
    const QByteArray SlaveName = ptsname(Master);
    const int Slave = open(SlaveName.constData(), O_RDWR | O_NOCTTY);
    ioctl(Slave, TIOCSWINSZ, &Size);

    std::vector<QByteArray> Words;
    std::vector<char*> Argv = SpawnArguments(HARVO_CLI_PATH, Arguments, Words);
    posix_spawn_file_actions_t Actions;
    posix_spawn_file_actions_init(&Actions);
    const QByteArray Out = QFile::encodeName(OutputFile);
    posix_spawn_file_actions_addopen(&Actions, 1, Out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&Actions, Slave, 2);
    posix_spawn_file_actions_addclose(&Actions, Master);
    pid_t Pid = -1;
    const bool Started = posix_spawn(&Pid, Argv[0], &Actions, nullptr, Argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&Actions);
    close(Slave);
    EXPECT_TRUE(Started);

    // Read until the child has ended and the terminal is drained.
    QElapsedTimer Timer;
    Timer.start();
    bool Ended = !Started;
    while (Timer.elapsed() < 120000) {
        pollfd Poll { Master, POLLIN, 0 };
        if (poll(&Poll, 1, 50) > 0 && (Poll.revents & POLLIN)) {
            char Buffer[4096];
            const ssize_t Count = read(Master, Buffer, sizeof Buffer);
            if (Count > 0) {
                Run.Terminal.append(Buffer, Count);
                continue;
            }
        }
        if (Ended)
            break;
        int Status = 0;
        if (waitpid(Pid, &Status, WNOHANG) == Pid) {
            Ended = true;
            Run.ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
        }
    }
    if (!Ended) {
        ADD_FAILURE() << "harvo-cli did not end";
        kill(Pid, SIGKILL);
        waitpid(Pid, nullptr, 0);
    }
    close(Master);
    return Run;
}

TEST(ProgressLine, ShownOnATerminalClearedAtTheEndAndTheLogUnchanged)
{
    ScriptedHttpServer Server;
    Server.SetFallback([](const RecordedRequest& Request) {
        // Six pages in a chain, each a little slow, so that the line is drawn.
        const int Number = Request.Path.mid(2).toInt();
        ScriptedReply Reply = ScriptedReply::Ok(
            Number < 5 ? "<a href=\"/p" + QByteArray::number(Number + 1) + "\">next</a>" : "end");
        Reply.DelayMs = 250;
        return Reply;
    });
    QTemporaryDir Temp;
    const QStringList Arguments { "--connections", "1", "-o", Temp.path() + "/out", Server.Url("/p0") };

    const TerminalRun OnTerminal = RunOnTerminal(Arguments, Temp.path() + "/stdout");
    EXPECT_EQ(OnTerminal.ExitCode, 0);
    QDir(Temp.path() + "/out").removeRecursively();
    const CliResult Plain = RunCli(Arguments);
    EXPECT_EQ(Plain.ExitCode, 0);
    EXPECT_TRUE(Plain.Errors.isEmpty()) << Plain.Errors.toStdString();

    EXPECT_EQ(ReadFile(Temp.path() + "/stdout"), Plain.Output);
    const QByteArray& Terminal = OnTerminal.Terminal;
    EXPECT_TRUE(Terminal.startsWith("\r\x1B[K")) << Terminal.constData();
    EXPECT_TRUE(Terminal.contains(" files, ")) << Terminal.constData();
    EXPECT_TRUE(Terminal.endsWith("\r\x1B[K")) << Terminal.constData();
    EXPECT_FALSE(Terminal.contains('\n')) << Terminal.constData();
    // No drawn line is wider than the terminal's 59 usable columns.
    for (const QByteArray& Drawn : Terminal.split('\r'))
        EXPECT_LE(Drawn.size() - 3, 59) << Drawn.constData();
}

} // namespace
