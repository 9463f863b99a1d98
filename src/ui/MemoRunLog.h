#pragma once

#include "engine/HrvThread.h"

#include <QMutex>
#include <QStringList>
#include <QTimer>
#include <functional>

// The window's run log. The worker hands each line over under a lock and goes
// on at once: waiting for the window's thread on every line would cost the
// run two thread switches a line. The window's thread takes the waiting lines
// in order, a batch every few milliseconds while a run lasts and the rest when
// it ends.
class TMemoRunLog : public TRunLog {
public:
    explicit TMemoRunLog(std::function<void(const QStringList&)> Deliver);

    // Any thread.
    void LogMsg(const QString& AMsg) override;

    // The window's thread: batches are delivered from StartDelivery until
    // FinishDelivery, which delivers the lines still waiting.
    void StartDelivery();
    void FinishDelivery();

private:
    void DeliverWaitingLines();

    std::function<void(const QStringList&)> FDeliver;
    QMutex FLock;
    QStringList FWaiting;
    QTimer FDeliveryTimer;
};
