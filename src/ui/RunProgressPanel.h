#pragma once

#include "ui/RunProgressText.h"

#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QTimer;
struct TRunProgress;

// The progress bar and status line under the run log: shown while a run
// goes, refreshed from the run's counters at most ten times a second.
class TRunProgressPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int RefreshMs = 100;

    // Progress is written by the run's worker and must outlive the panel.
    TRunProgressPanel(const TRunProgress& Progress, QWidget* Parent = nullptr);

    // A run begins: the counters have just been reset.
    void Start();
    // The run has ended: the panel is hidden and cleared.
    void Stop();

    QProgressBar* ProgressBar() const { return FProgressBar; }
    QLabel* StatusLabel() const { return FStatusLabel; }

signals:
    // The percentage shown while a run goes; -1 once it has ended.
    void PercentChanged(int Percent);

private:
    void Refresh();

    const TRunProgress& FProgress;
    TRunProgressText FText;
    QElapsedTimer FElapsed;
    QTimer* FTimer = nullptr;
    QProgressBar* FProgressBar = nullptr;
    QLabel* FStatusLabel = nullptr;
    int FPercent = -1;
};
