#include "ui/MemoRunLog.h"

#include <QMetaObject>
#include <QThread>

TMemoRunLog::TMemoRunLog(QObject& Receiver, std::function<void(const QString&)> Append)
    : FReceiver(Receiver)
    , FAppend(std::move(Append))
{
}

void TMemoRunLog::LogMsg(const QString& AMsg)
{
    if (QThread::currentThread() == FReceiver.thread())
        FAppend(AMsg);
    else
        QMetaObject::invokeMethod(
            &FReceiver, [this, &AMsg] { FAppend(AMsg); }, Qt::BlockingQueuedConnection);
}
