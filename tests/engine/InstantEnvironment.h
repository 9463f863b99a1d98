#pragma once

#include "engine/store/Environment.h"

#include <vector>

// A clock that jumps instead of sleeping: pauses take no time and are noted.
class TInstantEnvironment : public TEnvironment {
public:
    qint64 NowMs() override { return FNowMs; }
    void Sleep(int Ms, const std::function<bool()>& Stopped) override
    {
        Sleeps.push_back(Ms);
        if (!(Stopped && Stopped()))
            FNowMs += Ms;
    }

    std::vector<int> Sleeps; // each pause asked for, in order

private:
    qint64 FNowMs = 0;
};
