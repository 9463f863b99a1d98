#include "engine/crawl/HrvThread.h"

#include "containers/Exception.h"

THrvThread::THrvThread(TRunLog& ALog, TRunControl& AControl)
    : TRunContext(ALog, AControl)
{
    // One handler for both steps, so that the results are read before the
    // object goes away.
    connect(this, &QThread::finished, this, [this] {
        emit Completed();
        deleteLater();
    });
}

void THrvThread::run()
{
    try {
        Execute();
    } catch (const Exception& E) {
        FEndedWithError = true;
        FErrorMessage = E.Message();
    } catch (const std::exception& E) {
        FEndedWithError = true;
        FErrorMessage = QString::fromUtf8(E.what());
    }
}
