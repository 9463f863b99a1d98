#include "ui/MemoRunLog.h"

#include <QMutexLocker>
#include <QThread>

namespace {

// Ten updates a second look live; every update repaints the log, and the
// painting competes with the run for the processor.
constexpr int DeliveryIntervalMs = 100;

} // namespace

TMemoRunLog::TMemoRunLog(std::function<void(const QStringList&)> Deliver)
    : FDeliver(std::move(Deliver))
{
    FDeliveryTimer.setInterval(DeliveryIntervalMs);
    QObject::connect(&FDeliveryTimer, &QTimer::timeout, [this] { DeliverWaitingLines(); });
}

void TMemoRunLog::LogMsg(const QString& AMsg)
{
    {
        QMutexLocker Locker(&FLock);
        FWaiting << AMsg;
    }
    // A line of the window's own thread is shown at once, after the ones
    // before it.
    if (QThread::currentThread() == FDeliveryTimer.thread())
        DeliverWaitingLines();
}

void TMemoRunLog::StartDelivery()
{
    FDeliveryTimer.start();
}

void TMemoRunLog::FinishDelivery()
{
    FDeliveryTimer.stop();
    DeliverWaitingLines();
}

void TMemoRunLog::DeliverWaitingLines()
{
    QStringList Lines;
    {
        QMutexLocker Locker(&FLock);
        Lines.swap(FWaiting);
    }
    if (!Lines.isEmpty())
        FDeliver(Lines);
}
