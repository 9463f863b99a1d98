#pragma once

#include "ui/HrvFormUnit.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class TEntryListPanel;
class TReplaceRuleForm;
class TRequestOptionsPanel;
class TWebDocForm;
class TWebPageForm;
class TWebsiteProject;

// The project editor: shows every setting of one project and writes them
// back into that same project object only when the user confirms with OK.
class TEditProjectForm : public THrvForm {
    Q_OBJECT
public:
    explicit TEditProjectForm(QWidget* Parent = nullptr);

    // The entry dialogs of the three lists, created after the editor.
    void SetEntryForms(TWebPageForm& WebPageForm, TWebDocForm& WebDocForm, TReplaceRuleForm& ReplaceRuleForm);

    bool AddProject(TWebsiteProject& Project, const QString& OutDir, const QString& GroupName);
    bool EditProject(TWebsiteProject& Project, const QString& OutDir, bool NewProject);
    bool ShowProjectDialog(TWebsiteProject& Project, const QString& OutDir);
    QString GetExpandedOutFolder() const;

    QLineEdit* ProjectNameEdit() const { return FProjectNameEdit; }
    QLineEdit* GroupNameEdit() const { return FGroupNameEdit; }
    QLineEdit* DomainAliasesEdit() const { return FDomainAliasesEdit; }
    TEntryListPanel* WebPages() const { return FWebPages; }
    QPlainTextEdit* SuppressMemo() const { return FSuppressMemo; }
    QCheckBox* RemoveScriptsCheckBox() const { return FRemoveScriptsCheckBox; }
    QCheckBox* CompletePagesCheckBox() const { return FCompletePagesCheckBox; }
    QCheckBox* SiteFileNamesCheckBox() const { return FSiteFileNamesCheckBox; }
    QCheckBox* UpdateRequestsCheckBox() const { return FUpdateRequestsCheckBox; }
    QTabWidget* PageControl1() const { return FPageControl1; }
    TEntryListPanel* WebDocs() const { return FWebDocs; }
    TEntryListPanel* ReplaceRules() const { return FReplaceRules; }
    TRequestOptionsPanel* Requests() const { return FRequests; }
    QLineEdit* IndexFileEdit() const { return FIndexFileEdit; }
    QLineEdit* ProjectOutFolderEdit() const { return FProjectOutFolderEdit; }
    QComboBox* ProjectOverwriteComboBox() const { return FProjectOverwriteComboBox; }
    QPushButton* OKButton() const { return FOKButton; }
    QPushButton* CancelButton() const { return FCancelButton; }

    void OKButtonClick();
    void ExploreProjectOutFolderButtonClick();
    void BrowseProjectOutFolderButtonClick();

protected:
    void showEvent(QShowEvent* Event) override;

private:
    void CreateControls();
    void FillDialog(const TWebsiteProject& Project);
    void WriteBack(TWebsiteProject& Project) const;

    QString FOutDir;
    TWebPageForm* FWebPageForm = nullptr;
    TWebDocForm* FWebDocForm = nullptr;
    TReplaceRuleForm* FReplaceRuleForm = nullptr;
    QLineEdit* FProjectNameEdit;
    QLineEdit* FGroupNameEdit;
    QLineEdit* FWebsiteURLEdit;
    QLineEdit* FDomainAliasesEdit;
    TEntryListPanel* FWebPages;
    QPlainTextEdit* FSuppressMemo;
    QCheckBox* FRemoveScriptsCheckBox;
    QCheckBox* FRemoveNoscriptsCheckBox;
    QTabWidget* FPageControl1;
    TEntryListPanel* FWebDocs;
    TEntryListPanel* FReplaceRules;
    TRequestOptionsPanel* FRequests;
    QLineEdit* FBaseURLEdit;
    QLineEdit* FIndexFileEdit;
    QLineEdit* FProjectOutFolderEdit;
    QCheckBox* FRelativePathLinksCheckBox;
    QCheckBox* FCompletePagesCheckBox;
    QCheckBox* FSiteFileNamesCheckBox;
    QCheckBox* FUpdateRequestsCheckBox;
    QComboBox* FProjectOverwriteComboBox;
    QPushButton* FOKButton;
    QPushButton* FCancelButton;
};
