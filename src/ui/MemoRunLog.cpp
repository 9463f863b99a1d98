#include "ui/MemoRunLog.h"

#include <QMetaObject>
#include <QMutexLocker>

namespace {

// Ten updates a second look live; every update repaints the log, and the
// painting competes with the run for the processor.
constexpr int DeliveryDelayMs = 100;

} // namespace

TMemoRunLog::TMemoRunLog(std::function<void(const QStringList&)> Deliver)
    : FDeliver(std::move(Deliver))
{
    FDeliveryTimer.setSingleShot(true);
    FDeliveryTimer.setInterval(DeliveryDelayMs);
    QObject::connect(&FDeliveryTimer, &QTimer::timeout, [this] { DeliverWaitingLines(); });
}

void TMemoRunLog::LogMsg(const QString& AMsg)
{
    bool StartsBatch = false;
    {
        QMutexLocker Locker(&FLock);
        StartsBatch = FWaiting.isEmpty();
        FWaiting << AMsg;
    }
    // Runs at once on the window's thread, queued from any other.
    if (StartsBatch)
        QMetaObject::invokeMethod(&FDeliveryTimer, [this] { FDeliveryTimer.start(); });
}

void TMemoRunLog::DeliverWaitingLines()
{
    FDeliveryTimer.stop();
    QStringList Lines;
    {
        QMutexLocker Locker(&FLock);
        Lines.swap(FWaiting);
    }
    if (!Lines.isEmpty())
        FDeliver(Lines);
}
