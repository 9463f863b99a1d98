#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <random>

// What an idle host saves up of its rate cap, in milliseconds of it.
constexpr long long RateBurstMs = 100;

// How politely the transfers of a run treat each host.
struct TPacingRules {
    int WaitMs = 0; // between the starts of two requests to one host
    bool RandomWait = false; // each wait 0.5 to 1.5 times WaitMs
    qint64 LimitRate = 0; // bytes a second received from one host; 0: no cap
};

// Spaces and serialises the transfers to each host for every client that
// shares it. A host with a rule (a wait, a delay of its own, a rate cap)
// gets one transfer at a time: the next one starts its wait when the one
// before started, and the rate cap, kept on the bytes the transfers take,
// is then the host's cap. A host without a rule is not held at all.
class THostPacer {
public:
    // Told when a transfer may go, and after how many milliseconds.
    using TGo = std::function<void(long long DelayMs)>;
    using TClock = std::function<long long()>;

    explicit THostPacer(TClock Clock = {});

    void SetRules(const TPacingRules& Rules);
    // A host's own minimum gap (robots.txt's Crawl-delay); the gap is the
    // larger of it and the wait.
    void SetHostDelay(const QByteArray& Host, int Ms);

    // Go is called at once, or by the Release that frees Host (on that
    // caller's thread). Every Admit is matched by one Release once its
    // transfer ended.
    void Admit(const QByteArray& Host, TGo Go);
    void Release(const QByteArray& Host);
    // Takes Bytes received from Host under the rate cap: 0 when they fit
    // what the cap allows by now (they are counted), else the milliseconds
    // until they will (nothing is counted). An idle host saves up at most
    // RateBurstMs worth of the cap; more bytes than that go once it has.
    long long TakeBytes(const QByteArray& Host, qint64 Bytes);

private:
    struct THost {
        long long NextStartMs = 0; // no start before this
        int DelayMs = 0;
        int Running = 0; // transfers admitted and not yet released
        std::deque<TGo> Waiting;
        // The time by which the bytes taken so far were allowed.
        double RatePaidMs = 0;
    };
    bool Paced(const THost& Host) const;
    // Books the next start to Host; its delay from now.
    long long BookStart(THost& Host);
    int NextGapMs(const THost& Host);

    TClock FClock;
    mutable std::mutex FMutex;
    TPacingRules FRules;
    std::map<QByteArray, THost> FHosts;
    std::mt19937 FRandom { std::random_device {}() };
};
