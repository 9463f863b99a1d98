#pragma once

#include <QElapsedTimer>
#include <QString>
#include <cstdio>
#include <mutex>

// The one-line progress display on a terminal: files done of those known,
// bytes saved, files per second and the current URL, shortened to the
// terminal's width. It is read from the run's log lines: "Downloading [ i / n
// ]: URL" and "Saving: path" (the size of the saved file counts once the
// next line comes). Lines arrive on the worker thread; Draw runs on a timer.
class TProgressLine {
public:
    explicit TProgressLine(std::FILE* Terminal);

    void Take(const QString& LogLine);
    // Redraws the line when something changed since the last draw.
    void Draw();
    // Removes the line, so that text can be written in its place.
    void Clear();

private:
    void CountSavedFile();
    QString Text(int Width) const;

    std::FILE* FTerminal;
    std::mutex FLock;
    QElapsedTimer FClock;
    int FDone = 0;
    int FKnown = 0;
    qint64 FBytes = 0;
    QString FURL;
    QString FSavedFile; // saved by now, counted at the next line
    bool FChanged = false;
    bool FShown = false;
};
