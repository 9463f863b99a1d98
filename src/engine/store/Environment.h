#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

class QTemporaryFile;

// What a run asks of the system that a test wants to control: time and
// waiting, and the file operations of the store that can fail for want of
// room. The system's own is TEnvironment::System(); a test puts one in its
// place to run retry pauses in zero time or to make the Nth write fail.
// The file operations return 0 or the system's reason (an errno value), so
// that the store words every failure the same way whoever caused it.
class TEnvironment {
public:
    virtual ~TEnvironment() = default;

    // Milliseconds on a clock that only moves forward.
    virtual qint64 NowMs() = 0;
    // Waits Ms milliseconds, or less once Stopped turns true.
    virtual void Sleep(int Ms, const std::function<bool()>& Stopped) = 0;
    // A pause of Ms that the caller waits out on a timer of its own, rather
    // than in Sleep: how long that timer waits.
    virtual int TimerPauseMs(int Ms) { return Ms; }

    // Creates and opens File from its template.
    virtual int OpenTemporary(QTemporaryFile& File) = 0;
    // Writes all Size bytes to the open descriptor Handle.
    virtual int Write(int Handle, const char* Data, qint64 Size) = 0;
    // Gives the file From the name To, in place of any file there.
    virtual int Rename(const QString& From, const QString& To) = 0;
    // Creates the one folder Folder (EEXIST when something is there).
    virtual int MakeFolder(const QString& Folder) = 0;

    static TEnvironment& System();
};
