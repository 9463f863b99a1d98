#pragma once

#include "engine/crawl/HrvThread.h"

#include <QMutex>
#include <QStringList>
#include <QTimer>
#include <functional>

// The window's run log. A line is handed over under a lock and the caller goes
// on at once: waiting for the window's thread on every line would cost a run
// two thread switches a line, and showing every line by itself a layout and a
// repaint. The first line of a batch arms a timer on the window's thread,
// which delivers the batch, in order, a moment later.
class TMemoRunLog : public TRunLog {
public:
    // Deliver runs on the thread that makes the log.
    explicit TMemoRunLog(std::function<void(const QStringList&)> Deliver);

    // Any thread.
    void LogMsg(const QString& AMsg) override;

    // The window's thread: delivers the lines still waiting now.
    void DeliverWaitingLines();

private:
    std::function<void(const QStringList&)> FDeliver;
    QMutex FLock;
    QStringList FWaiting;
    QTimer FDeliveryTimer;
};
