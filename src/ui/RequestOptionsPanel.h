#pragma once

#include <QString>
#include <QWidget>

class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
struct TRequestOptions;

// The editor's "Requests" tab: how a project's requests behave.
class TRequestOptionsPanel : public QWidget {
    Q_OBJECT
public:
    explicit TRequestOptionsPanel(QWidget* Parent = nullptr);

    void Fill(const TRequestOptions& Options);
    // Writes the controls into Options; a number the controls can only show
    // rounded stays as it was unless it was changed.
    void WriteBack(TRequestOptions& Options) const;
    // The first accept or reject pattern that does not compile, with the
    // reason; empty when all do.
    QString PatternError() const;

    QCheckBox* RobotsCheckBox() const { return FRobotsCheckBox; }
    QCheckBox* RandomWaitCheckBox() const { return FRandomWaitCheckBox; }
    QCheckBox* VerifyTLSCheckBox() const { return FVerifyTLSCheckBox; }
    QDoubleSpinBox* WaitSpinBox() const { return FWaitSpinBox; }
    QSpinBox* LimitRateSpinBox() const { return FLimitRateSpinBox; }
    QSpinBox* TriesSpinBox() const { return FTriesSpinBox; }
    QSpinBox* TimeoutSpinBox() const { return FTimeoutSpinBox; }
    QLineEdit* UserAgentEdit() const { return FUserAgentEdit; }
    QLineEdit* CACertificateEdit() const { return FCACertificateEdit; }
    QPlainTextEdit* AcceptMemo() const { return FAcceptMemo; }
    QPlainTextEdit* RejectMemo() const { return FRejectMemo; }

private:
    QCheckBox* FRobotsCheckBox;
    QCheckBox* FRandomWaitCheckBox;
    QCheckBox* FVerifyTLSCheckBox;
    QDoubleSpinBox* FWaitSpinBox;
    QSpinBox* FLimitRateSpinBox;
    QSpinBox* FTriesSpinBox;
    QSpinBox* FTimeoutSpinBox;
    QLineEdit* FUserAgentEdit;
    QLineEdit* FCACertificateEdit;
    QPlainTextEdit* FAcceptMemo;
    QPlainTextEdit* FRejectMemo;
};
