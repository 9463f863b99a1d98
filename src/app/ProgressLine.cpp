#include "ProgressLine.h"

#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr int DefaultWidth = 80;

int TerminalWidth(std::FILE* Terminal)
{
    winsize Size {};
    if (ioctl(fileno(Terminal), TIOCGWINSZ, &Size) == 0 && Size.ws_col > 0)
        return Size.ws_col;
    return DefaultWidth;
}

// Control characters of a URL would move the cursor; the line shows them as "?".
QString Printable(QString Text)
{
    for (QChar& C : Text)
        if (C.unicode() < 0x20 || (C.unicode() >= 0x7F && C.unicode() < 0xA0))
            C = QLatin1Char('?');
    return Text;
}

} // namespace

TProgressLine::TProgressLine(std::FILE* Terminal)
    : FTerminal(Terminal)
{
    FClock.start();
}

void TProgressLine::Take(const QString& LogLine)
{
    static const QRegularExpression Downloading(
        QStringLiteral("^Downloading \\[ (\\d+) / (\\d+) \\]: (.*)$"));
    static const QString Saving = QStringLiteral("Saving: ");
    const std::lock_guard<std::mutex> Guard(FLock);
    CountSavedFile();
    if (LogLine.startsWith(Saving)) {
        FSavedFile = LogLine.mid(Saving.size());
        return;
    }
    const QRegularExpressionMatch Match = Downloading.match(LogLine);
    if (!Match.hasMatch())
        return;
    FDone = Match.captured(1).toInt() - 1;
    FKnown = Match.captured(2).toInt();
    FURL = Match.captured(3);
    FChanged = true;
}

void TProgressLine::CountSavedFile()
{
    if (FSavedFile.isEmpty())
        return;
    FBytes += QFileInfo(FSavedFile).size();
    FSavedFile.clear();
    FChanged = true;
}

QString TProgressLine::Text(int Width) const
{
    const double Seconds = qMax<qint64>(FClock.elapsed(), 1) / 1000.0;
    QString Line = QStringLiteral("%1 / %2 files, %3, %4 files/s  ")
                       .arg(FDone)
                       .arg(FKnown)
                       .arg(QLocale::c().formattedDataSize(FBytes))
                       .arg(FDone / Seconds, 0, 'f', 1);
    QString URL = Printable(FURL);
    const int Room = Width - 1 - Line.size(); // the last column would wrap
    if (URL.size() > Room)
        URL = Room > 3 ? URL.left(Room - 3) + QStringLiteral("...") : QString();
    Line += URL;
    return Line.left(Width - 1);
}

void TProgressLine::Draw()
{
    const std::lock_guard<std::mutex> Guard(FLock);
    if (!FChanged && FShown)
        return;
    if (FKnown == 0)
        return;
    const QByteArray Bytes = "\r\x1B[K" + Text(TerminalWidth(FTerminal)).toUtf8();
    std::fwrite(Bytes.constData(), 1, static_cast<size_t>(Bytes.size()), FTerminal);
    std::fflush(FTerminal);
    FChanged = false;
    FShown = true;
}

void TProgressLine::Clear()
{
    const std::lock_guard<std::mutex> Guard(FLock);
    if (!FShown)
        return;
    std::fputs("\r\x1B[K", FTerminal);
    std::fflush(FTerminal);
    FShown = false;
}
