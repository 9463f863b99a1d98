#include "projects/WebsiteUnit.h"

#include <gtest/gtest.h>

namespace {

// A list of projects named by the letters of Names, with the given groups.
struct Fixture {
    TWebsiteProjectList List;

    explicit Fixture(const QString& Names, const QStringList& Groups = {})
    {
        for (int I = 0; I < Names.size(); ++I) {
            auto Project = std::make_unique<TWebsiteProject>();
            Project->SetProjectName(Names.mid(I, 1));
            Project->SetGroupName(Groups.value(I));
            List.AddProject(std::move(Project));
        }
    }
    TWebsiteProject* operator[](const char* Name) const { return List.FindProject(Name); }
    QString Order() const
    {
        QString Result;
        for (int I = 0; I < List.Count(); ++I)
            Result += List.GetProject(I)->ProjectName();
        return Result;
    }
    QString View() const
    {
        QString Result;
        for (int I = 0; I < List.VisibleCount(); ++I)
            Result += List.GetVisibleProject(I)->ProjectName();
        return Result;
    }
};

} // namespace

TEST(WebsiteProjectList, MovingLandsBeforeOrAfterTheTargetInListAndView)
{
    struct Case {
        const char* Project;
        const char* Onto;
        const char* Order;
    };
    const Case Cases[]
        = { { "A", "C", "BCAD" }, { "D", "B", "ADBC" }, { "B", "B", "ABCD" }, { "A", "X", "ABCD" } };
    for (const Case& C : Cases) {
        Fixture F("ABCD");
        F.List.MoveProject(F[C.Project], F[C.Onto]);
        EXPECT_EQ(F.Order(), C.Order) << C.Project << C.Onto;
        EXPECT_EQ(F.View(), C.Order) << C.Project << C.Onto;
    }
    Fixture F("ABCD");
    F.List.SetProjectVisibility(F["C"], false);
    F.List.MoveProject(F["A"], F["C"]); // C is not in the view: only the list changes
    EXPECT_EQ(F.Order(), "BCAD");
    EXPECT_EQ(F.View(), "ABD");
}

TEST(WebsiteProjectList, GroupFilterAppendsProjectsThatBecomeVisible)
{
    // Each filter step, applied project by project and in one pass.
    for (const bool OnePass : { false, true }) {
        Fixture F("ABC", { "G1", "G2", "G1" });
        const auto Apply = [&](const QString& Group) {
            if (OnePass) {
                F.List.ApplyGroupFilter(Group);
                return;
            }
            for (int I = 0; I < F.List.Count(); ++I) {
                TWebsiteProject* Project = F.List.GetProject(I);
                F.List.SetProjectVisibility(Project, Group.isEmpty() || Project->GroupName() == Group);
            }
        };
        F.List.CheckAll();
        Apply("G1");
        EXPECT_EQ(F.View(), "AC");
        EXPECT_FALSE(F["B"]->Checked());
        EXPECT_EQ(F.List.CheckedVisibleCount(), 2);
        F.List.CheckAll();
        EXPECT_EQ(F.List.CheckedCount(), 2);
        Apply("");
        EXPECT_EQ(F.View(), "ACB");
        EXPECT_EQ(F.Order(), "ABC");
        EXPECT_FALSE(F["B"]->Checked());
        Apply("g1"); // exact comparison: no group matches
        EXPECT_EQ(F.View(), "");
        F.List.UnCheckAll();
        EXPECT_EQ(F.List.CheckedCount(), 0);
    }
}

TEST(WebsiteProjectList, HidingUnchecksAndShowingAppends)
{
    Fixture F("ABC");
    F["A"]->SetChecked(true);
    F.List.SetProjectVisibility(F["A"], false);
    EXPECT_FALSE(F["A"]->Checked());
    F.List.SetProjectVisibility(F["A"], true);
    EXPECT_FALSE(F["A"]->Checked());
    EXPECT_EQ(F.View(), "BCA");

    Fixture Other("X");
    Other.List.SetProjectVisibility(Other["X"], false);
    F.List.SetProjectVisibility(Other["X"], true); // not in this list
    EXPECT_EQ(F.View(), "BCA");
}

TEST(WebsiteProjectList, GroupFilterLeavesTheChecksOfAlreadyHiddenProjects)
{
    // As stored: B hidden but checked. Filtering by G1 hides B again, which
    // changes nothing, and hides and unchecks C.
    Fixture F("ABC", { "G1", "G2", "G3" });
    for (const char* Name : { "A", "B", "C" })
        F[Name]->SetChecked(true);
    F.List.SetProjectVisibility(F["B"], false);
    F["B"]->SetChecked(true);
    F.List.ApplyGroupFilter("G1");
    EXPECT_EQ(F.View(), "A");
    EXPECT_TRUE(F["A"]->Checked());
    EXPECT_TRUE(F["B"]->Checked());
    EXPECT_FALSE(F["C"]->Checked());
}

TEST(WebsiteProjectList, ReplacingKeepsTheRowOrAppendsAVisibleCopyOfAHiddenProject)
{
    Fixture F("ABC");
    auto Copy = std::make_unique<TWebsiteProject>(F["B"]);
    Copy->SetProjectName("b");
    EXPECT_TRUE(F.List.ReplaceProject(F["B"], std::move(Copy)));
    EXPECT_EQ(F.Order(), "AbC");
    EXPECT_EQ(F.View(), "AbC");

    F.List.SetProjectVisibility(F["A"], false);
    auto Visible = std::make_unique<TWebsiteProject>();
    Visible->SetProjectName("a");
    EXPECT_TRUE(F.List.ReplaceProject(F["A"], std::move(Visible)));
    EXPECT_EQ(F.Order(), "abC");
    EXPECT_EQ(F.View(), "bCa");

    auto Stranger = std::make_unique<TWebsiteProject>();
    TWebsiteProject Outside;
    EXPECT_FALSE(F.List.ReplaceProject(&Outside, std::move(Stranger)));
    EXPECT_NE(Stranger, nullptr); // still the caller's
    EXPECT_EQ(F.Order(), "abC");

    F.List.RemoveProject(F["b"]);
    EXPECT_EQ(F.Order(), "aC");
    EXPECT_EQ(F.View(), "Ca");
}

TEST(WebsiteProjectList, FindingIsExactAndTakesTheFirst)
{
    Fixture F("ShS", { "first", "", "second" });
    EXPECT_EQ(F["S"]->GroupName(), "first");
    EXPECT_EQ(F.List.FindProject("s"), nullptr);
    EXPECT_THROW(F.List.GetProject(3), EListError);
    EXPECT_THROW(F.List.GetVisibleProject(-1), EListError);
}

TEST(WebsiteProjectList, GroupNamesAreListedOncePerSpellingMetFirst)
{
    Fixture F("ABCD", { "Web", "", "web", "Apps" });
    TStringList Groups;
    Groups.SetSorted(true);
    F.List.FillListOfGroups(Groups);
    EXPECT_EQ(Groups.ToQStringList(), QStringList({ "Apps", "Web" }));
}
