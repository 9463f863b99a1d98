#include "UiTestSupport.h"

#include "ui/EntryListView.h"
#include "ui/WebDocFormUnit.h"
#include "ui/WebPageFormUnit.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {
// Runs the web page dialog, typing Depth into the depth box before OK.
bool ExecuteWebPage(TWebPageForm& Form, QString& URL, int& Depth, const QString& TypedDepth)
{
    WhenModal([&Form, TypedDepth](QDialog&) {
        Form.SecondEdit()->setText(TypedDepth);
        Form.OKButton()->click();
    });
    return Form.Execute(URL, Depth);
}

QStringList Captions(const TEntryListView& List)
{
    QStringList Result;
    for (int I = 0; I < List.topLevelItemCount(); ++I)
        Result.append(List.topLevelItem(I)->text(0));
    return Result;
}

void FillRows(TEntryListView& List, int Count)
{
    for (int I = 1; I <= Count; ++I)
        List.AddRow(QString::number(I), QString());
}

void SelectRows(TEntryListView& List, const QList<int>& Rows)
{
    List.clearSelection();
    for (int Row : Rows)
        List.topLevelItem(Row - 1)->setSelected(true);
}
} // namespace

TEST(WebPageForm, OkFollowsTheUrlBox)
{
    TWebPageForm Form;
    QString URL = QStringLiteral("http://a/");
    int Depth = 0;
    WhenModal([&Form](QDialog&) {
        EXPECT_TRUE(Form.OKButton()->isEnabled());
        Form.FirstEdit()->clear();
        EXPECT_FALSE(Form.OKButton()->isEnabled());
        Form.FirstEdit()->setText(QStringLiteral(" "));
        EXPECT_TRUE(Form.OKButton()->isEnabled());
        Form.CancelButton()->click();
    });
    EXPECT_FALSE(Form.Execute(URL, Depth));
    EXPECT_EQ(URL, QStringLiteral("http://a/"));
}

TEST(WebPageForm, DepthIsConvertedOrRejected)
{
    TWebPageForm Form;
    QString URL = QStringLiteral("http://a/");
    int Depth = 3;
    EXPECT_TRUE(ExecuteWebPage(Form, URL, Depth, QStringLiteral("-1")));
    EXPECT_EQ(Depth, -1);

    try {
        ExecuteWebPage(Form, URL, Depth, QStringLiteral("two"));
        FAIL() << "no conversion error";
    } catch (const EConvertError& E) {
        EXPECT_EQ(E.Message(), QStringLiteral("'two' is not a valid integer value"));
    }
    EXPECT_EQ(Depth, -1);
}

TEST(WebDocForm, ReturnsBothBoxesOnOkOnly)
{
    TWebDocForm Form;
    QString Prefix;
    QString Folder = QStringLiteral("old");
    EXPECT_FALSE(Form.OKButton()->isEnabled());
    WhenModal([&Form](QDialog&) {
        EXPECT_FALSE(Form.OKButton()->isEnabled());
        Form.FirstEdit()->setText(QStringLiteral("http://a/files/"));
        Form.SecondEdit()->setText(QStringLiteral("files"));
        Form.OKButton()->click();
    });
    ASSERT_TRUE(Form.Execute(Prefix, Folder));
    EXPECT_EQ(Prefix, QStringLiteral("http://a/files/"));
    EXPECT_EQ(Folder, QStringLiteral("files"));
}

TEST(EntryListView, SelectedRowsMoveTogetherBeforeTheDropRow)
{
    struct TCase {
        QList<int> Selected;
        int Target; // 0: below the last row
        QStringList Expected;
    };
    const TCase Cases[] = {
        { { 1, 3 }, 5, { "2", "4", "1", "3", "5" } },
        { { 1, 3 }, 0, { "2", "4", "5", "1", "3" } },
        { { 4 }, 2, { "1", "4", "2", "3", "5" } },
        { { 2, 4 }, 2, { "1", "2", "4", "3", "5" } },
        { { 2, 4 }, 4, { "1", "3", "2", "4", "5" } },
    };
    for (const TCase& Case : Cases) {
        TEntryListView List(QStringLiteral("URL"), 310, QStringLiteral("Depth"), 120, true);
        FillRows(List, 5);
        SelectRows(List, Case.Selected);
        List.MoveSelectedRowsBefore(Case.Target ? List.topLevelItem(Case.Target - 1) : nullptr);
        EXPECT_EQ(Captions(List), Case.Expected) << "target " << Case.Target;
        EXPECT_TRUE(List.selectedItems().isEmpty());
    }
}

TEST(EntryListPanel, KeysAndButtonsEditTheRows)
{
    QStringList Edited;
    auto* List = new TEntryListView(QStringLiteral("URL"), 310, QStringLiteral("Depth"), 120, true);
    TEntryListPanel Panel(List, [&Edited](QString& Caption, QString& SubItem) {
        Edited.append(Caption);
        if (Caption == QStringLiteral("bad"))
            throw EConvertError(QStringLiteral("'x' is not a valid integer value"));
        Caption = Caption.isEmpty() ? QStringLiteral("new") : Caption + QStringLiteral("!");
        SubItem = QStringLiteral("7");
        return true;
    });
    EXPECT_FALSE(Panel.EditButton()->isEnabled());
    EXPECT_FALSE(Panel.DeleteButton()->isEnabled());

    Panel.AddButton()->click();
    ASSERT_EQ(Captions(*List), QStringList { "new" });
    EXPECT_FALSE(List->topLevelItem(0)->isSelected());

    FillRows(*List, 4);
    SelectRows(*List, { 2 });
    EXPECT_TRUE(Panel.EditButton()->isEnabled());
    QKeyEvent Space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QCoreApplication::sendEvent(List, &Space);
    EXPECT_EQ(Captions(*List), (QStringList { "new", "1!", "2", "3", "4" }));

    // A failing entry dialog is reported and leaves the row as it was.
    List->topLevelItem(2)->setText(0, QStringLiteral("bad"));
    SelectRows(*List, { 3 });
    TMessageBoxAnswers Answers;
    Panel.EditButton()->click();
    ASSERT_EQ(Answers.Shown().size(), 1);
    EXPECT_EQ(Answers.Shown()[0].Text, QStringLiteral("'x' is not a valid integer value"));
    EXPECT_EQ(List->topLevelItem(2)->text(0), QStringLiteral("bad"));

    SelectRows(*List, { 1, 3, 5 });
    QKeyEvent Delete(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(List, &Delete);
    EXPECT_EQ(Captions(*List), (QStringList { "1!", "3" }));
    EXPECT_FALSE(Panel.DeleteButton()->isEnabled());
    EXPECT_EQ(Answers.Shown().size(), 1);
}
