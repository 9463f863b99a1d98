#include "projects/WebsiteUnit.h"

#include <gtest/gtest.h>

static void ExpectCleared(const TWebsiteProject& P)
{
    EXPECT_TRUE(P.Visible());
    EXPECT_FALSE(P.Checked());
    EXPECT_EQ(P.Overwrite(), ofNone);
    EXPECT_FALSE(P.RemoveScripts() || P.RemoveNoscripts() || P.RelativePathLinks());
    EXPECT_TRUE(P.ProjectName().isEmpty() && P.OutputFolder().isEmpty() && P.IndexFile().isEmpty());
    EXPECT_TRUE(P.StartPages().empty() && P.DownloadRules().empty() && P.ReplaceRules().empty());
    EXPECT_EQ(P.WebsiteDomainAliases().Count() + P.SuppressURLs().Count(), 0);
}

TEST(WebsiteProject, NewAndClearedProjectsAreVisibleUncheckedAndEmpty)
{
    ExpectCleared(TWebsiteProject());
    TWebsiteProject Project;
    Project.SetProjectName("x");
    Project.SetOverwrite(ofAll);
    Project.SetRemoveScripts(true);
    Project.SetChecked(true);
    Project.StartPages().push_back({ "http://a/", 2 });
    Project.SuppressURLs().Add("ads");
    Project.Clear();
    ExpectCleared(Project);
}

TEST(WebsiteProject, DomainAliasesStringTrimsAndDropsEmptyPieces)
{
    struct Case {
        const char* Written;
        QStringList Aliases;
        const char* Read;
    };
    const Case Cases[] = {
        { " a.com ; ;\tb.com\r;c.com;", { "a.com", "b.com", "c.com" }, "a.com;b.com;c.com" },
        { "", {}, "" },
        { ";;", {}, "" },
        { "one", { "one" }, "one" },
        { "x y ;z", { "x y", "z" }, "x y;z" },
    };
    TWebsiteProject Project;
    for (const Case& C : Cases) {
        Project.WebsiteDomainAliases().Add("stale");
        Project.SetDomainAliasesString(C.Written);
        EXPECT_EQ(Project.WebsiteDomainAliases().ToQStringList(), C.Aliases) << C.Written;
        EXPECT_EQ(Project.DomainAliasesString(), C.Read) << C.Written;
    }
    Project.WebsiteDomainAliases().Add("");
    Project.WebsiteDomainAliases().Add("last");
    EXPECT_EQ(Project.DomainAliasesString(), "x y;z;last");
}

TEST(WebsiteProject, CopiesShareNothingAndKeepCheckAndVisibility)
{
    TWebsiteProjectList List;
    auto Owned = std::make_unique<TWebsiteProject>();
    TWebsiteProject* Source = Owned.get();
    Source->SetProjectName("A");
    Source->SetChecked(true);
    Source->StartPages().push_back({ "http://a/", 3 });
    List.AddProject(std::move(Owned));
    List.SetProjectVisibility(Source, false);
    Source->SetChecked(true);

    TWebsiteProject Copy(Source);
    TWebsiteProject FromNull(nullptr);
    EXPECT_TRUE(Copy.Checked());
    EXPECT_FALSE(Copy.Visible());
    EXPECT_TRUE(FromNull.Visible());
    Copy.StartPages()[0] = { "http://b/", 9 };
    Copy.SuppressURLs().Add("ads");
    EXPECT_EQ(Source->StartPages()[0].URL, "http://a/");
    EXPECT_EQ(Source->StartPages()[0].LinkDepth, 3);
    EXPECT_EQ(Source->SuppressURLs().Count(), 0);

    TWebsiteProject Assigned;
    Assigned.SuppressURLs().Add("stale");
    Assigned = Copy;
    EXPECT_EQ(Assigned.StartPages()[0].URL, "http://b/");
    EXPECT_EQ(Assigned.SuppressURLs().ToQStringList(), QStringList { "ads" });
    EXPECT_FALSE(Assigned.Visible());
}

TEST(WebsiteProject, SavingNumbersTheRecordsWithTextAndWritesPartnersThatAreNotEmpty)
{
    TWebsiteProject Project;
    Project.SetProjectName("P");
    Project.StartPages() = { { "http://a/", 4 }, { "", 3 }, { "http://b/", 0 } };
    Project.ReplaceRules().push_back({ "x", "" });
    TStringList Lines;
    Project.SaveToList(Lines, "p.");
    EXPECT_EQ(Lines.Values("p.WPExtractURLs1"), "4");
    EXPECT_EQ(Lines.Values("p.WebPages2"), "http://b/");
    EXPECT_EQ(Lines.Values("p.WPExtractURLs2"), "0");
    EXPECT_EQ(Lines.Values("p.WebPagesN"), "2");
    EXPECT_EQ(Lines.IndexOfName("p.ReplaceRule1"), -1);
    EXPECT_EQ(Lines.Values("p.ReplaceRulesN"), "1");
}
