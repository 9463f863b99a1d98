#include "HrvThread.h"

#include "URLUtils.h"
#include "containers/Exception.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>
#include <typeinfo>

THrvThread::THrvThread(TRunLog& ALog, TRunControl& AControl)
    : FLog(ALog)
    , FControl(AControl)
{
    // One handler for both steps, so that the results are read before the
    // object goes away.
    connect(this, &QThread::finished, this, [this] {
        emit Completed();
        deleteLater();
    });
}

void THrvThread::Log(const QString& AMsg)
{
    if (!AMsg.isEmpty())
        FLog.LogMsg(EscapeControlCharacters(AMsg));
}

QString EscapeControlCharacters(const QString& Text)
{
    if (std::none_of(Text.begin(), Text.end(), IsControlCharacter))
        return Text;
    QString Result;
    Result.reserve(Text.size() + 16);
    for (const QChar C : Text) {
        if (IsControlCharacter(C))
            Result
                += QLatin1String("\\x") + QString::number(C.unicode(), 16).toUpper().rightJustified(2, u'0');
        else
            Result += C;
    }
    return Result;
}

void THrvThread::LogException(const std::exception& E)
{
    const auto* Own = dynamic_cast<const Exception*>(&E);
    Log(ExceptionLogText(ExceptionClassName(E), Own ? Own->Message() : QString::fromUtf8(E.what()), &E));
}

void THrvThread::Pause(int Ms) const
{
    constexpr int SliceMs = 20;
    for (int Waited = 0; Waited < Ms && !Terminated(); Waited += SliceMs)
        QThread::msleep(std::min(SliceMs, Ms - Waited));
}

void THrvThread::run()
{
    try {
        Execute();
    } catch (const Exception& E) {
        FEndedWithError = true;
        FErrorMessage = E.Message();
    } catch (const std::exception& E) {
        FEndedWithError = true;
        FErrorMessage = QString::fromUtf8(E.what());
    }
}

QString ExceptionClassName(const std::exception& E)
{
    if (const auto* Own = dynamic_cast<const Exception*>(&E))
        return Own->ClassName();
    return QString::fromLatin1(typeid(E).name());
}

QString ExceptionLogText(const QString& ClassName, const QString& Message, const void* Address)
{
    const QString Program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    QString Text = QStringLiteral("Exception %1 in module %2 at %3.\n")
                       .arg(ClassName, Program.isEmpty() ? QStringLiteral("harvo") : Program,
                           QStringLiteral("%1")
                               .arg(reinterpret_cast<quintptr>(Address), 16, 16, QLatin1Char('0'))
                               .toUpper());
    Text += Message;
    if (!Message.isEmpty() && Message.back().unicode() > '.')
        Text += QLatin1Char('.');
    Text.truncate(1024);

    while (!Text.isEmpty()) {
        const QChar Last = Text.back();
        const bool LineBreak = Last == QLatin1Char('\r') || Last == QLatin1Char('\n');
        const bool StopAfterLineFeed
            = Last == QLatin1Char('.') && Text.size() >= 2 && Text.at(Text.size() - 2) == QLatin1Char('\n');
        if (!LineBreak && !StopAfterLineFeed)
            break;
        Text.chop(1);
    }

    const int FirstBreak = Text.indexOf(QLatin1Char('\n'));
    if (FirstBreak >= 0 && Text.left(FirstBreak).contains(QLatin1String(" at "))
        && FirstBreak + 1 < Text.size())
        return Text.mid(FirstBreak + 1);
    return Text;
}
