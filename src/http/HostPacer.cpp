#include "http/HostPacer.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

long long SteadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

THostPacer::THostPacer(TClock Clock)
    : FClock(Clock ? std::move(Clock) : TClock(SteadyMs))
{
}

void THostPacer::SetRules(const TPacingRules& Rules)
{
    const std::lock_guard<std::mutex> Lock(FMutex);
    FRules = Rules;
}

void THostPacer::SetHostDelay(const QByteArray& Host, int Ms)
{
    const std::lock_guard<std::mutex> Lock(FMutex);
    FHosts[Host.toLower()].DelayMs = std::max(Ms, 0);
}

bool THostPacer::Paced(const THost& Host) const
{
    return FRules.WaitMs > 0 || FRules.LimitRate > 0 || Host.DelayMs > 0;
}

int THostPacer::NextGapMs(const THost& Host)
{
    int Wait = FRules.WaitMs;
    if (FRules.RandomWait && Wait > 0)
        Wait = std::uniform_int_distribution<int>(Wait / 2, Wait + Wait / 2)(FRandom);
    return std::max(Wait, Host.DelayMs);
}

long long THostPacer::BookStart(THost& Host)
{
    const long long Now = FClock();
    const long long Start = std::max(Now, Host.NextStartMs);
    Host.NextStartMs = Start + NextGapMs(Host);
    return Start - Now;
}

void THostPacer::Admit(const QByteArray& Host, TGo Go)
{
    long long DelayMs = 0;
    {
        const std::lock_guard<std::mutex> Lock(FMutex);
        THost& Entry = FHosts[Host.toLower()];
        if (Paced(Entry)) {
            if (Entry.Running > 0) {
                Entry.Waiting.push_back(std::move(Go));
                return;
            }
            DelayMs = BookStart(Entry);
        }
        ++Entry.Running;
    }
    Go(DelayMs);
}

void THostPacer::Release(const QByteArray& Host)
{
    TGo Next;
    long long DelayMs = 0;
    {
        const std::lock_guard<std::mutex> Lock(FMutex);
        THost& Entry = FHosts[Host.toLower()];
        if (--Entry.Running > 0 || Entry.Waiting.empty())
            return;
        ++Entry.Running;
        Next = std::move(Entry.Waiting.front());
        Entry.Waiting.pop_front();
        DelayMs = BookStart(Entry);
    }
    Next(DelayMs);
}

long long THostPacer::TakeBytes(const QByteArray& Host, qint64 Bytes)
{
    const std::lock_guard<std::mutex> Lock(FMutex);
    if (FRules.LimitRate <= 0)
        return 0;
    const long long Now = FClock();
    THost& Entry = FHosts[Host.toLower()];
    Entry.RatePaidMs = std::max(Entry.RatePaidMs, double(Now - RateBurstMs));
    const double CostMs = double(Bytes) * 1000.0 / double(FRules.LimitRate);
    // Bytes worth more than the burst go once the host has saved up all it
    // may, and the host then pays them off before it takes more.
    const double DueMs = Entry.RatePaidMs + std::min(CostMs, double(RateBurstMs));
    if (DueMs > double(Now))
        return static_cast<long long>(std::ceil(DueMs - double(Now)));
    Entry.RatePaidMs += CostMs;
    return 0;
}
