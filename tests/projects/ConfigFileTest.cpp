#include "projects/AppConfig.h"
#include "projects/uAppSettings.h"
#include "support/FileSizeLimit.h"
#include "support/Files.h"
#include "support/ScopedHome.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

namespace {

// A configuration named with "-config" inside a temporary home.
struct ConfigFixture {
    ScopedHome Home;
    QString Path = Home.Path() + "/hrv.ini";
    TAppConfig Config { { "-config", Path }, Home.Path() + "/program" };
    TWebsiteProjectList Projects;

    TConfigExtras Load(const QByteArray& Bytes)
    {
        WriteFile(Path, Bytes);
        return Config.LoadConfig(Projects);
    }
    QByteArray SaveAgain(const TConfigExtras& Extras)
    {
        Config.SaveConfig(
            Projects, Extras.Groups.value(Extras.GroupIndex == 0 ? -1 : Extras.GroupIndex), Extras.OutDir);
        return ReadFile(Path);
    }
};

QStringList URLsOf(const std::vector<TStartPage>& Pages)
{
    QStringList URLs;
    for (const TStartPage& Page : Pages)
        URLs << Page.URL;
    return URLs;
}

QList<int> DepthsOf(const std::vector<TStartPage>& Pages)
{
    QList<int> Depths;
    for (const TStartPage& Page : Pages)
        Depths << Page.LinkDepth;
    return Depths;
}

std::unique_ptr<TWebsiteProject> ShopProject()
{
    auto P = std::make_unique<TWebsiteProject>();
    P->SetProjectName("Shop");
    P->SetGroupName("Web");
    P->SetWebsiteURL("http://shop.example/");
    P->SetDomainAliasesString("a.example;b.example");
    P->SetOutputFolder("{OutDir}\\{ProjectName}");
    P->SetOverwrite(ofChanged);
    P->SetRemoveScripts(true);
    P->SetCompletePages(true);
    P->SetSiteFileNames(true);
    P->SetIndexFile("index.html");
    P->SetChecked(true);
    P->StartPages() = { { "http://shop.example/", 2 }, { "", 5 }, { "http://shop.example/x", 7 } };
    P->DownloadRules().push_back({ "http://cdn/", "" });
    P->ReplaceRules().push_back({ "a(b)=c", QString::fromUtf8("$1 Gr\u00fc\u00dfe") });
    P->SuppressURLs().Add("");
    P->SuppressURLs().Add("ads");
    return P;
}

const char ShopFile[] = "\xEF\xBB\xBF"
                        "HrvProjectsN=2\r\n"
                        "HrvProjects[1].ProjectName=Shop\r\n"
                        "HrvProjects[1].GroupName=Web\r\n"
                        "HrvProjects[1].WebsiteURL=http://shop.example/\r\n"
                        "HrvProjects[1].WebsiteDomainAliases=a.example;b.example\r\n"
                        "HrvProjects[1].OutputFolder={OutDir}\\{ProjectName}\r\n"
                        "HrvProjects[1].Overwrite=2\r\n"
                        "HrvProjects[1].RemoveScripts=1\r\n"
                        "HrvProjects[1].RemoveNoscripts=0\r\n"
                        "HrvProjects[1].RelativePathLinks=0\r\n"
                        "HrvProjects[1].CompletePages=1\r\n"
                        "HrvProjects[1].SiteFileNames=1\r\n"
                        "HrvProjects[1].UpdateRequests=1\r\n"
                        "HrvProjects[1].IndexFile=index.html\r\n"
                        "HrvProjects[1].Checked=1\r\n"
                        "HrvProjects[1].Visible=1\r\n"
                        "HrvProjects[1].WebPages1=http://shop.example/\r\n"
                        "HrvProjects[1].WPExtractURLs1=2\r\n"
                        "HrvProjects[1].WebPages2=http://shop.example/x\r\n"
                        "HrvProjects[1].WPExtractURLs2=7\r\n"
                        "HrvProjects[1].WebPagesN=2\r\n"
                        "HrvProjects[1].WebDocs1=http://cdn/\r\n"
                        "HrvProjects[1].WebDocsN=1\r\n"
                        "HrvProjects[1].ReplacePattern1=a(b)=c\r\n"
                        "HrvProjects[1].ReplaceRule1=$1 Gr\xC3\xBC\xC3\x9F"
                        "e\r\n"
                        "HrvProjects[1].ReplaceRulesN=1\r\n"
                        "HrvProjects[1].SuppressURLs1=ads\r\n"
                        "HrvProjects[1].SuppressURLsN=1\r\n"
                        "HrvProjects[1].Robots=0\r\n"
                        "HrvProjects[1].Wait=0\r\n"
                        "HrvProjects[1].RandomWait=0\r\n"
                        "HrvProjects[1].LimitRate=0\r\n"
                        "HrvProjects[1].Tries=0\r\n"
                        "HrvProjects[1].Timeout=0\r\n"
                        "HrvProjects[1].AcceptN=0\r\n"
                        "HrvProjects[1].RejectN=0\r\n"
                        "HrvProjects[1].VerifyTLS=0\r\n"
                        "HrvProjects[2].ProjectName=Empty\r\n"
                        "HrvProjects[2].Overwrite=0\r\n"
                        "HrvProjects[2].RemoveScripts=0\r\n"
                        "HrvProjects[2].RemoveNoscripts=0\r\n"
                        "HrvProjects[2].RelativePathLinks=0\r\n"
                        "HrvProjects[2].CompletePages=0\r\n"
                        "HrvProjects[2].SiteFileNames=0\r\n"
                        "HrvProjects[2].UpdateRequests=0\r\n"
                        "HrvProjects[2].Checked=0\r\n"
                        "HrvProjects[2].Visible=1\r\n"
                        "HrvProjects[2].WebPagesN=0\r\n"
                        "HrvProjects[2].WebDocsN=0\r\n"
                        "HrvProjects[2].ReplaceRulesN=0\r\n"
                        "HrvProjects[2].SuppressURLsN=0\r\n"
                        "HrvProjects[2].Robots=0\r\n"
                        "HrvProjects[2].Wait=0\r\n"
                        "HrvProjects[2].RandomWait=0\r\n"
                        "HrvProjects[2].LimitRate=0\r\n"
                        "HrvProjects[2].Tries=0\r\n"
                        "HrvProjects[2].Timeout=0\r\n"
                        "HrvProjects[2].AcceptN=0\r\n"
                        "HrvProjects[2].RejectN=0\r\n"
                        "HrvProjects[2].VerifyTLS=0\r\n"
                        "GroupFilter=Web\r\n"
                        "OutDir=/data/out\r\n";

} // namespace

TEST(ConfigFile, SavingWritesTheDocumentedBytesAndReloadingWritesThemAgain)
{
    ConfigFixture F;
    F.Projects.AddProject(ShopProject());
    auto Empty = std::make_unique<TWebsiteProject>();
    Empty->SetProjectName("Empty");
    Empty->SetUpdateRequests(false);
    F.Projects.AddProject(std::move(Empty));
    ASSERT_TRUE(F.Config.SaveConfig(F.Projects, "Web", "/data/out"));
    EXPECT_EQ(ReadFile(F.Path), QByteArray(ShopFile));

    ConfigFixture Again;
    const TConfigExtras Extras = Again.Load(ShopFile);
    EXPECT_EQ(Extras.Groups, QStringList({ "<All projects>", "Web" }));
    EXPECT_EQ(Extras.GroupIndex, 1);
    EXPECT_EQ(Extras.OutDir, "/data/out");
    ASSERT_EQ(Again.Projects.Count(), 2);
    const TWebsiteProject* Shop = Again.Projects.GetProject(0);
    EXPECT_EQ(URLsOf(Shop->StartPages()), QStringList({ "http://shop.example/", "http://shop.example/x" }));
    EXPECT_EQ(DepthsOf(Shop->StartPages()), QList<int>({ 2, 7 }));
    EXPECT_TRUE(Shop->CompletePages());
    EXPECT_FALSE(Again.Projects.GetProject(1)->CompletePages());
    EXPECT_TRUE(Shop->SiteFileNames());
    EXPECT_TRUE(Shop->UpdateRequests());
    EXPECT_FALSE(Again.Projects.GetProject(1)->UpdateRequests());
    ASSERT_EQ(Shop->DownloadRules().size(), 1u);
    EXPECT_EQ(Shop->DownloadRules()[0].Folder, "");
    EXPECT_EQ(Again.SaveAgain(Extras), QByteArray(ShopFile));
}

TEST(ConfigFile, HandEditedFilesAreReadByTheReadingRules)
{
    ConfigFixture F;
    const TConfigExtras Extras = F.Load("hrvprojectsn=4\n"
                                        "HRVPROJECTS[1].PROJECTNAME=First\r"
                                        "HrvProjects[1].webpages1=http://a/\r\n"
                                        "HrvProjects[1].WPExtractURLs1=YeS\n"
                                        "HrvProjects[1].WebPages2=http://b/\n"
                                        "HrvProjects[1].WPExtractURLs2=-3\n"
                                        "HrvProjects[1].WebPages3=http://c/\n"
                                        "HrvProjects[1].WPExtractURLs3=deep\n"
                                        "HrvProjects[1].WebPages4=http://d/\n"
                                        "HrvProjects[1].WebPages5=\n"
                                        "HrvProjects[1].WebPagesN=6\n"
                                        "HrvProjects[1].Overwrite=7\n"
                                        "HrvProjects[1].Checked=yes\n"
                                        "HrvProjects[1].GroupName=Old\n"
                                        "HrvProjects[1].GroupName=New\n"
                                        "HrvProjects[1].Unknown=zzz\n"
                                        "a line without separator\n"
                                        "HrvProjects[2].WebsiteURL=http://nameless/\n"
                                        "HrvProjects[3].ProjectName=Third\n"
                                        "HrvProjects[3].Visible=0\n"
                                        "HrvProjects[3].Overwrite=1\n"
                                        "HrvProjects[3].RemoveNoscripts=1\n"
                                        "HrvProjects[3].SuppressURLsN=2\n"
                                        "HrvProjects[3].SuppressURLs2=track\n"
                                        "HrvProjects[3].WebDocsN=1\n"
                                        "HrvProjects[3].WebDocs1=http://files/\n"
                                        "HrvProjects[3].WDOutFolders1=dl\n"
                                        "HrvProjects[3].WebDocs2=http://beyond-count/\n"
                                        "HrvProjects[3].WebDocs01=http://leading-zero/\n"
                                        "HrvProjects[5].ProjectName=BeyondCount\n"
                                        "Outdir=/x");
    ASSERT_EQ(F.Projects.Count(), 2);
    const TWebsiteProject* First = F.Projects.GetProject(0);
    EXPECT_EQ(First->ProjectName(), "First");
    EXPECT_EQ(
        URLsOf(First->StartPages()), QStringList({ "http://a/", "http://b/", "http://c/", "http://d/" }));
    EXPECT_EQ(DepthsOf(First->StartPages()), QList<int>({ 1000, 0, 0, 0 }));
    EXPECT_EQ(First->Overwrite(), ofNone);
    EXPECT_FALSE(First->Checked());
    EXPECT_TRUE(First->Visible());
    EXPECT_EQ(First->GroupName(), "New");

    const TWebsiteProject* Third = F.Projects.GetProject(1);
    EXPECT_FALSE(Third->Visible());
    EXPECT_EQ(Third->Overwrite(), ofAll);
    EXPECT_TRUE(Third->RemoveNoscripts());
    EXPECT_FALSE(Third->CompletePages()); // stored before the option existed
    EXPECT_FALSE(Third->SiteFileNames());
    EXPECT_FALSE(Third->UpdateRequests()); // stored before the option existed, so its requests stay plain
    EXPECT_EQ(Third->SuppressURLs().ToQStringList(), QStringList({ "track" }));
    ASSERT_EQ(Third->DownloadRules().size(), 1u);
    EXPECT_EQ(Third->DownloadRules()[0].URLPrefix, "http://files/");
    EXPECT_EQ(Third->DownloadRules()[0].Folder, "dl");
    EXPECT_EQ(F.Projects.VisibleCount(), 1);
    EXPECT_EQ(Extras.OutDir, "/x");
    EXPECT_EQ(Extras.GroupIndex, 0);

    const QByteArray Saved = F.SaveAgain(Extras);
    EXPECT_TRUE(Saved.startsWith("\xEF\xBB\xBFHrvProjectsN=2\r\nHrvProjects[1].ProjectName=First\r\n"));
    EXPECT_TRUE(Saved.contains("\r\nHrvProjects[2].ProjectName=Third\r\n"));
    EXPECT_TRUE(Saved.contains("\r\nHrvProjects[1].WPExtractURLs1=1000\r\n"));
    EXPECT_FALSE(Saved.contains("Unknown") || Saved.contains("without") || Saved.contains("BeyondCount"));
    EXPECT_TRUE(Saved.endsWith("\r\nOutDir=/x\r\n"));
}

TEST(ConfigFile, HugeCountsVisitOnlyTheEntriesPresent)
{
    ConfigFixture F;
    QElapsedTimer Timer;
    Timer.start();
    F.Load("HrvProjectsN=2147483647\n"
           "HrvProjects[1].ProjectName=A\n"
           "HrvProjects[1].WebPagesN=2147483647\n"
           "HrvProjects[1].WebPages1=http://a/\n"
           "HrvProjects[1].WebPages2147483647=http://last/\n"
           "HrvProjects[1].WebDocsN=2147483647\n"
           "HrvProjects[1].ReplaceRulesN=2147483647\n"
           "HrvProjects[1].SuppressURLsN=2147483647\n"
           "HrvProjects[2147483647].ProjectName=Z\n"
           "HrvProjects[99999999999].ProjectName=TooBig\n");
    EXPECT_LT(Timer.elapsed(), 500);
    ASSERT_EQ(F.Projects.Count(), 2);
    EXPECT_EQ(URLsOf(F.Projects.GetProject(0)->StartPages()), QStringList({ "http://a/", "http://last/" }));
    EXPECT_EQ(F.Projects.GetProject(1)->ProjectName(), "Z");
}

TEST(ConfigFile, GroupFilterIsMatchedWithoutCaseAndAGoneGroupSelectsAllProjects)
{
    const QByteArray Projects = "HrvProjectsN=3\n"
                                "HrvProjects[1].ProjectName=A\nHrvProjects[1].GroupName=web\n"
                                "HrvProjects[2].ProjectName=B\nHrvProjects[2].GroupName=apps\n"
                                "HrvProjects[3].ProjectName=C\nHrvProjects[3].GroupName=Web\n"
                                "HrvProjects[3].Visible=0\n";
    struct Case {
        const char* Filter;
        int Index;
    };
    for (const Case C : { Case { "WEB", 2 }, Case { "Gone", 0 }, Case { "", 0 } }) {
        ConfigFixture F;
        const TConfigExtras Extras = F.Load(Projects + "GroupFilter=" + C.Filter + "\n");
        EXPECT_EQ(Extras.Groups, QStringList({ "<All projects>", "apps", "web" }));
        EXPECT_EQ(Extras.GroupIndex, C.Index) << C.Filter;
        EXPECT_EQ(F.Projects.VisibleCount(), 2);
    }
}

TEST(ConfigFile, RunSettingsAreClampedAndWrittenOnlyWhenNotTheDefault)
{
    struct Case {
        const char* Lines;
        int Connections;
        int MaxURLs;
    };
    const Case Cases[] = {
        { "", 6, 1000000 },
        { "Connections=3\nMaxURLs=500\n", 3, 500 },
        { "connections=0\nmaxurls=-5\n", 1, 1 },
        { "Connections=17\nMaxURLs=99999999999\n", 16, 2147483647 },
        { "Connections=many\nMaxURLs=\n", 6, 1000000 },
    };
    for (const Case& C : Cases) {
        ConfigFixture F;
        const TConfigExtras Extras = F.Load(QByteArray("HrvProjectsN=0\n") + C.Lines);
        EXPECT_EQ(Extras.Run.Connections, C.Connections) << C.Lines;
        EXPECT_EQ(Extras.Run.MaxURLs, C.MaxURLs) << C.Lines;
        F.Config.SaveConfig(F.Projects, QString(), QString(), Extras.Run);
        const TConfigExtras Again = F.Config.LoadConfig(F.Projects);
        EXPECT_EQ(Again.Run.Connections, C.Connections) << C.Lines;
        EXPECT_EQ(Again.Run.MaxURLs, C.MaxURLs) << C.Lines;
    }
    ConfigFixture F;
    F.Config.SaveConfig(F.Projects, QString(), QString(), TRunSettings());
    EXPECT_EQ(ReadFile(F.Path), "\xEF\xBB\xBFHrvProjectsN=0\r\n");
    F.Config.SaveConfig(F.Projects, QString(), QString(), TRunSettings { 2, 10 });
    EXPECT_EQ(ReadFile(F.Path), "\xEF\xBB\xBFHrvProjectsN=0\r\nConnections=2\r\nMaxURLs=10\r\n");
}

TEST(ConfigFile, TheStateFolderIsKeptOnlyWhenSet)
{
    ConfigFixture F;
    F.Config.SaveConfig(F.Projects, QString(), QString(), TRunSettings(), "/var/cache/copies");
    EXPECT_EQ(ReadFile(F.Path), "\xEF\xBB\xBFHrvProjectsN=0\r\nStateDir=/var/cache/copies\r\n");
    EXPECT_EQ(F.Config.LoadConfig(F.Projects).StateDir, "/var/cache/copies");
    F.Config.SaveConfig(F.Projects, QString(), QString());
    EXPECT_EQ(ReadFile(F.Path), "\xEF\xBB\xBFHrvProjectsN=0\r\n");
    EXPECT_EQ(F.Config.LoadConfig(F.Projects).StateDir, "");
}

TEST(ConfigFile, InvalidUtf8IsRefusedAndTheFileIsNeverOverwritten)
{
    const QByteArray Invalid[] = { "a=\xC3\x28", "a=\xE2\x82\r\nb=1", "a=\xC0\xAF", "a=\xED\xA0\x80",
        "a=\xFF", "\xEF\xBB\xBF\xEF\xBB" };
    for (const QByteArray& Bytes : Invalid) {
        ConfigFixture F;
        try {
            F.Load("HrvProjectsN=1\nHrvProjects[1].ProjectName=A\n" + Bytes);
            ADD_FAILURE() << Bytes.toHex().constData();
        } catch (const EEncodingError& E) {
            EXPECT_EQ(E.Message(),
                "No mapping for the Unicode character exists in the target multi-byte code page");
        }
        EXPECT_EQ(F.Projects.Count(), 0);
        EXPECT_FALSE(F.Config.SaveAllowed());
        EXPECT_FALSE(F.Config.SaveConfig(F.Projects, QString(), "/out"));
        EXPECT_EQ(ReadFile(F.Path), "HrvProjectsN=1\nHrvProjects[1].ProjectName=A\n" + Bytes);
    }
    ScopedHome Home;
    const QString Path = Home.Path() + "/invalid.ini";
    WriteFile(Path, "\xFF");
    TAppSettings Settings;
    Settings.Strings().Add("kept");
    EXPECT_THROW(Settings.LoadFromFile(Path), EEncodingError);
    EXPECT_EQ(Settings.Strings().Text(), "kept\r\n");
}

TEST(ConfigFile, AFileThatCannotBeOpenedIsReportedAndKept)
{
    ConfigFixture F;
    ASSERT_TRUE(QDir().mkpath(F.Path)); // a folder where the file should be
    try {
        F.Config.LoadConfig(F.Projects);
        ADD_FAILURE();
    } catch (const EFOpenError& E) {
        EXPECT_TRUE(E.Message().startsWith("Cannot open file \"" + F.Path + "\". ")) << E.what();
        EXPECT_GT(E.Message().size(), QString("Cannot open file \"" + F.Path + "\". ").size());
        EXPECT_EQ(E.ClassName(), "EFOpenError");
    }
    EXPECT_FALSE(F.Config.SaveConfig(F.Projects, QString(), QString()));
    EXPECT_TRUE(QFileInfo(F.Path).isDir());
}

TEST(ConfigFile, AFailedSaveLeavesThePreviousFileWhole)
{
    // A save larger than one write chunk fails in a write; a small one only
    // when the buffered bytes are flushed at the end.
    struct Case {
        int Projects;
        rlim_t Limit;
    };
    for (const Case C : { Case { 200, 1 << 16 }, Case { 8, 4096 } }) {
        ConfigFixture F;
        const QByteArray Previous(100000, 'x');
        WriteFile(F.Path, Previous);
        for (int I = 0; I < C.Projects; ++I)
            F.Projects.AddProject(ShopProject());

        // The old file is larger than the limit but is only read.
        {
            ScopedFileSizeLimit Limit(C.Limit);
            try {
                F.Config.SaveConfig(F.Projects, QString(), QString());
                ADD_FAILURE() << C.Projects;
            } catch (const EFCreateError& E) {
                EXPECT_TRUE(E.Message().startsWith("Cannot create file \"" + F.Path + "\". ")) << E.what();
            }
        }

        EXPECT_EQ(ReadFile(F.Path), Previous);
        EXPECT_EQ(QDir(F.Home.Path()).entryList(QDir::Files), QStringList({ "hrv.ini" }));
        EXPECT_TRUE(F.Config.SaveAllowed());
    }
}

TEST(ConfigFile, SavingIntoAMissingFolderFails)
{
    ScopedHome Home;
    const QString Path = Home.Path() + "/missing/hrv.ini";
    TAppConfig Config({ "-settingsdir", Home.Path() + "/missing" }, Home.Path());
    TWebsiteProjectList Projects;
    EXPECT_EQ(Config.LoadConfig(Projects).Groups, QStringList({ "<All projects>" }));
    EXPECT_FALSE(QFileInfo::exists(Path));
    EXPECT_THROW(Config.SaveConfig(Projects, QString(), QString()), EFCreateError);
}
