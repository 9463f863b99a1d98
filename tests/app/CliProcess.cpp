#include "CliProcess.h"

#include <QProcess>
#include <gtest/gtest.h>

CliResult RunCli(const QStringList& Arguments, const QString& WorkDir, int TimeoutMs)
{
    QProcess Process;
    if (!WorkDir.isEmpty())
        Process.setWorkingDirectory(WorkDir);
    Process.start(HARVO_CLI_PATH, Arguments);
    CliResult Result;
    EXPECT_TRUE(Process.waitForFinished(TimeoutMs)) << Arguments.join(' ').toStdString();
    Result.ExitCode = Process.exitStatus() == QProcess::NormalExit ? Process.exitCode() : -1;
    Result.Output = Process.readAllStandardOutput();
    Result.Lines = QString::fromUtf8(Result.Output).split('\n', Qt::SkipEmptyParts);
    Result.Errors = QString::fromUtf8(Process.readAllStandardError());
    return Result;
}
