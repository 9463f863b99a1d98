#include "UiTestSupport.h"

#include "ui/ReplaceRuleFormUnit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {
QStringList MemoLines(const TReplaceRuleForm& Form)
{
    return Form.TestMemo()->toPlainText().split(QLatin1Char('\n'));
}

void RunTest(TReplaceRuleForm& Form, const QString& Pattern, const QString& Rule, const QString& Subject)
{
    Form.PatternEdit()->setText(Pattern);
    Form.RuleEdit()->setText(Rule);
    Form.SubjectEdit()->setText(Subject);
    Form.TestButton()->click();
}
} // namespace

TEST(ReplaceRuleForm, TestListsEveryMatchWithItsGroups)
{
    TReplaceRuleForm Form;
    RunTest(Form, QStringLiteral("a(b)"), QStringLiteral("[$1]"), QStringLiteral("xAbyab"));
    const QStringList Expected { "Pattern: a(b)", "", "Matched text: Ab", "Replaced by: [b]",
        "=== groups ===", "  $0: Ab", "  $1: b", "", "Matched text: ab", "Replaced by: [b]",
        "=== groups ===", "  $0: ab", "  $1: b" };
    EXPECT_EQ(MemoLines(Form), Expected);
    EXPECT_EQ(Form.ResultLabel()->text(), QStringLiteral("x[b]y[b]"));
    EXPECT_EQ(Form.TestMemo()->textCursor().position(), 0);
}

TEST(ReplaceRuleForm, GroupsAreListedUpToTheHighestOneThatTookPart)
{
    TReplaceRuleForm Form;
    RunTest(Form, QStringLiteral("(a)|(b)"), QStringLiteral("<$1|$2>"), QStringLiteral("b"));
    EXPECT_EQ(MemoLines(Form).mid(5), (QStringList { "  $0: b", "  $1: ", "  $2: b" }));
    EXPECT_EQ(Form.ResultLabel()->text(), QStringLiteral("<|b>"));

    RunTest(Form, QStringLiteral("(a)|(b)"), QStringLiteral("<$1|$2>"), QStringLiteral("a"));
    EXPECT_EQ(MemoLines(Form).mid(5), (QStringList { "  $0: a", "  $1: a" }));
    EXPECT_EQ(Form.ResultLabel()->text(), QStringLiteral("<a|$2>"));
}

TEST(ReplaceRuleForm, FailuresAndMissesKeepTheLastResult)
{
    TReplaceRuleForm Form;
    RunTest(Form, QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("axb"));
    ASSERT_EQ(Form.ResultLabel()->text(), QStringLiteral("ayb"));

    RunTest(Form, QStringLiteral("a("), QStringLiteral("y"), QStringLiteral("axb"));
    ASSERT_EQ(MemoLines(Form).size(), 2);
    EXPECT_TRUE(MemoLines(Form)[1].startsWith(QStringLiteral("Error in regular expression at offset 2: ")))
        << MemoLines(Form)[1].toStdString();
    EXPECT_EQ(Form.ResultLabel()->text(), QStringLiteral("ayb"));

    RunTest(Form, QString(), QStringLiteral("y"), QStringLiteral("axb"));
    EXPECT_EQ(MemoLines(Form),
        (QStringList { "Pattern: ", "A regular expression specified in RegEx is required" }));

    RunTest(Form, QStringLiteral("z"), QStringLiteral("y"), QStringLiteral("axb"));
    EXPECT_EQ(MemoLines(Form), (QStringList { "Pattern: z", "No matches." }));
    EXPECT_EQ(Form.ResultLabel()->text(), QStringLiteral("axb"));

    RunTest(Form, QStringLiteral("q*"), QStringLiteral("[$0]"), QString());
    EXPECT_EQ(Form.ResultLabel()->text(), QStringLiteral("[]"));
}

TEST(ReplaceRuleForm, ExecuteReturnsTheBoxesAndShowingClearsTheTest)
{
    TReplaceRuleForm Form;
    Form.SubjectEdit()->setText(QStringLiteral("sample"));
    QString Pattern;
    QString Rule = QStringLiteral("r");
    WhenModal([&Form](QDialog&) {
        EXPECT_FALSE(Form.OKButton()->isEnabled());
        Form.PatternEdit()->setText(QStringLiteral(" "));
        EXPECT_TRUE(Form.OKButton()->isEnabled());
        Form.PatternEdit()->setText(QStringLiteral("s("));
        Form.RuleEdit()->clear();
        Form.TestButton()->click();
        EXPECT_FALSE(Form.TestMemo()->toPlainText().isEmpty());
        Form.OKButton()->click();
    });
    ASSERT_TRUE(Form.Execute(Pattern, Rule));
    EXPECT_EQ(Pattern, QStringLiteral("s("));
    EXPECT_EQ(Rule, QString());

    WhenModal([&Form](QDialog&) {
        EXPECT_TRUE(Form.TestMemo()->toPlainText().isEmpty());
        EXPECT_TRUE(Form.ResultLabel()->text().isEmpty());
        EXPECT_EQ(Form.SubjectEdit()->text(), QStringLiteral("sample"));
        Form.PatternEdit()->setText(QStringLiteral("changed"));
        Form.CancelButton()->click();
    });
    EXPECT_FALSE(Form.Execute(Pattern, Rule));
    EXPECT_EQ(Pattern, QStringLiteral("s("));
}
