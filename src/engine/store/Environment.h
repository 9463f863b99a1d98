#pragma once

#include <QtGlobal>
#include <functional>

// What a run asks of the system that a test wants to control: time and
// waiting (and, through the store, the file operations that can fail for
// want of room). The system's own is TEnvironment::System(); a test puts
// one in its place to run retry pauses in zero time or to make the Nth
// write fail.
class TEnvironment {
public:
    virtual ~TEnvironment() = default;

    // Milliseconds on a clock that only moves forward.
    virtual qint64 NowMs() = 0;
    // Waits Ms milliseconds, or less once Stopped turns true.
    virtual void Sleep(int Ms, const std::function<bool()>& Stopped) = 0;

    static TEnvironment& System();
};
