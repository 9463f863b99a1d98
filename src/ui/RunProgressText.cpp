#include "ui/RunProgressText.h"

#include "engine/crawl/RunContext.h"

#include <algorithm>
#include <iterator>

QString FormatByteCount(qint64 Bytes)
{
    if (Bytes < 1024)
        return QStringLiteral("%1 B").arg(Bytes);
    static const char* const Units[] = { "KB", "MB", "GB" };
    double Value = double(Bytes) / 1024;
    int Unit = 0;
    // Rounding to one decimal may reach 1024.0: that is the next unit's 1.0.
    while (Value >= 1024 - 0.05 && Unit + 1 < int(std::size(Units))) {
        Value /= 1024;
        ++Unit;
    }
    return QStringLiteral("%1 %2").arg(Value, 0, 'f', 1).arg(QLatin1String(Units[Unit]));
}

QString FormatElapsed(qint64 ElapsedMs)
{
    const qint64 Seconds = std::max<qint64>(ElapsedMs, 0) / 1000;
    const qint64 Hours = Seconds / 3600;
    const QString MinutesSeconds = QStringLiteral("%1:%2")
                                       .arg(Seconds / 60 % 60, Hours > 0 ? 2 : 1, 10, QLatin1Char('0'))
                                       .arg(Seconds % 60, 2, 10, QLatin1Char('0'));
    return Hours > 0 ? QStringLiteral("%1:%2").arg(Hours).arg(MinutesSeconds) : MinutesSeconds;
}

int ProgressPercent(int Project, int Projects, int Done, int Listed)
{
    if (Projects <= 0 || Project <= 0)
        return 0;
    const double ListPart = Listed > 0 ? double(std::clamp(Done, 0, Listed)) / Listed : 0;
    const double Whole = (std::min(Project, Projects) - 1 + ListPart) / Projects;
    return std::clamp(int(Whole * 100), 0, 100);
}

TRunProgressText::TRunProgressText()
{
    Restart();
}

void TRunProgressText::Restart()
{
    FSamples.assign(1, TSample { 0, 0 });
}

qint64 TRunProgressText::BytesPerSecond(qint64 ElapsedMs, qint64 Bytes)
{
    FSamples.push_back(TSample { ElapsedMs, Bytes });
    // The oldest sample kept is the last one at or before the window's start.
    while (FSamples.size() > 2 && FSamples[1].ElapsedMs <= ElapsedMs - RateWindowMs)
        FSamples.pop_front();
    const TSample& From = FSamples.front();
    const qint64 Span = ElapsedMs - From.ElapsedMs;
    return Span > 0 ? std::max<qint64>(Bytes - From.Bytes, 0) * 1000 / Span : 0;
}

TProgressView TRunProgressText::Show(const TRunProgress& Progress, qint64 ElapsedMs)
{
    const int Project = Progress.Project;
    const int Projects = Progress.Projects;
    const int Done = Progress.Done;
    const int Listed = Progress.Listed;
    const qint64 Bytes = Progress.Bytes;
    const QString Separator = QStringLiteral(" \u00B7 ");
    TProgressView View;
    View.Percent = ProgressPercent(Project, Projects, Done, Listed);
    View.Status = QStringLiteral("Project %1 of %2").arg(Project).arg(Projects) + Separator
        + QStringLiteral("files %1 of %2").arg(Done).arg(Listed) + Separator + FormatByteCount(Bytes)
        + Separator + FormatByteCount(BytesPerSecond(ElapsedMs, Bytes)) + QStringLiteral("/s") + Separator
        + FormatElapsed(ElapsedMs);
    return View;
}
