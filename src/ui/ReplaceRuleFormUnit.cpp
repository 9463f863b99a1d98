#include "ui/ReplaceRuleFormUnit.h"

#include "ui/DialogParts.h"
#include "ui/FormScale.h"
#include "ui/ReplaceRuleTester.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TReplaceRuleForm::TReplaceRuleForm(QWidget* Parent)
    : QDialog(Parent)
    , FPatternEdit(new QLineEdit(this))
    , FRuleEdit(new QLineEdit(this))
    , FSubjectEdit(new QLineEdit)
    , FTestButton(new QPushButton(QStringLiteral("Test")))
    , FTestMemo(new QPlainTextEdit)
    , FResultLabel(new QLabel)
{
    setWindowTitle(QStringLiteral("Replace Rule"));
    MakeFixedDialog(*this);
    FPatternEdit->setObjectName(QStringLiteral("PatternEdit"));
    FRuleEdit->setObjectName(QStringLiteral("RuleEdit"));
    FSubjectEdit->setObjectName(QStringLiteral("SubjectEdit"));

    auto* Layout = new QVBoxLayout(this);
    AddLabelledBox(*Layout, QStringLiteral("Replace Pattern:"), FPatternEdit);
    AddLabelledBox(*Layout, QStringLiteral("Replace Rule:"), FRuleEdit);

    auto* TestGroupBox = new QGroupBox(QStringLiteral("Test"), this);
    auto* Grid = new QGridLayout(TestGroupBox);
    auto* SubjectLabel = new QLabel(QStringLiteral("Subject:"));
    SubjectLabel->setBuddy(FSubjectEdit);
    Grid->addWidget(SubjectLabel, 0, 0, 1, 3);
    Grid->addWidget(FSubjectEdit, 1, 0, 1, 2);
    Grid->addWidget(FTestButton, 1, 2);
    FTestButton->setAutoDefault(false);

    FTestMemo->setReadOnly(true);
    FTestMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    FTestMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FTestMemo->setBackgroundRole(QPalette::Window);
    FTestMemo->viewport()->setBackgroundRole(QPalette::Window);
    FTestMemo->setMinimumHeight(ScaledPixels(this, 150));
    Grid->addWidget(FTestMemo, 2, 0, 1, 3);

    auto* ResultTitleLabel = new QLabel(QStringLiteral("Result:"));
    Grid->addWidget(ResultTitleLabel, 3, 0);
    // A long result is cut off at the label's right edge instead of widening the dialog.
    FResultLabel->setMinimumWidth(ScaledPixels(this, 497));
    FResultLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    FResultLabel->setTextFormat(Qt::PlainText);
    FResultLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Grid->addWidget(FResultLabel, 3, 1, 1, 2);
    Grid->setColumnStretch(1, 1);
    Layout->addWidget(TestGroupBox, 1);

    const TOkCancelButtons Buttons = AddOkCancelButtons(*this, *Layout);
    FOKButton = Buttons.OK;
    FCancelButton = Buttons.Cancel;

    connect(FPatternEdit, &QLineEdit::textChanged, this, &TReplaceRuleForm::PatternEditChange);
    connect(FTestButton, &QPushButton::clicked, this, &TReplaceRuleForm::TestButtonClick);

    setFixedSize(ScaledPixels(this, 595), ScaledPixels(this, 426));
}

bool TReplaceRuleForm::Execute(QString& Pattern, QString& RuleText)
{
    FPatternEdit->setText(Pattern);
    FRuleEdit->setText(RuleText);
    PatternEditChange();
    FPatternEdit->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    Pattern = FPatternEdit->text();
    RuleText = FRuleEdit->text();
    return true;
}

void TReplaceRuleForm::showEvent(QShowEvent* Event)
{
    FTestMemo->clear();
    FResultLabel->clear();
    QDialog::showEvent(Event);
}

void TReplaceRuleForm::PatternEditChange()
{
    FOKButton->setEnabled(!FPatternEdit->text().isEmpty());
}

void TReplaceRuleForm::TestButtonClick()
{
    const TReplaceRuleTestResult Test
        = RunReplaceRuleTest(FPatternEdit->text(), FRuleEdit->text(), FSubjectEdit->text());
    FTestMemo->setPlainText(Test.Lines.join(QLatin1Char('\n')));
    if (Test.Result)
        FResultLabel->setText(*Test.Result);
    FTestMemo->moveCursor(QTextCursor::Start);
    FTestMemo->ensureCursorVisible();
}
