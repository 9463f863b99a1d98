#include "ui/LogMemo.h"

namespace {

// About twenty updates a second: smooth to watch, cheap for the run.
constexpr int ShowDelayMs = 50;

} // namespace

TLogMemo::TLogMemo(QWidget* Parent)
    : QPlainTextEdit(Parent)
{
    FShowTimer.setSingleShot(true);
    FShowTimer.setInterval(ShowDelayMs);
    connect(&FShowTimer, &QTimer::timeout, this, &TLogMemo::ShowPendingLines);
}

void TLogMemo::AppendLine(const QString& Line)
{
    FPending << Line;
    if (!FShowTimer.isActive())
        FShowTimer.start();
}

void TLogMemo::AppendLines(const QStringList& Lines)
{
    FPending << Lines;
    ShowPendingLines();
}

void TLogMemo::ClearLines()
{
    FPending.clear();
    FShowTimer.stop();
    clear();
}

void TLogMemo::ShowPendingLines()
{
    FShowTimer.stop();
    if (FPending.isEmpty())
        return;
    appendPlainText(FPending.join(QLatin1Char('\n')));
    FPending.clear();
}
