#include "ui/ReplaceRuleTester.h"

#include "engine/page/uRegExExtract.h"

#include <typeinfo>

namespace {
// The memo lines of one match: what it matched, its replacement and every
// group up to the highest one that took part.
void AppendMatchLines(QStringList& Lines, const TPerlRegEx& RegEx, const QString& Replacement)
{
    Lines.append(QString());
    Lines.append(QStringLiteral("Matched text: %1").arg(RegEx.MatchedText()));
    Lines.append(QStringLiteral("Replaced by: %1").arg(Replacement));
    Lines.append(QStringLiteral("=== groups ==="));
    for (int I = 0; I < RegEx.GroupCount(); ++I)
        Lines.append(QStringLiteral("  $%1: %2").arg(I).arg(RegEx.Group(I)));
}

QString FailureLine(const std::exception& E)
{
    constexpr int MaxFailureLength = 1023;
    return (QString::fromLatin1(typeid(E).name()) + QStringLiteral(": ") + QString::fromUtf8(E.what()))
        .left(MaxFailureLength);
}
} // namespace

TReplaceRuleTestResult RunReplaceRuleTest(const QString& Pattern, const QString& Rule, const QString& Subject)
{
    TReplaceRuleTestResult Test;
    Test.Lines.append(QStringLiteral("Pattern: %1").arg(Pattern));
    const TRegExExtractRule Template(Rule);
    try {
        TPerlRegEx RegEx;
        RegEx.SetCaseLess(true);
        RegEx.SetRegEx(Pattern);
        RegEx.Compile();
        bool Matched = false;
        const QString Result = ReplaceAllMatches(
            RegEx, Template, Subject, [&Test, &Matched](const TPerlRegEx& Match, const QString& Replacement) {
                Matched = true;
                AppendMatchLines(Test.Lines, Match, Replacement);
            });
        if (!Matched)
            Test.Lines.append(QStringLiteral("No matches."));
        Test.Result = Result;
    } catch (const ERegularExpressionError& E) {
        Test.Lines.append(E.Message());
    } catch (const std::exception& E) {
        Test.Lines.append(FailureLine(E));
    }
    return Test;
}
