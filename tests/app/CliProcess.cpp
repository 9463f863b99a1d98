#include "CliProcess.h"

#include "support/PrivateCacheFolder.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

// The quick copy takes its proxy from the environment: the tests reach their
// own servers directly unless a test names a proxy itself. The crawl state
// goes to a cache folder of the tests' own.
class WithoutProxyVariables : public ::testing::Environment {
public:
    void SetUp() override
    {
        UsePrivateCacheFolder();
        for (const char* Name : { "http_proxy", "https_proxy", "all_proxy", "no_proxy", "HTTP_PROXY",
                 "HTTPS_PROXY", "ALL_PROXY", "NO_PROXY" })
            qunsetenv(Name);
    }
};

const ::testing::Environment* const ProxyVariablesCleared
    = ::testing::AddGlobalTestEnvironment(new WithoutProxyVariables);

CliResult Run(const QStringList& Arguments, const QByteArray& Input, const QString& WorkDir, int TimeoutMs)
{
    QProcess Process;
    if (!WorkDir.isEmpty())
        Process.setWorkingDirectory(WorkDir);
    Process.start(HARVO_CLI_PATH, Arguments);
    Process.write(Input);
    Process.closeWriteChannel();
    CliResult Result;
    EXPECT_TRUE(Process.waitForFinished(TimeoutMs)) << Arguments.join(' ').toStdString();
    Result.ExitCode = Process.exitStatus() == QProcess::NormalExit ? Process.exitCode() : -1;
    Result.Output = Process.readAllStandardOutput();
    Result.Lines = QString::fromUtf8(Result.Output).split('\n', Qt::SkipEmptyParts);
    Result.Errors = QString::fromUtf8(Process.readAllStandardError());
    return Result;
}

} // namespace

CliResult RunCli(const QStringList& Arguments, const QString& WorkDir, int TimeoutMs)
{
    return Run(Arguments, QByteArray(), WorkDir, TimeoutMs);
}

CliResult RunCliWithInput(const QStringList& Arguments, const QByteArray& Input, const QString& WorkDir)
{
    return Run(Arguments, Input, WorkDir, 120000);
}
