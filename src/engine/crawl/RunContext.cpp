#include "engine/crawl/RunContext.h"

#include "containers/Exception.h"
#include "engine/page/URLUtils.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>
#include <typeinfo>

void TRunContext::Log(const QString& AMsg)
{
    if (!AMsg.isEmpty())
        FLog.LogMsg(EscapeControlCharacters(AMsg));
}

void TRunContext::LogException(const std::exception& E)
{
    Log(ExceptionLogLine(E));
}

QString ExceptionLogLine(const std::exception& E)
{
    const auto* Own = dynamic_cast<const Exception*>(&E);
    return ExceptionLogText(ExceptionClassName(E), Own ? Own->Message() : QString::fromUtf8(E.what()), &E);
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

void TChangedFiles::Add(const QString& File)
{
    const std::lock_guard<std::mutex> Guard(FLock);
    FFiles.append(File);
}

QStringList TChangedFiles::Files() const
{
    const std::lock_guard<std::mutex> Guard(FLock);
    return FFiles;
}

void TFailureReport::Add(TFailedURL Failure)
{
    const std::lock_guard<std::mutex> Guard(FLock);
    if (FFailures.size() < size_t(Limit))
        FFailures.push_back(std::move(Failure));
    ++FTotal;
}

std::vector<TFailedURL> TFailureReport::Failures() const
{
    const std::lock_guard<std::mutex> Guard(FLock);
    return FFailures;
}

int TFailureReport::Total() const
{
    const std::lock_guard<std::mutex> Guard(FLock);
    return FTotal;
}

void TFailureReport::Clear()
{
    const std::lock_guard<std::mutex> Guard(FLock);
    FFailures.clear();
    FTotal = 0;
}
