#include "engine/page/uRegExExtract.h"

#include <gtest/gtest.h>

namespace {

QString ReplaceAll(const QString& Pattern, const QString& Template, const QString& Subject)
{
    const auto RegEx = CompileReplacePattern(Pattern);
    return ReplaceAllMatches(*RegEx, TRegExExtractRule(Template), Subject);
}

} // namespace

TEST(RegExExtract, ReplaceAllMatchesFillsTheTemplate)
{
    struct Case {
        const char* Pattern;
        const char* Template;
        const char* Subject;
        const char* Expected;
    };
    const Case Cases[] = {
        { "(\\w+)=(\\w+)", "$2=$1", "set a=b now", "set b=a now" },
        { "x", "[$0]", "axbxc", "a[x]b[x]c" },
        { "x", "[$0]", "aXb", "a[X]b" },
        // A group that did not take part is empty; one above the highest
        // that did stays literal.
        { "(a)|(b)", "<$1|$2>", "ab", "<a|$2><|b>" },
        // "$1" is replaced before "$10" is seen.
        { "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)", "$10|$11", "abcdefghijk", "a0|a1" },
        { "o", "0", "foo boo", "f00 b00" },
        { "o", "", "foo boo", "f b" },
        { "q", "[$0]", "no match here", "no match here" },
        // Empty matches insert before every character and at the end.
        { "(?:)", "-", "abc", "-a-b-c-" },
        { "x*", "[$0]", "axb", "[]a[x][]b[]" },
        { "a?", "[$0]", "", "[]" },
        // A lone or unknown reference stays as it stands.
        { "b", "$", "abc", "a$c" },
        { "b", "x$", "abc", "ax$c" },
        { "b", "$99$-1", "abc", "a$99$-1c" },
        // Group text is itself subject to the later steps.
        { "(\\S+) (\\S+)", "$1", "$2 z", "z" },
        { "(.)", "$0$0", "$1", "$$11" },
    };
    for (const Case& C : Cases)
        EXPECT_EQ(ReplaceAll(QString::fromUtf8(C.Pattern), QString::fromUtf8(C.Template),
                      QString::fromUtf8(C.Subject)),
            QString::fromUtf8(C.Expected))
            << C.Pattern << " / " << C.Template << " over " << C.Subject;
}

TEST(RegExExtract, ExtractValueNeedsACurrentMatch)
{
    TPerlRegEx RegEx;
    RegEx.SetRegEx(QStringLiteral("a"));
    RegEx.SetSubject(QStringLiteral("b"));
    EXPECT_FALSE(RegEx.Match());
    const TRegExExtractRule Rule(QStringLiteral("$0"));
    try {
        Rule.ExtractValue(RegEx);
        FAIL() << "no error without a match";
    } catch (const ERegularExpressionError& E) {
        EXPECT_EQ(E.Message(), QStringLiteral("Successful match required"));
    }
}

TEST(RegExExtract, AssignAndClearCopyTheTemplate)
{
    TRegExExtractRule Source(QStringLiteral("[$1]"));
    TRegExExtractRule Copy;
    Copy.Assign(Source);
    EXPECT_EQ(Copy.Text(), QStringLiteral("[$1]"));
    Source.Clear();
    EXPECT_EQ(Source.Text(), QString());
    EXPECT_EQ(Copy.Text(), QStringLiteral("[$1]"));
}

TEST(RegExExtract, WalkReportsEachMatchWithItsReplacement)
{
    const auto RegEx = CompileReplacePattern(QStringLiteral("a(b)"));
    QStringList Seen;
    const QString Result = ReplaceAllMatches(*RegEx, TRegExExtractRule(QStringLiteral("[$1]")),
        QStringLiteral("xAbyab"), [&Seen](const TPerlRegEx& Match, const QString& Replacement) {
            Seen << Match.MatchedText() + QLatin1Char('>') + Replacement;
        });
    EXPECT_EQ(Result, QStringLiteral("x[b]y[b]"));
    EXPECT_EQ(Seen, QStringList({ QStringLiteral("Ab>[b]"), QStringLiteral("ab>[b]") }));
}

TEST(RegExExtract, RuleSetFeedsEachRuleTheResultOfThePrevious)
{
    TReplaceRuleSet RuleSet;
    RuleSet.Add(QStringLiteral("x"), QStringLiteral("y"));
    RuleSet.Add(QStringLiteral("y"), QStringLiteral("z"));
    RuleSet.Add(QStringLiteral("q"), QStringLiteral("Q"));
    EXPECT_EQ(RuleSet.Count(), 3);
    EXPECT_EQ(RuleSet.Apply(QStringLiteral("<x> <y>")), QStringLiteral("<z> <z>"));
    EXPECT_EQ(RuleSet.Apply(QStringLiteral("plain")), QStringLiteral("plain"));

    EXPECT_EQ(TReplaceRuleSet().Apply(QStringLiteral("same")), QStringLiteral("same"));
}

TEST(RegExExtract, RuleSetRefusesBadPatterns)
{
    TReplaceRuleSet RuleSet;
    RuleSet.Add(QStringLiteral("ok"), QStringLiteral("1"));
    try {
        RuleSet.Add(QStringLiteral("bad("), QStringLiteral("2"));
        FAIL() << "a bad pattern compiled";
    } catch (const ERegularExpressionError& E) {
        EXPECT_EQ(E.ErrorOffset(), 4);
    }
    EXPECT_EQ(RuleSet.Count(), 1);
}
