#include "ui/RequestOptionsPanel.h"

#include "engine/page/PerlRegEx.h"
#include "engine/page/uRegExExtract.h"
#include "projects/RequestOptionLimits.h"
#include "projects/WebsiteUnit.h"
#include "ui/DialogParts.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

namespace {

constexpr qint64 BytesPerKB = 1024;

QSpinBox* NumberBox(int Max, const QString& ZeroText, const QString& Suffix)
{
    auto* Box = new QSpinBox;
    Box->setRange(0, Max);
    Box->setSpecialValueText(ZeroText);
    Box->setSuffix(Suffix);
    return Box;
}

QPlainTextEdit* PatternMemo()
{
    auto* Memo = new QPlainTextEdit;
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setTabChangesFocus(true);
    return Memo;
}

// One pattern a line; empty lines are dropped, other lines kept as typed.
QStringList Patterns(const QPlainTextEdit& Memo)
{
    return Memo.toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

int KBShown(qint64 Rate)
{
    return int(std::min<qint64>((Rate + BytesPerKB / 2) / BytesPerKB, std::numeric_limits<int>::max()));
}

} // namespace

TRequestOptionsPanel::TRequestOptionsPanel(QWidget* Parent)
    : QWidget(Parent)
{
    FRobotsCheckBox = new QCheckBox(QStringLiteral("Obey robots.txt"));
    FVerifyTLSCheckBox = new QCheckBox(QStringLiteral("Check HTTPS certificates"));
    FRandomWaitCheckBox = new QCheckBox(QStringLiteral("Random wait"));
    FRandomWaitCheckBox->setToolTip(QStringLiteral("Each wait lasts 0.5 to 1.5 times the given one"));
    FWaitSpinBox = new QDoubleSpinBox;
    FWaitSpinBox->setRange(0, MaxWaitSeconds);
    FWaitSpinBox->setDecimals(2);
    FWaitSpinBox->setSingleStep(0.5);
    FWaitSpinBox->setSuffix(QStringLiteral(" s"));
    FWaitSpinBox->setToolTip(QStringLiteral("Between two requests to one host"));
    FLimitRateSpinBox
        = NumberBox(std::numeric_limits<int>::max(), QStringLiteral("No limit"), QStringLiteral(" KB/s"));
    FLimitRateSpinBox->setToolTip(QStringLiteral("What one host may send a second"));
    FTriesSpinBox = NumberBox(TriesSetting.Max, QStringLiteral("Default"), QString());
    FTimeoutSpinBox = NumberBox(TimeoutSetting.Max, QStringLiteral("Default"), QStringLiteral(" s"));
    FUserAgentEdit = new QLineEdit;
    FUserAgentEdit->setPlaceholderText(QStringLiteral("Empty: the program's fixed header"));
    FCACertificateEdit = new QLineEdit;
    FCACertificateEdit->setPlaceholderText(QStringLiteral("Empty: the system's CA store"));
    FAcceptMemo = PatternMemo();
    FRejectMemo = PatternMemo();

    auto* Checks = new QHBoxLayout;
    Checks->addWidget(FRobotsCheckBox);
    Checks->addWidget(FVerifyTLSCheckBox);
    Checks->addStretch();
    auto* Numbers = new QGridLayout;
    Numbers->addWidget(new QLabel(QStringLiteral("Wait:")), 0, 0);
    Numbers->addWidget(FWaitSpinBox, 0, 1);
    Numbers->addWidget(FRandomWaitCheckBox, 0, 2, 1, 2);
    Numbers->addWidget(new QLabel(QStringLiteral("Rate limit:")), 1, 0);
    Numbers->addWidget(FLimitRateSpinBox, 1, 1);
    Numbers->addWidget(new QLabel(QStringLiteral("Tries:")), 1, 2);
    Numbers->addWidget(FTriesSpinBox, 1, 3);
    Numbers->addWidget(new QLabel(QStringLiteral("Time-out:")), 2, 0);
    Numbers->addWidget(FTimeoutSpinBox, 2, 1);
    Numbers->addWidget(new QLabel(QStringLiteral("User agent:")), 3, 0);
    Numbers->addWidget(FUserAgentEdit, 3, 1, 1, 3);
    Numbers->addWidget(new QLabel(QStringLiteral("CA file:")), 4, 0);
    Numbers->addWidget(FCACertificateEdit, 4, 1, 1, 3);
    Numbers->setColumnStretch(1, 1);
    Numbers->setColumnStretch(3, 1);
    auto* Filters = new QHBoxLayout;
    auto* AcceptColumn = new QVBoxLayout;
    AddLabelledBox(
        *AcceptColumn, QStringLiteral("Accept URLs matching (one pattern a line):"), FAcceptMemo, 1);
    auto* RejectColumn = new QVBoxLayout;
    AddLabelledBox(*RejectColumn, QStringLiteral("Reject URLs matching:"), FRejectMemo, 1);
    Filters->addLayout(AcceptColumn);
    Filters->addLayout(RejectColumn);
    auto* PanelLayout = new QVBoxLayout(this);
    PanelLayout->addLayout(Checks);
    PanelLayout->addLayout(Numbers);
    PanelLayout->addLayout(Filters, 1);
}

void TRequestOptionsPanel::Fill(const TRequestOptions& Options)
{
    FRobotsCheckBox->setChecked(Options.Robots);
    FVerifyTLSCheckBox->setChecked(Options.VerifyTLS);
    FRandomWaitCheckBox->setChecked(Options.RandomWait);
    FWaitSpinBox->setValue(Options.WaitSeconds);
    FLimitRateSpinBox->setValue(KBShown(Options.LimitRate));
    FTriesSpinBox->setValue(Options.Tries);
    FTimeoutSpinBox->setValue(Options.TimeoutSeconds);
    FUserAgentEdit->setText(Options.UserAgent);
    FCACertificateEdit->setText(Options.CACertificate);
    FAcceptMemo->setPlainText(Options.Accept.join(QLatin1Char('\n')));
    FRejectMemo->setPlainText(Options.Reject.join(QLatin1Char('\n')));
}

void TRequestOptionsPanel::WriteBack(TRequestOptions& Options) const
{
    Options.Robots = FRobotsCheckBox->isChecked();
    Options.VerifyTLS = FVerifyTLSCheckBox->isChecked();
    Options.RandomWait = FRandomWaitCheckBox->isChecked();
    const double WaitShown = FWaitSpinBox->valueFromText(FWaitSpinBox->textFromValue(Options.WaitSeconds));
    if (FWaitSpinBox->value() != WaitShown)
        Options.WaitSeconds = FWaitSpinBox->value();
    if (FLimitRateSpinBox->value() != KBShown(Options.LimitRate))
        Options.LimitRate = FLimitRateSpinBox->value() * BytesPerKB;
    Options.Tries = FTriesSpinBox->value();
    Options.TimeoutSeconds = FTimeoutSpinBox->value();
    Options.UserAgent = FUserAgentEdit->text();
    Options.CACertificate = FCACertificateEdit->text();
    Options.Accept = Patterns(*FAcceptMemo);
    Options.Reject = Patterns(*FRejectMemo);
}

QString TRequestOptionsPanel::PatternError() const
{
    for (const QString& Pattern : Patterns(*FAcceptMemo) + Patterns(*FRejectMemo)) {
        try {
            CompileReplacePattern(Pattern);
        } catch (const ERegularExpressionError& E) {
            return QStringLiteral("\"%1\": %2").arg(Pattern, E.Message());
        }
    }
    return QString();
}
