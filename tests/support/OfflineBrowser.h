#pragma once

#include <QString>
#include <QStringList>

// A saved page as headless Chromium shows it from disk with every network
// name unresolvable.
struct OfflineView {
    QStringList FailedFiles; // files it requested but did not find
    int Requests = 0; // files it requested
    QString Dom; // the document after its scripts ran
    bool Finished = false;
};

// The chromium program, or empty when it is not installed.
QString FindChromium();

// Opens File in Browser and waits for it to finish, at most TimeoutMs.
OfflineView ViewOffline(const QString& Browser, const QString& File, int TimeoutMs = 90000);
