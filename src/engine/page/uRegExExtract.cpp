#include "engine/page/uRegExExtract.h"

QString TRegExExtractRule::ExtractValue(const TPerlRegEx& ARegEx) const
{
    const int Groups = ARegEx.GroupCount();
    if (Groups <= 0)
        throw ERegularExpressionError(QStringLiteral("Successful match required"));
    QString Result = FText;
    const QChar Dollar = QLatin1Char('$');
    // Each step works on the result of the ones before, group text included.
    for (int I = 0; I < Groups && Result.contains(Dollar); ++I)
        Result.replace(Dollar + QString::number(I), ARegEx.Group(I));
    return Result;
}

QString ReplaceAllMatches(TPerlRegEx& ARegEx, const TRegExExtractRule& ARule, const QString& ASubject,
    const TReplaceMatchEvent& AOnMatch)
{
    ARegEx.SetSubject(ASubject);
    if (!ARegEx.Match())
        return ASubject;
    QString Out;
    Out.reserve(ASubject.size());
    qsizetype Emitted = 0;
    do {
        const QString Replacement = ARule.ExtractValue(ARegEx);
        if (AOnMatch)
            AOnMatch(ARegEx, Replacement);
        const qsizetype Start = ARegEx.MatchedOffset() - 1;
        Out.append(QStringView(ASubject).mid(Emitted, Start - Emitted));
        Out.append(Replacement);
        Emitted = Start + ARegEx.MatchedLength();
    } while (ARegEx.MatchAgain());
    Out.append(QStringView(ASubject).mid(Emitted));
    return Out;
}

std::unique_ptr<TPerlRegEx> CompileReplacePattern(const QString& APattern)
{
    auto RegEx = std::make_unique<TPerlRegEx>();
    RegEx->SetCaseLess(true);
    RegEx->SetRegEx(APattern);
    RegEx->Compile();
    return RegEx;
}

void TReplaceRuleSet::Add(const QString& APattern, const QString& ATemplate)
{
    FRegExes.push_back(CompileReplacePattern(APattern));
    FRules.push_back(std::make_unique<TRegExExtractRule>(ATemplate));
}

QString TReplaceRuleSet::Apply(const QString& AText)
{
    QString Text = AText;
    for (size_t I = 0; I < FRegExes.size(); ++I)
        Text = ReplaceAllMatches(*FRegExes[I], *FRules[I], Text);
    return Text;
}
