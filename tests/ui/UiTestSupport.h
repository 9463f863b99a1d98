#pragma once

#include "ui/DesktopShell.h"
#include "ui/HrvFormUnit.h"

#include <QList>
#include <QStringList>
#include <functional>

class QDialog;

// One message box that a test answered instead of the user.
struct TShownMessage {
    QMessageBox::Icon Icon;
    QString Title;
    QString Text;
    QMessageBox::StandardButtons Buttons;
};

// Answers every message box while it lives: with the queued answers first,
// then with Answer; records what was shown.
class TMessageBoxAnswers {
public:
    explicit TMessageBoxAnswers(QMessageBox::StandardButton Answer = QMessageBox::Ok);
    ~TMessageBoxAnswers();

    void Queue(QMessageBox::StandardButton Answer) { FQueued.append(Answer); }
    const QList<TShownMessage>& Shown() const { return FShown; }

private:
    QMessageBox::StandardButton FAnswer;
    QList<QMessageBox::StandardButton> FQueued;
    QList<TShownMessage> FShown;
    TMessageBoxHook FPrevious;
};

// Records what would have gone to the desktop and answers the folder browser.
class TDesktopShellRecorder {
public:
    explicit TDesktopShellRecorder(QString BrowseAnswer = QString());
    ~TDesktopShellRecorder();

    QStringList Opened;
    QStringList BrowseStarts;

private:
    QString FBrowseAnswer;
    TDesktopShellHooks FPrevious;
};

// Runs Action on the next modal dialog as soon as it is shown (at most a few
// seconds later); the dialog is rejected afterwards if Action left it open.
void WhenModal(std::function<void(QDialog&)> Action);

// Processes events until Done holds or the time-out passes; returns Done().
bool WaitUntil(const std::function<bool()>& Done, int TimeoutMs = 10000);
