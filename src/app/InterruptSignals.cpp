#include "InterruptSignals.h"

#include "engine/crawl/HrvThread.h"

#include <atomic>
#include <csignal>
#include <unistd.h>

namespace {

std::atomic<TRunControl*> WatchedRun { nullptr };
volatile std::sig_atomic_t Interrupts = 0;
std::atomic<int> FirstSignal { 0 };

static_assert(std::atomic<TRunControl*>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<int>::is_always_lock_free);

// The shell's status for a program that a signal ended.
int SignalStatus(int Signal)
{
    return 128 + Signal;
}

extern "C" void OnInterrupt(int Signal)
{
    TRunControl* Control = WatchedRun.load();
    if (++Interrupts > 1 || !Control)
        _exit(SignalStatus(Signal));
    FirstSignal.store(Signal);
    Control->FTerminated.store(true);
}

} // namespace

void InstallInterruptHandlers()
{
    struct sigaction Action = {};
    Action.sa_handler = OnInterrupt;
    sigemptyset(&Action.sa_mask);
    // Restarted calls: a log line being written when the signal comes is
    // written whole, on whichever thread the signal lands.
    Action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &Action, nullptr);
    sigaction(SIGTERM, &Action, nullptr);
}

void WatchRun(TRunControl* Control)
{
    WatchedRun.store(Control);
}

int InterruptStatus()
{
    const int Signal = FirstSignal.load();
    return Signal ? SignalStatus(Signal) : 0;
}
