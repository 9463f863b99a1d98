#include "engine/crawl/URLList.h"
#include "engine/store/OutputFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "support/QStringPrinter.h"

namespace {

class URLListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Temp.isValid());
        Out = QDir(Temp.path()).absoluteFilePath("out") + "/";
    }

    int Add(TURLTag Tag, const QString& URL, const QString& LinkType = QString(),
        const QString& Prefix = "http://host/", const QString& OutDir = QString("<out>"))
    {
        return List.AddURL(
            Tag, URL, Prefix, "index.html", OutDir == "<out>" ? Out : OutDir, 3, 1, &Suppress, LinkType);
    }

    QTemporaryDir Temp;
    QString Out;
    TStringList Suppress;
    TURLList List;
};

} // namespace

TEST_F(URLListTest, MapsURLsToFilesUnderTheOutputFolder)
{
    struct Case {
        TURLTag Tag;
        QString URL, LinkType, Path;
    } Cases[] = {
        { utA, "http://host/", "", "index.html" },
        { utA, "http://host/about", "", "about/index.html" },
        { utA, "http://host/page.html", "", "page.html/index.html" },
        { utA, "http://host/dir/", "", "dir/index.html" },
        { utA, "http://host/logo.PNG", "", "logo.PNG/index.html" },
        { utA, "http://host/feed.xml", "", "feed.xml" },
        { utImg, "http://host/img/a.png", "", "img/a.png" },
        { utImg, "http://host/captcha.php", "", "captcha.php/index.html" },
        { utScript, "http://host/js/app.js", "", "js/app.js" },
        { utScript, "http://host/js/", "", "js/index.html" },
        { utA, "http://host/list.php?id=5&p=a/b", "", "list.php/id=5&p=a_b/index.html" },
        { utImg, "http://host/pic?id=3", "", "pic/id=3/index.html" },
        { utA, "http://host/?q=1", "", "q=1/index.html" },
        { utIFrame, "http://host/frame", "", "frame/index.html" },
        { utNoscript, "http://host/ns", "", "ns" },
        { utLink, "http://host/style.php", "text/css", "style.php/index.css" },
        { utLink, "http://host/s2", "TEXT/CSS", "s2/index.css" },
        { utLink, "http://host/feed", "application/rss+xml", "feed/index.xml" },
        { utLink, "http://host/atom", "application/atom+XML", "atom/index.xml" },
        { utLink, "http://host/other", "text/plain", "other/index.html" },
        { utA, "HTTP://HOST/Case", "", "Case/index.html" },
        { utA, "http://host/a%20b?x:y*\"z", "", "a%20b/x:y*\"z/index.html" },
    };
    for (const Case& C : Cases) {
        const int Index = Add(C.Tag, C.URL, C.LinkType);
        ASSERT_GE(Index, 0) << C.URL.toStdString();
        EXPECT_EQ(List.OutFilePath(Index), Out + C.Path) << C.URL.toStdString();
    }
    EXPECT_EQ(List.OutFilePath(Add(utA, "http://other/x")), "");
}

TEST_F(URLListTest, ControlCharactersGetTheirPercentFormInURLsAndFileNames)
{
    const int Index = Add(utImg, QString("http://host/a\nCompleted.\x1B.png"));
    EXPECT_EQ(List.URL(Index), "http://host/a%0ACompleted.%1B.png");
    EXPECT_EQ(LocateOutputFile(List.OutFilePath(Index), Out).FilePath, Out + "a%0ACompleted.%1B.png");
    EXPECT_EQ(LocateOutputFile(Out + "b%0D%u001b%C2%85.png", Out).FilePath, Out + "b%0D%u001b%C2%85.png");
}

TEST_F(URLListTest, ChangesTheIndexFileExtensionOnlyInItsName)
{
    EXPECT_EQ(
        List.AddURL(utLink, "http://host/a", "http://host/", "home", Out, 0, 0, nullptr, "text/css"), 0);
    EXPECT_EQ(List.OutFilePath(0), Out + "a/home.css");
    List.AddURL(utLink, "http://host/b", "http://host/", "v.1/home", Out, 0, 0, nullptr, "text/css");
    EXPECT_EQ(List.OutFilePath(1), Out + "b/v.1/home.css");
    List.AddURL(utLink, "http://host/c", "http://host/", "x.htm", Out, 0, 0, nullptr, "image/svg+xml");
    EXPECT_EQ(List.OutFilePath(2), Out + "c/x.xml");
}

TEST_F(URLListTest, JoinsThePathToTheFolderWithOneSeparator)
{
    const QString NoSlash = Out.chopped(1);
    struct Case {
        QString Prefix, OutDir, Expected;
    } Cases[] = {
        { "http://host", Out, Out + "a.png" }, { "http://host", NoSlash, NoSlash + "/a.png" },
        { "http://host/", NoSlash, NoSlash + "/a.png" }, { "http://host/", "", "a.png" },
        { "http://host", "", "a.png" }, // stays relative instead of naming the root
    };
    for (const Case& C : Cases) {
        TURLList Fresh;
        Fresh.AddURL(utImg, "http://host/a.png", C.Prefix, "index.html", C.OutDir, 0, 0, nullptr, "");
        EXPECT_EQ(Fresh.OutFilePath(0), C.Expected)
            << C.Prefix.toStdString() << " " << C.OutDir.toStdString();
    }
}

TEST_F(URLListTest, RefusesDuplicatesIgnoringAsciiCaseAndFragment)
{
    EXPECT_EQ(List.AddURL(utA, "HTTP://HOST/A", "http://host/", "index.html", Out, 5, 0, nullptr, ""), 0);
    EXPECT_EQ(List.AddURL(utImg, "http://host/a#x", "http://host/", "index.html", Out, 1, 4, nullptr, ""), 0);
    EXPECT_EQ(List.Count(), 1);
    EXPECT_EQ(List.URL(0), "HTTP://HOST/A");
    EXPECT_EQ(List.ExtractURLs(0), 5);
    EXPECT_EQ(List.URLDepth(0), 0);
    EXPECT_EQ(List.OutFilePath(0), Out + "A/index.html");

    EXPECT_EQ(Add(utA, "http://host/b#one"), 1);
    EXPECT_EQ(List.URL(1), "http://host/b#one");
    EXPECT_EQ(List.FindURL("HTTP://host/B"), 1);
    EXPECT_EQ(List.FindURL("http://host/b#one"), -1); // load URLs carry no fragment
    EXPECT_EQ(List.FindURL("http://host/c"), -1);

    // Only A to Z fold: these are different URLs.
    EXPECT_EQ(Add(utA, "http://host/\u00e4"), 2);
    EXPECT_EQ(Add(utA, "http://host/\u00c4"), 3);
    EXPECT_EQ(Add(utA, "http://host/k"), 4);
    EXPECT_EQ(Add(utA, "http://host/\u212a"), 5); // Kelvin sign

    // Letters after other characters still fold, and text that is no valid
    // UTF-16 still finds its entry.
    EXPECT_EQ(Add(utA, "http://host/\u00e4/Page"), 6);
    EXPECT_EQ(List.FindURL("HTTP://HOST/\u00e4/pAGE"), 6);
    EXPECT_EQ(List.FindURL("http://host/\u00e4/Pag"), -1);
    const QChar Lone(0xD800);
    EXPECT_EQ(Add(utA, "http://host/x" + QString(Lone) + "y"), 7);
    EXPECT_EQ(Add(utA, "HTTP://HOST/X" + QString(Lone) + "Y"), 7);
    EXPECT_EQ(List.Count(), 8);
}

TEST_F(URLListTest, SuppressionRefusesBeforeTheDuplicateTest)
{
    EXPECT_EQ(Add(utA, "http://host/LogOut.php"), 0);
    Suppress.Add("");
    Suppress.Add("logout");
    EXPECT_EQ(Add(utA, "http://host/LogOut.php"), -1);
    EXPECT_EQ(Add(utA, "http://host/x?LOGOUT=1"), -1);
    EXPECT_EQ(List.Count(), 1);
    EXPECT_EQ(Add(utA, "http://host/login"), 1); // an empty line never matches
}

TEST_F(URLListTest, KeepsTheColumnsParallelAndFindsEveryEntryAfterGrowth)
{
    const int N = 5000;
    // Download rules put files into folders of their own.
    const QString Folders[] = { Out, Out + "rule/", Out + "other" };
    for (int I = 0; I < N; ++I)
        ASSERT_EQ(List.AddURL(utImg, QString("http://host/p%1.png").arg(I), "http://host/", "index.html",
                      Folders[I % 3], I, I + 1, nullptr, ""),
            I);
    for (int I = 0; I < N; I += 7) {
        ASSERT_EQ(List.FindURL(QString("HTTP://HOST/P%1.PNG").arg(I)), I);
        EXPECT_EQ(List.URL(I), QString("http://host/p%1.png").arg(I));
        EXPECT_EQ(List.OutFilePath(I), Folders[I % 3] + (I % 3 == 2 ? "/" : "") + QString("p%1.png").arg(I));
        EXPECT_EQ(List.ExtractURLs(I), I);
        EXPECT_EQ(List.URLDepth(I), I + 1);
    }
    List.SetURL(3, "http://host/changed");
    List.SetURLDepth(3, 9);
    EXPECT_EQ(List.URL(3), "http://host/changed");
    EXPECT_EQ(List.URLDepth(3), 9);
    EXPECT_EQ(List.FindURL("http://host/p3.png"), 3); // the load URL stays
    EXPECT_THROW(List.URL(N), EStringListError);
    EXPECT_THROW(List.ExtractURLs(-1), EIntListError);
}
