#include "projects/WebsiteUnit.h"

#include <gtest/gtest.h>

static void ExpectCleared(const TWebsiteProject& P)
{
    EXPECT_TRUE(P.Visible());
    EXPECT_FALSE(P.Checked());
    EXPECT_EQ(P.Overwrite(), ofNone);
    EXPECT_FALSE(P.RemoveScripts() || P.RemoveNoscripts() || P.RelativePathLinks());
    EXPECT_TRUE(P.ProjectName().isEmpty() && P.OutputFolder().isEmpty() && P.IndexFile().isEmpty());
    EXPECT_EQ(P.WebPages().Count() + P.WPExtractURLs().Count() + P.WebDocuments().Count()
            + P.WDOutFolders().Count() + P.ReplacePatterns().Count() + P.ReplaceRules().Count()
            + P.WebsiteDomainAliases().Count() + P.SuppressURLs().Count(),
        0);
}

TEST(WebsiteProject, NewAndClearedProjectsAreVisibleUncheckedAndEmpty)
{
    ExpectCleared(TWebsiteProject());
    TWebsiteProject Project;
    Project.SetProjectName("x");
    Project.SetOverwrite(ofAll);
    Project.SetRemoveScripts(true);
    Project.SetChecked(true);
    Project.WebPages().Add("http://a/");
    Project.WPExtractURLs().Add(2);
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
    Source->WebPages().Add("http://a/");
    Source->WPExtractURLs().Add(3);
    List.AddProject(std::move(Owned));
    List.SetProjectVisibility(Source, false);
    Source->SetChecked(true);

    TWebsiteProject Copy(Source);
    TWebsiteProject FromNull(nullptr);
    EXPECT_TRUE(Copy.Checked());
    EXPECT_FALSE(Copy.Visible());
    EXPECT_TRUE(FromNull.Visible());
    Copy.WebPages().Put(0, "http://b/");
    Copy.WPExtractURLs().SetValue(0, 9);
    EXPECT_EQ(Source->WebPages()[0], "http://a/");
    EXPECT_EQ(Source->WPExtractURLs()[0], 3);
}
