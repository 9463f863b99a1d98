#pragma once

#include "engine/crawl/HrvThread.h"

class TProgressLine;

// The run log on standard output: every line as it is logged, flushed. Quiet
// leaves out the lines of the run's progress: the project lines, the
// summaries, the run's last line and the errors remain. A
// progress line on the terminal is fed each line, and is cleared before a
// line goes to the same terminal.
class TConsoleLog : public TRunLog {
public:
    TConsoleLog(bool Quiet, TProgressLine* Progress);
    void LogMsg(const QString& AMsg) override;

private:
    bool FQuiet;
    TProgressLine* FProgress;
    bool FStdoutIsTerminal;
};

// "harvo-cli: " and Text on standard error.
void Warn(const QString& Text);

// Writes the failed URLs of a run to standard error, each with its reason
// and the page that linked it, the first of them and a count of the rest.
void ReportFailedURLs(const TFailureReport& Report);
