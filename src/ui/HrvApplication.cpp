#include "ui/HrvApplication.h"

#include "ui/EditProjectUnit.h"
#include "ui/HrvMainUnit.h"
#include "ui/ReplaceRuleFormUnit.h"
#include "ui/WebDocFormUnit.h"
#include "ui/WebPageFormUnit.h"

THrvWindows::THrvWindows(const QStringList& Arguments)
    : MainForm(std::make_unique<THrvMainForm>(Arguments))
    , EditProjectForm(std::make_unique<TEditProjectForm>())
    , WebPageForm(std::make_unique<TWebPageForm>())
    , WebDocForm(std::make_unique<TWebDocForm>())
    , ReplaceRuleForm(std::make_unique<TReplaceRuleForm>())
{
    MainForm->SetEditProjectForm(*EditProjectForm);
    EditProjectForm->SetEntryForms(*WebPageForm, *WebDocForm, *ReplaceRuleForm);
}

// The main window goes first: a run still going ends while the editor and
// its dialogs still exist.
THrvWindows::~THrvWindows()
{
    MainForm.reset();
}
