#include "ConsoleLog.h"

#include "ProgressLine.h"

#include <cstdio>
#include <unistd.h>

namespace {

bool IsSummaryLine(const QString& Line)
{
    return Line.startsWith(QLatin1String("Project \"")) || Line.startsWith(QLatin1String("Downloaded: "))
        || Line == QLatin1String("Completed.") || Line == QLatin1String("Terminated.");
}

} // namespace

TConsoleLog::TConsoleLog(bool Quiet, TProgressLine* Progress)
    : FQuiet(Quiet)
    , FProgress(Progress)
    , FStdoutIsTerminal(isatty(STDOUT_FILENO) == 1)
{
}

void TConsoleLog::LogMsg(const QString& AMsg)
{
    if (FProgress)
        FProgress->Take(AMsg);
    if (FQuiet && !IsSummaryLine(AMsg))
        return;
    if (FProgress && FStdoutIsTerminal)
        FProgress->Clear();
    const QByteArray Line = AMsg.toUtf8() + '\n';
    std::fwrite(Line.constData(), 1, static_cast<size_t>(Line.size()), stdout);
    std::fflush(stdout);
}

void Warn(const QString& Text)
{
    std::fprintf(stderr, "harvo-cli: %s\n", Text.toUtf8().constData());
    std::fflush(stderr);
}
