#include "ConsoleLog.h"

#include "ProgressLine.h"

#include <QRegularExpression>
#include <cstdio>
#include <unistd.h>

namespace {

// The lines that tell how a run goes on, which -q leaves out. Every other line
// is a project line, a summary, the run's last line or part of an error,
// so that no error is hidden, whatever its text.
bool IsProgressLine(const QString& Line)
{
    static const QRegularExpression Progress(
        QStringLiteral("^(Downloading \\[ \\d+ / \\d+ \\]: |Redirect to: |Retry #\\d+\\.\\.\\.$|Saving: "
                       "|File does not changed: |File already exists: |\\d+ new URLs extracted\\.$|URL limit "
                       "reached |Links repaired in )"));
    return Progress.match(Line).hasMatch();
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
    if (FQuiet && IsProgressLine(AMsg))
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

void ReportFailedURLs(const TFailureReport& Report)
{
    const int Total = Report.Total();
    if (Total == 0)
        return;
    Warn(Total == 1 ? QStringLiteral("1 URL failed:") : QStringLiteral("%1 URLs failed:").arg(Total));
    for (const TFailedURL& Failure : Report.Failures()) {
        QString Line = QStringLiteral("  %1: %2").arg(Failure.URL, EscapeControlCharacters(Failure.Reason));
        if (!Failure.LinkedFrom.isEmpty())
            Line += QStringLiteral(" (linked from %1)").arg(Failure.LinkedFrom);
        std::fprintf(stderr, "%s\n", Line.toUtf8().constData());
    }
    if (Total > TFailureReport::Limit)
        std::fprintf(stderr, "  and %d more\n", Total - TFailureReport::Limit);
    std::fflush(stderr);
}
