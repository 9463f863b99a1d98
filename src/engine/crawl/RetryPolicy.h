#pragma once

#include <exception>

// Whether a failed attempt at a URL is worth another one: a client error
// (400-499 but 408 and 429), a reply past a size bound or a certificate that
// fails its check would only come back the same.
bool IsRetryableFailure(const std::exception& E);

// The attempts left to one URL. A server that stalled (no data for the read
// time-out, or less than the low-speed rule) gets one more try, not all of
// them: each try costs minutes, and a stalled server seldom recovers in them.
class TRetryBudget {
public:
    explicit TRetryBudget(int Retries)
        : FRetriesLeft(Retries)
    {
    }
    // Counts the failure E; true when another attempt may follow.
    bool AllowsAnother(const std::exception& E);

private:
    int FRetriesLeft;
    int FStallRetriesLeft = 1;
};
