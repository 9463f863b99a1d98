#include "ui/RunProgressPanel.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

TRunProgressPanel::TRunProgressPanel(const TRunProgress& Progress, QWidget* Parent)
    : QWidget(Parent)
    , FProgress(Progress)
    , FTimer(new QTimer(this))
    , FProgressBar(new QProgressBar(this))
    , FStatusLabel(new QLabel(this))
{
    FProgressBar->setRange(0, 100);
    FStatusLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->addWidget(FProgressBar);
    Layout->addWidget(FStatusLabel);
    FTimer->setInterval(RefreshMs);
    connect(FTimer, &QTimer::timeout, this, &TRunProgressPanel::Refresh);
    setVisible(false);
}

void TRunProgressPanel::Start()
{
    FText.Restart();
    FElapsed.start();
    FPercent = -1;
    Refresh();
    show();
    FTimer->start();
}

void TRunProgressPanel::Stop()
{
    FTimer->stop();
    hide();
    FProgressBar->reset();
    FStatusLabel->clear();
    FPercent = -1;
    emit PercentChanged(-1);
}

void TRunProgressPanel::Refresh()
{
    const TProgressView View = FText.Show(FProgress, FElapsed.elapsed());
    FProgressBar->setValue(View.Percent);
    FStatusLabel->setText(View.Status);
    if (View.Percent != FPercent) {
        FPercent = View.Percent;
        emit PercentChanged(FPercent);
    }
}
