#pragma once

#include <QPlainTextEdit>
#include <QStringList>
#include <QTimer>

// The run log's text view. A line is taken over at once and shown with the
// lines that follow it within a few milliseconds, so that a fast run is not
// slowed down by a layout and repaint for every line.
class TLogMemo : public QPlainTextEdit {
public:
    explicit TLogMemo(QWidget* Parent = nullptr);

    void AppendLine(const QString& Line);
    // Shows these lines now, after any taken over before them.
    void AppendLines(const QStringList& Lines);
    void ClearLines();
    // Shows the lines taken over but not shown yet.
    void ShowPendingLines();

private:
    QStringList FPending;
    QTimer FShowTimer;
};
