#include "engine/page/PerlRegEx.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

TPerlRegEx& Compiled(TPerlRegEx& RegEx, const QString& Pattern, const QString& Subject)
{
    RegEx.SetCaseLess(true);
    RegEx.SetRegEx(Pattern);
    RegEx.Compile();
    RegEx.SetSubject(Subject);
    return RegEx;
}

// Start and length of every match, walked with Match and MatchAgain.
std::vector<std::pair<qsizetype, qsizetype>> AllMatches(const QString& Pattern, const QString& Subject)
{
    TPerlRegEx RegEx;
    Compiled(RegEx, Pattern, Subject);
    std::vector<std::pair<qsizetype, qsizetype>> Matches;
    for (bool Found = RegEx.Match(); Found && Matches.size() < 100; Found = RegEx.MatchAgain())
        Matches.push_back({ RegEx.MatchedOffset(), RegEx.MatchedLength() });
    return Matches;
}

} // namespace

TEST(PerlRegEx, PatternsThatDoNotCompileNameTheOffset)
{
    struct Case {
        const char* Pattern;
        qsizetype Offset;
        const char* PCREMessage;
    };
    const Case Cases[] = {
        { "ab(c", 4, "missing closing parenthesis" },
        { "a)", 1, "unmatched closing parenthesis" },
        { "[z-a]", 3, "range out of order in character class" },
        { "x{3,2}", 5, "numbers out of order in {} quantifier" },
        { "(?<n>a)(?<n>b)", 12, "two named subpatterns have the same name (PCRE2_DUPNAMES not set)" },
        { "\\", 1, "\\ at end of pattern" },
    };
    for (const Case& C : Cases) {
        TPerlRegEx RegEx;
        RegEx.SetRegEx(QString::fromUtf8(C.Pattern));
        try {
            RegEx.Compile();
            ADD_FAILURE() << C.Pattern << " compiled";
        } catch (const ERegularExpressionError& E) {
            EXPECT_EQ(E.ErrorOffset(), C.Offset) << C.Pattern;
            EXPECT_EQ(E.Message(),
                QStringLiteral("Error in regular expression at offset %1: %2")
                    .arg(C.Offset)
                    .arg(QString::fromUtf8(C.PCREMessage)))
                << C.Pattern;
            EXPECT_EQ(E.ClassName(), QStringLiteral("ERegularExpressionError"));
        }
        EXPECT_FALSE(RegEx.Compiled());
    }
}

TEST(PerlRegEx, EmptyPatternIsRequiredError)
{
    TPerlRegEx RegEx;
    RegEx.SetSubject(QStringLiteral("abc"));
    try {
        RegEx.Match();
        FAIL() << "empty pattern matched";
    } catch (const ERegularExpressionError& E) {
        EXPECT_EQ(E.Message(), QStringLiteral("A regular expression specified in RegEx is required"));
        EXPECT_EQ(E.ErrorOffset(), -1);
    }
}

TEST(PerlRegEx, CatastrophicBacktrackingFailsInsteadOfHanging)
{
    TPerlRegEx RegEx;
    Compiled(RegEx, QStringLiteral("^(\\w+\\s?)*$"), QString(5000, QLatin1Char('a')) + QLatin1Char('!'));
    QElapsedTimer Timer;
    Timer.start();
    try {
        RegEx.Match();
        FAIL() << "no error from a runaway match";
    } catch (const ERegularExpressionError& E) {
        EXPECT_TRUE(E.Message().endsWith(QStringLiteral("match limit exceeded"))) << qPrintable(E.Message());
    }
    EXPECT_LT(Timer.elapsed(), 30000);
    EXPECT_FALSE(RegEx.FoundMatch());
}

TEST(PerlRegEx, GroupCountIsHighestParticipatingGroupPlusOne)
{
    TPerlRegEx RegEx;
    Compiled(RegEx, QStringLiteral("(a)|(b)"), QStringLiteral("xab"));
    EXPECT_EQ(RegEx.GroupCount(), 0);
    ASSERT_TRUE(RegEx.Match());
    EXPECT_EQ(RegEx.GroupCount(), 2);
    EXPECT_EQ(RegEx.MatchedOffset(), 2);
    EXPECT_EQ(RegEx.Group(1), QStringLiteral("a"));
    EXPECT_EQ(RegEx.Group(2), QString());
    ASSERT_TRUE(RegEx.MatchAgain());
    EXPECT_EQ(RegEx.GroupCount(), 3);
    EXPECT_EQ(RegEx.Group(1), QString());
    EXPECT_EQ(RegEx.Group(2), QStringLiteral("b"));
    EXPECT_EQ(RegEx.MatchedText(), QStringLiteral("b"));
    EXPECT_FALSE(RegEx.MatchAgain());
    EXPECT_EQ(RegEx.GroupCount(), 0);
    EXPECT_EQ(RegEx.MatchedOffset(), 0);
}

TEST(PerlRegEx, MatchesFollowTheOptionsOfReplaceRules)
{
    struct Case {
        const char* Pattern;
        const char* Subject;
        std::vector<std::pair<qsizetype, qsizetype>> Matches; // 1-based start, length
    };
    const Case Cases[] = {
        // Case is ignored, also beyond ASCII.
        { "ab", "xAbaB", { { 2, 2 }, { 4, 2 } } },
        { "\xC3\xA4", "\xC3\x84", { { 1, 1 } } },
        // Any line break ends a line for "." and "$": CR, CRLF, NEL, LS.
        { "a.b",
            "a\rb a\nb a\xC2\x85"
            "b",
            {} },
        { "a$", "a\r\n", { { 1, 1 } } },
        // Multi-line stays off: "^" is the start of the subject only.
        { "^b", "a\nb", {} },
        // Empty matches advance one character; a surrogate pair is one.
        { "x*", "axb", { { 1, 0 }, { 2, 1 }, { 3, 0 }, { 4, 0 } } },
        { "(?:)", "x\xF0\x9F\x98\x80y", { { 1, 0 }, { 2, 0 }, { 4, 0 }, { 5, 0 } } },
        { ".", "\xF0\x9F\x98\x80", { { 1, 2 } } },
        // Nothing to match in an empty subject but the empty text.
        { "a?", "", { { 1, 0 } } },
        { "a", "", {} },
    };
    for (const Case& C : Cases)
        EXPECT_EQ(AllMatches(QString::fromUtf8(C.Pattern), QString::fromUtf8(C.Subject)), C.Matches)
            << C.Pattern << " over " << C.Subject;
}

TEST(PerlRegEx, LoneSurrogateInSubjectDoesNotStopMatching)
{
    QString Subject = QStringLiteral("ab");
    Subject += QChar(0xD800);
    Subject += QStringLiteral("ab");
    const std::vector<std::pair<qsizetype, qsizetype>> Expected { { 1, 2 }, { 4, 2 } };
    EXPECT_EQ(AllMatches(QStringLiteral("ab"), Subject), Expected);
}

TEST(PerlRegEx, ChangingPatternOrSubjectDropsTheMatch)
{
    TPerlRegEx RegEx;
    Compiled(RegEx, QStringLiteral("b"), QStringLiteral("abc"));
    ASSERT_TRUE(RegEx.Match());
    RegEx.SetSubject(QStringLiteral("bbb"));
    EXPECT_FALSE(RegEx.FoundMatch());
    EXPECT_FALSE(RegEx.MatchAgain());
    RegEx.SetRegEx(QStringLiteral("c"));
    EXPECT_FALSE(RegEx.Compiled());
    EXPECT_FALSE(RegEx.Match()); // compiles on demand
    EXPECT_TRUE(RegEx.Compiled());
}
