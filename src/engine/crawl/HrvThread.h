#pragma once

#include "engine/crawl/RunContext.h"

#include <QString>
#include <QThread>

// THrvThread: a run's worker thread, the run's context on a thread of its
// own. Once the work has ended, Completed is emitted on the thread that made
// the object (the termination handler's place), and the object deletes
// itself right after it.
class THrvThread : public QThread, public TRunContext {
    Q_OBJECT
public:
    THrvThread(TRunLog& ALog, TRunControl& AControl);

    // True when an error escaped the work; its message is not logged.
    bool EndedWithError() const { return FEndedWithError; }
    const QString& ErrorMessage() const { return FErrorMessage; }

signals:
    void Completed();

protected:
    virtual void Execute() = 0;

private:
    void run() final;

    bool FEndedWithError = false;
    QString FErrorMessage;
};
