#pragma once

#include <QString>
#include <QtGlobal>
#include <deque>

struct TRunProgress;

// "512 B", "1.5 KB", "3.0 MB", "1.2 GB" (powers of 1024).
QString FormatByteCount(qint64 Bytes);
// "m:ss" under an hour, "h:mm:ss" from then on.
QString FormatElapsed(qint64 ElapsedMs);
// How far the run is, 0 to 100: the projects done and the part of the
// current project's list taken; a list not yet known counts as nothing done.
int ProgressPercent(int Project, int Projects, int Done, int Listed);

// What the window shows of a run at one moment.
struct TProgressView {
    int Percent = 0;
    QString Status;
};

// Turns the progress of one run into what the window shows. The rate is
// taken over the last RateWindowMs, so that it follows the run's pace
// rather than its average.
class TRunProgressText {
public:
    static constexpr qint64 RateWindowMs = 5000;

    TRunProgressText();
    // Forgets the rate of an earlier run; a run starts at 0 ms with 0 bytes.
    void Restart();
    // ElapsedMs: time since the run started; calls come in time order.
    TProgressView Show(const TRunProgress& Progress, qint64 ElapsedMs);

private:
    struct TSample {
        qint64 ElapsedMs;
        qint64 Bytes;
    };
    qint64 BytesPerSecond(qint64 ElapsedMs, qint64 Bytes);

    std::deque<TSample> FSamples;
};
