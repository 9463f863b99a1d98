#include "engine/store/Environment.h"

#include <QElapsedTimer>
#include <QThread>
#include <algorithm>

namespace {

class TSystemEnvironment final : public TEnvironment {
public:
    TSystemEnvironment() { FClock.start(); }

    qint64 NowMs() override { return FClock.elapsed(); }

    void Sleep(int Ms, const std::function<bool()>& Stopped) override
    {
        // Short slices, so that Break ends a pause at once.
        constexpr int SliceMs = 20;
        for (int Waited = 0; Waited < Ms && !(Stopped && Stopped()); Waited += SliceMs)
            QThread::msleep(std::min(SliceMs, Ms - Waited));
    }

private:
    QElapsedTimer FClock;
};

} // namespace

TEnvironment& TEnvironment::System()
{
    static TSystemEnvironment Instance;
    return Instance;
}
