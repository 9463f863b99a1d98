#include "ui/EditProjectUnit.h"

#include "engine/crawl/ProjectRuns.h"
#include "projects/WebsiteUnit.h"
#include "ui/DesktopShell.h"
#include "ui/DialogParts.h"
#include "ui/EntryListView.h"
#include "ui/FormScale.h"
#include "ui/ReplaceRuleFormUnit.h"
#include "ui/RequestOptionsPanel.h"
#include "ui/ScreenFit.h"
#include "ui/WebDocFormUnit.h"
#include "ui/WebPageFormUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>
#include <functional>
#include <utility>

namespace {

// The two columns a record shows in its list.
std::pair<QString, QString> Columns(const TStartPage& Page)
{
    return { Page.URL, QString::number(Page.LinkDepth) };
}

std::pair<QString, QString> Columns(const TDownloadRule& Rule)
{
    return { Rule.URLPrefix, Rule.Folder };
}

std::pair<QString, QString> Columns(const TReplaceRule& Rule)
{
    return { Rule.Pattern, Rule.Template };
}

template <typename TRecord> void FillRows(TEntryListPanel& Panel, const std::vector<TRecord>& Records)
{
    Panel.Clear();
    for (const TRecord& Record : Records) {
        const auto [Caption, SubItem] = Columns(Record);
        Panel.List()->AddRow(Caption, SubItem);
    }
}

// A record for each of a list's rows, in row order, made of its two columns.
template <typename TRecord>
std::vector<TRecord> ReadRows(const TEntryListPanel& Panel,
    const std::function<TRecord(const QString& Caption, const QString& SubItem)>& RecordOf)
{
    const TEntryListView& List = *Panel.List();
    std::vector<TRecord> Records;
    for (int I = 0; I < List.topLevelItemCount(); ++I)
        Records.push_back(RecordOf(List.topLevelItem(I)->text(0), List.topLevelItem(I)->text(1)));
    return Records;
}

template <typename TRecord> TRecord TwoTextRecord(const QString& First, const QString& Second)
{
    return { First, Second };
}

QString ListText(const TStrings& Lines)
{
    return Lines.ToQStringList().join(QLatin1Char('\n'));
}
} // namespace

TEditProjectForm::TEditProjectForm(QWidget* Parent)
    : THrvForm(Parent)
{
    CreateControls();
    setSizeGripEnabled(true);
    resize(ScaledPixels(this, 1010), ScaledPixels(this, 540));
}

void TEditProjectForm::SetEntryForms(
    TWebPageForm& WebPageForm, TWebDocForm& WebDocForm, TReplaceRuleForm& ReplaceRuleForm)
{
    FWebPageForm = &WebPageForm;
    FWebDocForm = &WebDocForm;
    FReplaceRuleForm = &ReplaceRuleForm;
}

void TEditProjectForm::CreateControls()
{
    FProjectNameEdit = new QLineEdit;
    FGroupNameEdit = new QLineEdit;
    FWebsiteURLEdit = new QLineEdit;
    FDomainAliasesEdit = new QLineEdit;
    FWebPages = new TEntryListPanel(
        new TEntryListView(QStringLiteral("URL"), 310, QStringLiteral("Extract URLs Depth"), 120, true),
        [this](QString& URL, QString& Depth) {
            int Value = Depth.toInt();
            if (!FWebPageForm || !FWebPageForm->Execute(URL, Value))
                return false;
            Depth = QString::number(Value);
            return true;
        });
    FSuppressMemo = new QPlainTextEdit;
    FSuppressMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    FSuppressMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FSuppressMemo->setTabChangesFocus(true);
    FRemoveScriptsCheckBox = new QCheckBox(QStringLiteral("Remove <script> tags."));
    FRemoveNoscriptsCheckBox = new QCheckBox(QStringLiteral("Remove <noscript> tags."));
    FWebDocs = new TEntryListPanel(new TEntryListView(QStringLiteral("URL starts with"), 330,
                                       QStringLiteral("Output Folder"), 150, true),
        [this](QString& Prefix, QString& Folder) {
            return FWebDocForm && FWebDocForm->Execute(Prefix, Folder);
        });
    FReplaceRules = new TEntryListPanel(
        new TEntryListView(QStringLiteral("Pattern"), 240, QStringLiteral("Replace Rule"), 240, false),
        [this](QString& Pattern, QString& Rule) {
            return FReplaceRuleForm && FReplaceRuleForm->Execute(Pattern, Rule);
        });
    FPageControl1 = new QTabWidget;
    FPageControl1->addTab(FWebDocs, QStringLiteral("Download Files"));
    FPageControl1->addTab(FReplaceRules, QStringLiteral("Replace Rules"));
    FRequests = new TRequestOptionsPanel;
    FPageControl1->addTab(FRequests, QStringLiteral("Requests"));
    FBaseURLEdit = new QLineEdit;
    FIndexFileEdit = new QLineEdit;
    FProjectOutFolderEdit = new QLineEdit;
    auto* ExploreButton = new QPushButton(QStringLiteral("Explore"));
    auto* BrowseButton = new QPushButton(QStringLiteral("Browse..."));
    FRelativePathLinksCheckBox = new QCheckBox(QStringLiteral("Relative Path Links."));
    FCompletePagesCheckBox = new QCheckBox(QStringLiteral("Complete pages"));
    FSiteFileNamesCheckBox = new QCheckBox(QStringLiteral("Site file names"));
    FSiteFileNamesCheckBox->setToolTip(QStringLiteral("Save files under the site's own names (pages end in "
                                                      ".html) and link what was not copied to the site"));
    FUpdateRequestsCheckBox = new QCheckBox(
        QStringLiteral("Ask only for what changed since the last run (conditional requests, resume)"));
    FProjectOverwriteComboBox = new QComboBox;
    FProjectOverwriteComboBox->addItems({ QStringLiteral("Don't overwrite files"),
        QStringLiteral("Overwrite all files"), QStringLiteral("Overwrite changed files only") });
    FOKButton = new QPushButton(QStringLiteral("OK"));
    FCancelButton = new QPushButton(QStringLiteral("Cancel"));
    FOKButton->setDefault(true);
    for (QPushButton* Button : { ExploreButton, BrowseButton, FCancelButton })
        Button->setAutoDefault(false);

    // Two columns use the width of a wide screen, so that the editor fits a
    // laptop's height; on a lower screen the settings scroll, and the
    // overwrite list, OK and Cancel stay in view below them.
    auto* SiteColumn = new QVBoxLayout;
    SiteColumn->setSpacing(ScaledPixels(this, 3));
    AddLabelledBox(*SiteColumn, QStringLiteral("Project Name:"), FProjectNameEdit);
    AddLabelledBox(*SiteColumn, QStringLiteral("Group:"), FGroupNameEdit);
    AddLabelledBox(*SiteColumn, QStringLiteral("Website URL:"), FWebsiteURLEdit);
    AddLabelledBox(*SiteColumn, QStringLiteral("Domain Aliases:"), FDomainAliasesEdit);
    SiteColumn->addWidget(new QLabel(QStringLiteral("Delimited by semicolon. Example: 127.0.0,1;localhost")));
    AddLabelledBox(*SiteColumn, QStringLiteral("Web Pages:"), FWebPages, 3);
    AddLabelledBox(*SiteColumn, QStringLiteral("Suppress URLs:"), FSuppressMemo, 2);

    auto* OutputColumn = new QVBoxLayout;
    OutputColumn->setSpacing(ScaledPixels(this, 3));
    auto* ScriptsRow = new QHBoxLayout;
    ScriptsRow->addWidget(FRemoveScriptsCheckBox);
    ScriptsRow->addWidget(FRemoveNoscriptsCheckBox);
    ScriptsRow->addStretch();
    OutputColumn->addLayout(ScriptsRow);
    OutputColumn->addWidget(FPageControl1, 3);
    AddLabelledBox(*OutputColumn, QStringLiteral("Target Base URL:"), FBaseURLEdit);
    AddLabelledBox(*OutputColumn, QStringLiteral("Index File:"), FIndexFileEdit);
    AddLabelledBox(*OutputColumn, QStringLiteral("Output Folder:"), FProjectOutFolderEdit);
    auto* FolderRow = new QHBoxLayout;
    FolderRow->addWidget(new QLabel(QStringLiteral("You can use these tags: {OutDir}, {ProjectName}")), 1);
    FolderRow->addWidget(ExploreButton);
    FolderRow->addWidget(BrowseButton);
    OutputColumn->addLayout(FolderRow);
    OutputColumn->addWidget(FRelativePathLinksCheckBox);
    OutputColumn->addWidget(FCompletePagesCheckBox);
    OutputColumn->addWidget(FSiteFileNamesCheckBox);
    OutputColumn->addWidget(FUpdateRequestsCheckBox);

    auto* Settings = new QWidget;
    auto* Columns = new QHBoxLayout(Settings);
    Columns->setContentsMargins(0, 0, 0, 0);
    Columns->setSpacing(ScaledPixels(this, 16));
    Columns->addLayout(SiteColumn, 1);
    Columns->addLayout(OutputColumn, 1);
    auto* SettingsArea = new QScrollArea;
    SettingsArea->setFrameShape(QFrame::NoFrame);
    SettingsArea->setWidgetResizable(true);
    SettingsArea->setWidget(Settings);
    auto* BottomRow = new QHBoxLayout;
    BottomRow->addWidget(FProjectOverwriteComboBox);
    BottomRow->addStretch();
    BottomRow->addWidget(FOKButton);
    BottomRow->addWidget(FCancelButton);
    auto* FormLayout = new QVBoxLayout(this);
    FormLayout->addWidget(SettingsArea, 1);
    FormLayout->addLayout(BottomRow);

    connect(FOKButton, &QPushButton::clicked, this, &TEditProjectForm::OKButtonClick);
    connect(FCancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(
        ExploreButton, &QPushButton::clicked, this, &TEditProjectForm::ExploreProjectOutFolderButtonClick);
    connect(BrowseButton, &QPushButton::clicked, this, &TEditProjectForm::BrowseProjectOutFolderButtonClick);
}

bool TEditProjectForm::AddProject(TWebsiteProject& Project, const QString& OutDir, const QString& GroupName)
{
    setWindowTitle(QStringLiteral("Add New Project"));
    Project.Clear();
    Project.SetGroupName(GroupName);
    Project.SetIndexFile(QStringLiteral("index.html"));
    Project.SetOutputFolder(QStringLiteral("{OutDir}") + QDir::separator() + QStringLiteral("{ProjectName}"));
    Project.SetOverwrite(ofChanged);
    Project.SetCompletePages(true);
    Project.SetSiteFileNames(true);
    Project.SetUpdateRequests(true);
    Project.Requests() = TRequestOptions::ForNewProject();
    return ShowProjectDialog(Project, OutDir);
}

bool TEditProjectForm::EditProject(TWebsiteProject& Project, const QString& OutDir, bool NewProject)
{
    setWindowTitle(NewProject ? QStringLiteral("Add New Project") : QStringLiteral("Edit Project"));
    return ShowProjectDialog(Project, OutDir);
}

bool TEditProjectForm::ShowProjectDialog(TWebsiteProject& Project, const QString& OutDir)
{
    FOutDir = OutDir;
    FillDialog(Project);
    FProjectNameEdit->setFocus();
    KeepWithinScreen(*this);
    if (exec() != QDialog::Accepted)
        return false;
    WriteBack(Project);
    return true;
}

void TEditProjectForm::FillDialog(const TWebsiteProject& Project)
{
    FProjectNameEdit->setText(Project.ProjectName());
    FGroupNameEdit->setText(Project.GroupName());
    FWebsiteURLEdit->setText(Project.WebsiteURL());
    FDomainAliasesEdit->setText(Project.DomainAliasesString());
    FRemoveScriptsCheckBox->setChecked(Project.RemoveScripts());
    FRemoveNoscriptsCheckBox->setChecked(Project.RemoveNoscripts());
    FRelativePathLinksCheckBox->setChecked(Project.RelativePathLinks());
    FCompletePagesCheckBox->setChecked(Project.CompletePages());
    FSiteFileNamesCheckBox->setChecked(Project.SiteFileNames());
    FUpdateRequestsCheckBox->setChecked(Project.UpdateRequests());
    FBaseURLEdit->setText(Project.BaseURL());
    FIndexFileEdit->setText(Project.IndexFile());
    FProjectOutFolderEdit->setText(Project.OutputFolder());
    FProjectOverwriteComboBox->setCurrentIndex(Project.Overwrite() == ofAll ? 1
            : Project.Overwrite() == ofChanged                              ? 2
                                                                            : 0);
    FillRows(*FWebPages, Project.StartPages());
    FillRows(*FWebDocs, Project.DownloadRules());
    FillRows(*FReplaceRules, Project.ReplaceRules());
    FSuppressMemo->setPlainText(ListText(Project.SuppressURLs()));
    FRequests->Fill(Project.Requests());
}

void TEditProjectForm::WriteBack(TWebsiteProject& Project) const
{
    Project.SetProjectName(FProjectNameEdit->text());
    Project.SetGroupName(FGroupNameEdit->text());
    Project.SetWebsiteURL(FWebsiteURLEdit->text());
    Project.SetDomainAliasesString(FDomainAliasesEdit->text());
    Project.SetRemoveScripts(FRemoveScriptsCheckBox->isChecked());
    Project.SetRemoveNoscripts(FRemoveNoscriptsCheckBox->isChecked());
    Project.SetRelativePathLinks(FRelativePathLinksCheckBox->isChecked());
    Project.SetCompletePages(FCompletePagesCheckBox->isChecked());
    Project.SetSiteFileNames(FSiteFileNamesCheckBox->isChecked());
    Project.SetUpdateRequests(FUpdateRequestsCheckBox->isChecked());
    Project.SetBaseURL(FBaseURLEdit->text());
    Project.SetIndexFile(FIndexFileEdit->text());
    Project.SetOutputFolder(FProjectOutFolderEdit->text());
    const int Overwrite = FProjectOverwriteComboBox->currentIndex();
    Project.SetOverwrite(Overwrite == 1 ? ofAll : Overwrite == 2 ? ofChanged : ofNone);

    Project.StartPages() = ReadRows<TStartPage>(*FWebPages, [](const QString& URL, const QString& Depth) {
        return TStartPage { URL, Depth.toInt() };
    });
    Project.DownloadRules() = ReadRows<TDownloadRule>(*FWebDocs, TwoTextRecord<TDownloadRule>);
    Project.ReplaceRules() = ReadRows<TReplaceRule>(*FReplaceRules, TwoTextRecord<TReplaceRule>);
    Project.SuppressURLs().SetText(FSuppressMemo->toPlainText());
    FRequests->WriteBack(Project.Requests());
}

QString TEditProjectForm::GetExpandedOutFolder() const
{
    return ExpandOutputFolderTags(FProjectOutFolderEdit->text(), FOutDir, FProjectNameEdit->text());
}

void TEditProjectForm::OKButtonClick()
{
    if (!CheckNotEmpty(FProjectNameEdit->text(), QStringLiteral("Project Name")))
        return;
    const QString PatternError = FRequests->PatternError();
    if (!PatternError.isEmpty()) {
        FPageControl1->setCurrentWidget(FRequests);
        Warning(QStringLiteral("A URL pattern does not compile: ") + PatternError);
        return;
    }
    accept();
}

void TEditProjectForm::ExploreProjectOutFolderButtonClick()
{
    ExploreFolder(GetExpandedOutFolder());
}

void TEditProjectForm::BrowseProjectOutFolderButtonClick()
{
    const QString Folder = BrowseForFolder(this, GetExpandedOutFolder());
    if (!Folder.isEmpty())
        FProjectOutFolderEdit->setText(Folder);
}

void TEditProjectForm::showEvent(QShowEvent* Event)
{
    FPageControl1->setCurrentIndex(0);
    THrvForm::showEvent(Event);
}
