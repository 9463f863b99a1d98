#pragma once

#include "engine/crawl/HrvThread.h"
#include "projects/AppConfig.h"
#include "ui/HrvFormUnit.h"
#include "ui/MemoRunLog.h"

#include <QStringList>
#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class TEditProjectForm;
class TGroupComboBox;
class TProjectsListView;
class TProjectsTableModel;
class TRunProgressPanel;

// The main window: the project list with its group filter, the common output
// folder, the run controls with the run log, and the About page. It owns the
// project list for the life of the process.
class THrvMainForm : public THrvForm {
    Q_OBJECT
public:
    // Arguments are the program's command line (the program name first).
    explicit THrvMainForm(const QStringList& Arguments, QWidget* Parent = nullptr);
    ~THrvMainForm() override;

    static QString Caption();
    // The project editor, created after the main window.
    void SetEditProjectForm(TEditProjectForm& Editor) { FEditor = &Editor; }

    TWebsiteProjectList& Projects() const { return *FProjects; }
    bool Running() const { return FRunning; }
    const TRunControl& RunControl() const { return FRunControl; }

    TProjectsListView* ProjectsListView() const { return FProjectsListView; }
    TGroupComboBox* GroupComboBox() const { return FGroupComboBox; }
    QLabel* ProjectsSelectedLabel() const { return FProjectsSelectedLabel; }
    QLineEdit* OutDirEdit() const { return FOutDirEdit; }
    QSpinBox* ConnectionsSpinBox() const { return FConnectionsSpinBox; }
    // The run settings a run gets: the spin box's connections and the stored
    // URL limit.
    TRunSettings RunSettings() const;
    // The program's exit status: non-zero when an unattended window
    // ("-close") met an error (no output folder, a project not found, a
    // configuration that could not be saved).
    int ExitStatus() const { return FExitStatus; }
    QTabWidget* MainPageControl() const { return FMainPageControl; }
    QWidget* WebsitesTabSheet() const { return FWebsitesTabSheet; }
    QWidget* LogTabSheet() const { return FLogTabSheet; }
    // The run log with every line logged so far shown.
    QPlainTextEdit* LogMemo();
    // The progress bar and status line under the log, shown while a run goes.
    TRunProgressPanel* RunProgressPanel() const { return FRunProgressPanel; }
    QLabel* TitleLabel() const { return FTitleLabel; }
    QLabel* EditionLabel() const { return FEditionLabel; }
    QPushButton* LoadWebsitesButton() const { return FLoadWebsitesButton; }
    QPushButton* BreakButton() const { return FBreakButton; }
    QAction* AddProjectAction() const { return FAddProjectAction; }
    QAction* CopyProjectAction() const { return FCopyProjectAction; }
    QAction* EditProjectAction() const { return FEditProjectAction; }
    QAction* DeleteProjectAction() const { return FDeleteProjectAction; }
    QAction* OpenOutputFolderAction() const { return FOpenOutputFolderAction; }
    QAction* ForgetSavedStateAction() const { return FForgetSavedStateAction; }

    void RefreshProjectsView();
    TWebsiteProject* GetSelectedProject() const;
    void ToggleProjectCheck(int Row);
    void UpdateProjectActions();
    bool ProjectNameExists(const QString& ProjectName, const TWebsiteProject* Project);

    void AddProjectActionExecute();
    void CopyProjectActionExecute();
    void EditProjectActionExecute();
    void DeleteProjectActionExecute();
    void OpenOutputFolderActionExecute();
    // Deletes the selected project's crawl state; the log says whether
    // there was one.
    void ForgetSavedStateActionExecute();
    void CheckAllProjectsActionExecute();
    void UnCheckAllProjectsActionExecute();
    void GroupComboBoxDropDown();
    void GroupComboBoxClick(int Index);
    void ProjectsListViewDragDrop(TWebsiteProject* Dragged, int TargetRow);
    void BrowseOutDirButtonClick();
    void ExploreOutDirButtonClick();

    void LoadWebsitesButtonClick();
    void BreakButtonClick();
    void LogMsg(const QString& AMsg);
    void ShowLogLines(const QStringList& Lines);
    void ClearLog();

protected:
    // Boxes keep the plain caption while the title shows a run's percentage.
    QString MessageTitle() const override { return Caption(); }
    void showEvent(QShowEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;

private:
    void CreateControls();
    QWidget* CreateWebsitesPage();
    QWidget* CreateLogPage();
    QWidget* CreateAboutPage();
    void CreateActions();
    void SetGroupEntries(const QStringList& Entries, int Selected);
    QString SelectedGroup() const;

    void LoadConfig();
    bool SaveConfig();
    void FormShow();
    void StartRun(THrvThread* Thread);
    void ShowPercentInTitle(int Percent);
    void OnLoadWebsitesCompleted();
    void OnStartProjectCompleted(bool StartProjectResult);
    void CloseWhenNoDialogIsOpen();
    void WaitForRunEnd();
    bool HasArgument(const QString& Option) const;
    bool Unattended() const;
    void ReportError(const QString& Text);
    void WriteUnattendedError(const QString& Text, int Status);
    void SelectProject(const TWebsiteProject* Project);

    TEditProjectForm* FEditor = nullptr;
    const QStringList FArguments;
    std::unique_ptr<TWebsiteProjectList> FProjects;
    // Refuses to write a configuration file that could not be read at start.
    TAppConfig FConfig;
    TRunControl FRunControl;
    TMemoRunLog FRunLog;
    bool FRunning = false;
    bool FShown = false;
    bool FClosing = false;
    int FExitStatus = 0;
    // The stored URL limit, kept for the next save (no control shows it).
    int FMaxURLs = MaxURLsSetting.Default;
    // The stored state folder ("StateDir"), kept for the next save.
    QString FStateDir;
    // The event loop level the window was shown in; a deeper one means a
    // dialog's loop is still running.
    int FShowLoopLevel = 0;

    TProjectsTableModel* FModel = nullptr;
    TProjectsListView* FProjectsListView = nullptr;
    TGroupComboBox* FGroupComboBox = nullptr;
    QLabel* FProjectsSelectedLabel = nullptr;
    QLabel* FCheckAllProjectsLabel = nullptr;
    QLabel* FUnCheckAllProjectsLabel = nullptr;
    QLineEdit* FOutDirEdit = nullptr;
    QSpinBox* FConnectionsSpinBox = nullptr;
    QTabWidget* FMainPageControl = nullptr;
    QWidget* FWebsitesTabSheet = nullptr;
    QWidget* FLogTabSheet = nullptr;
    QPlainTextEdit* FLogMemo = nullptr;
    TRunProgressPanel* FRunProgressPanel = nullptr;
    QLabel* FTitleLabel = nullptr;
    QLabel* FEditionLabel = nullptr;
    QPushButton* FLoadWebsitesButton = nullptr;
    QPushButton* FBreakButton = nullptr;
    QPushButton* FCloseButton = nullptr;
    QAction* FAddProjectAction = nullptr;
    QAction* FCopyProjectAction = nullptr;
    QAction* FEditProjectAction = nullptr;
    QAction* FDeleteProjectAction = nullptr;
    QAction* FOpenOutputFolderAction = nullptr;
    QAction* FForgetSavedStateAction = nullptr;
    QAction* FCheckAllProjectsAction = nullptr;
    QAction* FUnCheckAllProjectsAction = nullptr;
};
