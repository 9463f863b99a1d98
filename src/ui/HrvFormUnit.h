#pragma once

#include <QDialog>
#include <QMessageBox>
#include <functional>

// Every message box of the windows goes through here, so that one place
// decides how a box looks and tests can answer boxes without a screen.
using TMessageBoxHook = std::function<QMessageBox::StandardButton(QWidget* Owner, QMessageBox::Icon Icon,
    const QString& Title, const QString& Text, QMessageBox::StandardButtons Buttons)>;

// Replaces the modal box by Hook (an empty hook restores the real box);
// returns the hook that was in place.
TMessageBoxHook SetMessageBoxHook(TMessageBoxHook Hook);

QMessageBox::StandardButton ShowMessageBox(QWidget* Owner, QMessageBox::Icon Icon, const QString& Title,
    const QString& Text, QMessageBox::StandardButtons Buttons);

// The application's general error box for a failure that escapes a handler.
void ShowErrorMessage(QWidget* Owner, const QString& Text);

// Base of the main window and the project editor: warnings, confirmations
// and the non-empty check look the same in both.
class THrvForm : public QDialog {
    Q_OBJECT
public:
    explicit THrvForm(QWidget* Parent = nullptr);

    void Warning(const QString& AMsg);
    bool Confirm(const QString& AConfirmTitle, const QString& AConfirmQuery);
    bool CheckNotEmpty(const QString& AValue, const QString& AName);

protected:
    // The title of the form's warnings.
    virtual QString MessageTitle() const { return windowTitle(); }
};
