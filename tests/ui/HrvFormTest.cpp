#include "UiTestSupport.h"

#include "ui/HrvFormUnit.h"

#include <gtest/gtest.h>

TEST(HrvForm, CheckNotEmptyWarnsOnlyForAnEmptyValue)
{
    THrvForm Form;
    Form.setWindowTitle(QStringLiteral("Add New Project"));
    TMessageBoxAnswers Answers;

    EXPECT_TRUE(Form.CheckNotEmpty(QStringLiteral(" "), QStringLiteral("Project Name")));
    EXPECT_TRUE(Answers.Shown().isEmpty());

    EXPECT_FALSE(Form.CheckNotEmpty(QString(), QStringLiteral("Project Name")));
    ASSERT_EQ(Answers.Shown().size(), 1);
    EXPECT_EQ(Answers.Shown()[0].Text, QStringLiteral("Please, enter Project Name"));
    EXPECT_EQ(Answers.Shown()[0].Title, QStringLiteral("Add New Project"));
    EXPECT_EQ(Answers.Shown()[0].Icon, QMessageBox::Warning);
    EXPECT_EQ(Answers.Shown()[0].Buttons, QMessageBox::Ok);
}

TEST(HrvForm, ConfirmIsTrueOnlyForYes)
{
    THrvForm Form;
    TMessageBoxAnswers Answers;
    Answers.Queue(QMessageBox::No);
    Answers.Queue(QMessageBox::Yes);

    EXPECT_FALSE(Form.Confirm(QStringLiteral("Delete Project"), QStringLiteral("Sure?")));
    EXPECT_TRUE(Form.Confirm(QStringLiteral("Delete Project"), QStringLiteral("Sure?")));
    ASSERT_EQ(Answers.Shown().size(), 2);
    EXPECT_EQ(Answers.Shown()[0].Title, QStringLiteral("Delete Project"));
    EXPECT_EQ(Answers.Shown()[0].Icon, QMessageBox::Question);
    EXPECT_EQ(Answers.Shown()[0].Buttons, QMessageBox::Yes | QMessageBox::No);
}
