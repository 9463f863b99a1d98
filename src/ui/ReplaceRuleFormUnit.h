#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// One replace rule (pattern and template) with a tester that shows what the
// rule does to a sample text.
class TReplaceRuleForm : public QDialog {
    Q_OBJECT
public:
    explicit TReplaceRuleForm(QWidget* Parent = nullptr);

    // On OK writes both boxes back as typed and returns true.
    bool Execute(QString& Pattern, QString& RuleText);

    QLineEdit* PatternEdit() const { return FPatternEdit; }
    QLineEdit* RuleEdit() const { return FRuleEdit; }
    QLineEdit* SubjectEdit() const { return FSubjectEdit; }
    QPushButton* TestButton() const { return FTestButton; }
    QPlainTextEdit* TestMemo() const { return FTestMemo; }
    QLabel* ResultLabel() const { return FResultLabel; }
    QPushButton* OKButton() const { return FOKButton; }
    QPushButton* CancelButton() const { return FCancelButton; }

    void TestButtonClick();

protected:
    void showEvent(QShowEvent* Event) override;

private:
    void PatternEditChange();

    QLineEdit* FPatternEdit;
    QLineEdit* FRuleEdit;
    QLineEdit* FSubjectEdit;
    QPushButton* FTestButton;
    QPlainTextEdit* FTestMemo;
    QLabel* FResultLabel;
    QPushButton* FOKButton;
    QPushButton* FCancelButton;
};
