#include "ui/HrvMainUnit.h"

#include "HarvoVersion.h"
#include "projects/WebsiteUnit.h"
#include "ui/AppIcon.h"
#include "ui/DesktopShell.h"
#include "ui/FormScale.h"
#include "ui/GroupComboBox.h"
#include "ui/ProjectsListView.h"
#include "ui/ProjectsTableModel.h"
#include "ui/RunProgressPanel.h"

#include <QAction>
#include <QCoreApplication>
#include <QDate>
#include <QFont>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
const QString MakerName = QStringLiteral("Harvo Software");
const QUrl MakerWebPage(QStringLiteral("https://harvo.example/"));

QLabel* LinkLabel(const QString& Text, QWidget* Parent)
{
    auto* Label = new QLabel(QStringLiteral("<a href=\"#\">%1</a>").arg(Text.toHtmlEscaped()), Parent);
    Label->setTextFormat(Qt::RichText);
    Label->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    Label->setCursor(Qt::PointingHandCursor);
    return Label;
}

// A button bound to an action takes the action's caption and enabled state.
QPushButton* ActionButton(QAction* Action, QWidget* Parent)
{
    auto* Button = new QPushButton(Action->text(), Parent);
    Button->setAutoDefault(false);
    Button->setEnabled(Action->isEnabled());
    QObject::connect(Action, &QAction::changed, Button, [Button, Action] {
        Button->setText(Action->text());
        Button->setEnabled(Action->isEnabled());
    });
    QObject::connect(Button, &QPushButton::clicked, Action, &QAction::trigger);
    return Button;
}
} // namespace

THrvMainForm::THrvMainForm(const QStringList& Arguments, QWidget* Parent)
    : THrvForm(Parent)
    , FArguments(Arguments)
    , FProjects(std::make_unique<TWebsiteProjectList>())
    , FConfig(Arguments.mid(1), QCoreApplication::applicationDirPath())
    , FRunLog([this](const QStringList& Lines) { ShowLogLines(Lines); })
{
    setWindowFlags(Qt::Window);
    setWindowIcon(HarvoAppIcon());
    setWindowTitle(Caption());
    CreateActions();
    CreateControls();
    resize(ScaledPixels(this, 1080), ScaledPixels(this, 621));
    FMainPageControl->setCurrentWidget(FWebsitesTabSheet);
    LoadConfig();
}

THrvMainForm::~THrvMainForm()
{
    WaitForRunEnd();
}

QString THrvMainForm::Caption()
{
    return QStringLiteral("Harvo Grabber " HARVO_VERSION);
}

void THrvMainForm::CreateActions()
{
    auto NewAction = [this](const QString& Caption, bool Enabled, void (THrvMainForm::*Handler)()) {
        auto* Action = new QAction(Caption, this);
        Action->setEnabled(Enabled);
        connect(Action, &QAction::triggered, this, Handler);
        return Action;
    };
    FAddProjectAction = NewAction(QStringLiteral("Add..."), true, &THrvMainForm::AddProjectActionExecute);
    FCopyProjectAction = NewAction(QStringLiteral("Copy..."), false, &THrvMainForm::CopyProjectActionExecute);
    FEditProjectAction = NewAction(QStringLiteral("Edit..."), false, &THrvMainForm::EditProjectActionExecute);
    FDeleteProjectAction
        = NewAction(QStringLiteral("Delete"), false, &THrvMainForm::DeleteProjectActionExecute);
    FOpenOutputFolderAction = NewAction(
        QStringLiteral("Explore Out. Folder"), false, &THrvMainForm::OpenOutputFolderActionExecute);
    FForgetSavedStateAction = NewAction(
        QStringLiteral("Forget saved state"), false, &THrvMainForm::ForgetSavedStateActionExecute);
    FCheckAllProjectsAction
        = NewAction(QStringLiteral("Select All"), true, &THrvMainForm::CheckAllProjectsActionExecute);
    FUnCheckAllProjectsAction
        = NewAction(QStringLiteral("Unselect All"), true, &THrvMainForm::UnCheckAllProjectsActionExecute);
}

void THrvMainForm::CreateControls()
{
    FMainPageControl = new QTabWidget(this);
    FWebsitesTabSheet = CreateWebsitesPage();
    FLogTabSheet = CreateLogPage();
    FMainPageControl->addTab(FWebsitesTabSheet, QStringLiteral("Websites"));
    FMainPageControl->addTab(FLogTabSheet, QStringLiteral("Log"));
    FMainPageControl->addTab(CreateAboutPage(), QStringLiteral("About"));

    FLoadWebsitesButton = new QPushButton(QStringLiteral("Load Websites"), this);
    QFont Bold = FLoadWebsitesButton->font();
    Bold.setBold(true);
    FLoadWebsitesButton->setFont(Bold);
    FBreakButton = new QPushButton(QStringLiteral("Break"), this);
    FBreakButton->setEnabled(false);
    FCloseButton = new QPushButton(QStringLiteral("Close"), this);
    for (QPushButton* Button : { FLoadWebsitesButton, FBreakButton, FCloseButton }) {
        Button->setAutoDefault(false);
        Button->setMinimumWidth(ScaledPixels(this, 100));
    }
    auto* Panel1 = new QHBoxLayout;
    Panel1->addWidget(FLoadWebsitesButton);
    Panel1->addWidget(FBreakButton);
    Panel1->addStretch();
    Panel1->addWidget(FCloseButton);

    auto* Layout = new QVBoxLayout(this);
    const int Border = ScaledPixels(this, 12);
    Layout->setContentsMargins(Border, Border, Border, Border);
    Layout->addWidget(FMainPageControl, 1);
    Layout->addLayout(Panel1);

    connect(FLoadWebsitesButton, &QPushButton::clicked, this, &THrvMainForm::LoadWebsitesButtonClick);
    connect(FBreakButton, &QPushButton::clicked, this, &THrvMainForm::BreakButtonClick);
    connect(FCloseButton, &QPushButton::clicked, this, &QWidget::close);
}

QWidget* THrvMainForm::CreateWebsitesPage()
{
    auto* Page = new QWidget;
    FGroupComboBox = new TGroupComboBox(Page);
    FGroupComboBox->addItem(AllProjectsGroup);
    FGroupComboBox->setMinimumWidth(ScaledPixels(this, 140));
    FGroupComboBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* ViewLabel = new QLabel(QStringLiteral("View:"), Page);
    ViewLabel->setBuddy(FGroupComboBox);
    FCheckAllProjectsLabel = LinkLabel(QStringLiteral("Check All"), Page);
    FUnCheckAllProjectsLabel = LinkLabel(QStringLiteral("Uncheck All"), Page);
    FProjectsSelectedLabel = new QLabel(QStringLiteral("0 checked."), Page);
    auto* TopStrip = new QHBoxLayout;
    TopStrip->addWidget(ViewLabel);
    TopStrip->addWidget(FGroupComboBox);
    TopStrip->addSpacing(ScaledPixels(this, 12));
    TopStrip->addWidget(FCheckAllProjectsLabel);
    TopStrip->addWidget(FUnCheckAllProjectsLabel);
    TopStrip->addSpacing(ScaledPixels(this, 12));
    TopStrip->addWidget(FProjectsSelectedLabel);
    TopStrip->addStretch();

    FModel = new TProjectsTableModel(*FProjects, this);
    FProjectsListView = new TProjectsListView(Page);
    FProjectsListView->setModel(FModel);
    const auto& Columns = TProjectsTableModel::Columns();
    for (int I = 0; I < Columns.size(); ++I)
        FProjectsListView->setColumnWidth(I, ScaledPixels(this, Columns[I].second));
    FProjectsListView->SelectedProject = [this] { return GetSelectedProject(); };
    FProjectsListView->addActions(
        { FAddProjectAction, FCopyProjectAction, FEditProjectAction, FDeleteProjectAction });
    auto Separator = [this] {
        auto* Action = new QAction(this);
        Action->setSeparator(true);
        return Action;
    };
    FProjectsListView->addAction(Separator());
    FProjectsListView->addActions({ FOpenOutputFolderAction, FForgetSavedStateAction });
    FProjectsListView->addAction(Separator());
    FProjectsListView->addActions({ FCheckAllProjectsAction, FUnCheckAllProjectsAction });

    auto* Panel3 = new QVBoxLayout;
    auto* ButtonRow = new QHBoxLayout;
    for (QAction* Action : { FAddProjectAction, FCopyProjectAction, FEditProjectAction, FDeleteProjectAction,
             FOpenOutputFolderAction })
        ButtonRow->addWidget(ActionButton(Action, Page));
    ButtonRow->addStretch();
    Panel3->addLayout(ButtonRow);
    FOutDirEdit = new QLineEdit(Page);
    auto* OutDirLabel = new QLabel(QStringLiteral("Output Folder ({OutDir}):"), Page);
    OutDirLabel->setBuddy(FOutDirEdit);
    Panel3->addWidget(OutDirLabel);
    FConnectionsSpinBox = new QSpinBox(Page);
    FConnectionsSpinBox->setRange(ConnectionsSetting.Min, ConnectionsSetting.Max);
    FConnectionsSpinBox->setValue(ConnectionsSetting.Default);
    FConnectionsSpinBox->setToolTip(QStringLiteral("Connections a run keeps open to each host"));
    auto* ConnectionsLabel = new QLabel(QStringLiteral("Connections:"), Page);
    ConnectionsLabel->setBuddy(FConnectionsSpinBox);
    auto* OutDirRow = new QHBoxLayout;
    OutDirRow->addWidget(FOutDirEdit, 1);
    OutDirRow->addSpacing(ScaledPixels(this, 12));
    OutDirRow->addWidget(ConnectionsLabel);
    OutDirRow->addWidget(FConnectionsSpinBox);
    Panel3->addLayout(OutDirRow);

    auto* ExploreOutDirButton = new QPushButton(QStringLiteral("Explore"), Page);
    auto* BrowseOutDirButton = new QPushButton(QStringLiteral("Browse..."), Page);
    auto* Panel4 = new QHBoxLayout;
    Panel4->addStretch();
    for (QPushButton* Button : { ExploreOutDirButton, BrowseOutDirButton }) {
        Button->setAutoDefault(false);
        Panel4->addWidget(Button);
    }

    auto* Layout = new QVBoxLayout(Page);
    const int Border = ScaledPixels(this, 12);
    Layout->setContentsMargins(Border, Border, Border, Border);
    Layout->addLayout(TopStrip);
    Layout->addWidget(FProjectsListView, 1);
    Layout->addLayout(Panel3);
    Layout->addLayout(Panel4);

    connect(FCheckAllProjectsLabel, &QLabel::linkActivated, this, [this] {
        if (FCheckAllProjectsAction->isEnabled())
            FCheckAllProjectsAction->trigger();
    });
    connect(FUnCheckAllProjectsLabel, &QLabel::linkActivated, this, [this] {
        if (FUnCheckAllProjectsAction->isEnabled())
            FUnCheckAllProjectsAction->trigger();
    });
    connect(FGroupComboBox, &TGroupComboBox::DropDown, this, &THrvMainForm::GroupComboBoxDropDown);
    connect(FGroupComboBox, &QComboBox::activated, this, &THrvMainForm::GroupComboBoxClick);
    connect(FProjectsListView, &TProjectsListView::CheckZonePressed, this, &THrvMainForm::ToggleProjectCheck);
    connect(
        FProjectsListView, &TProjectsListView::ProjectDropped, this, &THrvMainForm::ProjectsListViewDragDrop);
    connect(FProjectsListView, &QAbstractItemView::doubleClicked, this, [this] {
        if (FEditProjectAction->isEnabled())
            FEditProjectAction->trigger();
    });
    connect(FProjectsListView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &THrvMainForm::UpdateProjectActions);
    connect(ExploreOutDirButton, &QPushButton::clicked, this, &THrvMainForm::ExploreOutDirButtonClick);
    connect(BrowseOutDirButton, &QPushButton::clicked, this, &THrvMainForm::BrowseOutDirButtonClick);
    return Page;
}

QWidget* THrvMainForm::CreateLogPage()
{
    auto* Page = new QWidget;
    FLogMemo = new QPlainTextEdit(Page);
    FLogMemo->setReadOnly(true);
    FLogMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    FLogMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FLogMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FLogMemo->setUndoRedoEnabled(false);
    FRunProgressPanel = new TRunProgressPanel(FRunControl.FProgress, Page);
    connect(FRunProgressPanel, &TRunProgressPanel::PercentChanged, this, &THrvMainForm::ShowPercentInTitle);
    auto* Layout = new QVBoxLayout(Page);
    Layout->addWidget(FLogMemo, 1);
    Layout->addWidget(FRunProgressPanel);
    return Page;
}

QWidget* THrvMainForm::CreateAboutPage()
{
    auto* Page = new QWidget;
    auto* AppIconImage = new QLabel(Page);
    AppIconImage->setPixmap(windowIcon().pixmap(32, 32));
    AppIconImage->setFixedSize(32, 32);
    FTitleLabel = new QLabel(Caption(), Page);
    QFont TitleFont = FTitleLabel->font();
    TitleFont.setBold(true);
    TitleFont.setPointSizeF(TitleFont.pointSizeF() * 1.5);
    FTitleLabel->setFont(TitleFont);
    auto* NoticeLabel = new QLabel(QString::asprintf("Copyright (C) 2007-20%.2d %s. All rights reserved.",
                                       QDate::currentDate().year() - 2000, qPrintable(MakerName)),
        Page);
    auto* MakerLinkLabel = LinkLabel(MakerName, Page);
    FEditionLabel = new QLabel(QString::asprintf("%d-Bit %sEdition", QT_POINTER_SIZE * 8, ""), Page);

    auto* Text = new QVBoxLayout;
    Text->addWidget(FTitleLabel);
    Text->addWidget(NoticeLabel);
    Text->addWidget(MakerLinkLabel);
    Text->addWidget(FEditionLabel);
    Text->addStretch();
    auto* Layout = new QHBoxLayout(Page);
    const int Border = ScaledPixels(this, 24);
    Layout->setContentsMargins(Border, Border, Border, Border);
    Layout->setSpacing(Border);
    Layout->addWidget(AppIconImage, 0, Qt::AlignTop);
    Layout->addLayout(Text, 1);

    connect(MakerLinkLabel, &QLabel::linkActivated, this, [] { OpenWebPage(MakerWebPage); });
    return Page;
}

void THrvMainForm::keyPressEvent(QKeyEvent* Event)
{
    // The main window is not a dialog: Escape does not close it.
    if (Event->key() == Qt::Key_Escape)
        Event->ignore();
    else
        THrvForm::keyPressEvent(Event);
}
