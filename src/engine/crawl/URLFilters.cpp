#include "engine/crawl/URLFilters.h"

TURLFilters::TURLFilters(
    const QStringList& Accept, const QStringList& Reject, const std::function<void(const QString&)>& Log)
    : FAccept(Compiled(Accept, QStringLiteral("accept"), Log))
    , FReject(Compiled(Reject, QStringLiteral("reject"), Log))
{
}

TURLFilters::TPatterns TURLFilters::Compiled(
    const QStringList& Patterns, const QString& Kind, const std::function<void(const QString&)>& Log)
{
    TPatterns Result;
    for (const QString& Pattern : Patterns) {
        if (Pattern.isEmpty())
            continue;
        auto RegEx = std::make_unique<TPerlRegEx>();
        RegEx->SetRegEx(Pattern);
        try {
            RegEx->Compile();
        } catch (const ERegularExpressionError& E) {
            Log(QStringLiteral("Invalid %1 pattern \"%2\": %3").arg(Kind, Pattern, E.Message()));
            continue;
        }
        Result.push_back(std::move(RegEx));
    }
    return Result;
}

bool TURLFilters::AnyMatches(TPatterns& Patterns, const QString& URL)
{
    for (const std::unique_ptr<TPerlRegEx>& RegEx : Patterns) {
        RegEx->SetSubject(URL);
        if (RegEx->Match())
            return true;
    }
    return false;
}

bool TURLFilters::Admits(const QString& URL)
{
    return !AnyMatches(FReject, URL) && (FAccept.empty() || AnyMatches(FAccept, URL));
}
