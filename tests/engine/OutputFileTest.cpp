#include "engine/store/OutputFile.h"
#include "engine/crawl/URLList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class OutputFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Temp.isValid());
        OutDir = QDir(Temp.path()).absoluteFilePath("out");
    }

    // The entry's file as the download loop will locate it.
    TOutputFile Locate(TURLTag Tag, const QString& URL)
    {
        const int Index
            = List.AddURL(Tag, URL, "http://host/", "index.html", OutDir + "/", 0, 0, nullptr, "");
        return LocateOutputFile(List.OutFilePath(Index), OutDir);
    }

    QTemporaryDir Temp;
    QString OutDir;
    TURLList List;
};

} // namespace

TEST_F(OutputFileTest, PathsFromURLsNeverLeaveTheOutputFolder)
{
    struct Case {
        TURLTag Tag;
        QString URL;
    } Cases[] = {
        { utA, "http://host/../../x.html" },
        { utA, "http://host/%2e%2e/%2e%2e/x.html" },
        { utImg, "http://host/%2E%2E%2F%2E%2E%2Fx.png" },
        { utImg, "http://host/a%2f..%2f..%2f..%2fx.png" },
        { utImg, "http://host/..%5c..%5cx.png" },
        { utImg, "http://host/a\\..\\..\\x.png" },
        { utImg, "http://host/%u002e%u002e/%u002e%u002e/x.png" },
        { utImg, "http://host/x.png%00.html" },
        { utImg, "http://host/a%00/../x.png" },
        { utA, "http://host/%2e%2e" },
        { utA, "http://host/?%2F..%2F..%2Fetc" },
        { utImg, "http://host/a/%2e%2e/%2e%2e/%2e%2e/x.png" },
        // Dot segments never resolve against their neighbours, not even inside.
        { utImg, "http://host/a/%2e%2e/b.png" },
        { utImg, "http://host/a/./b.png" },
        { utA, "http://host/search?.." },
        { utA, "http://host/blog/post?..%2F..%2Fabout" },
    };
    for (const Case& C : Cases) {
        const TOutputFile File = Locate(C.Tag, C.URL);
        EXPECT_FALSE(File.Inside) << C.URL.toStdString() << " -> " << File.FilePath.toStdString();
        EXPECT_FALSE(File.Dir.isEmpty()) << C.URL.toStdString();
    }
}

TEST_F(OutputFileTest, PathsThatStayInsideAreDecodedAndNormalised)
{
    struct Case {
        TURLTag Tag;
        QString URL, Path;
    } Cases[] = {
        { utImg, "http://host/a/b.png", "a/b.png" },
        { utImg, "http://host/a%2fb.png", "a/b.png" },
        { utImg, "http://host/caf%C3%A9%20%u00e4.png", "caf\u00e9 \u00e4.png" },
        { utImg, "http://host/a.png?%2e%2e/x", "a.png/.._x/index.html" },
        { utImg, "http://host/a%zz%.png", "a%zz%.png" },
        // What would name another URL's file keeps its escape.
        { utImg, "http://host/a%ff%C3.png", "a%FF%C3.png" },
        { utImg, "http://host/%ff%fe.png", "%FF%FE.png" },
        { utImg, "http://host/a%09b%0a%u0009.png", "a%09b%0A%u0009.png" },
        { utImg, "http://host/100%25%u0025.png", "100%25%u0025.png" },
        { utImg, "http://host/%ed%a0%80%e0%80%af.png", "%ED%A0%80%E0%80%AF.png" },
    };
    for (const Case& C : Cases) {
        const TOutputFile File = Locate(C.Tag, C.URL);
        EXPECT_TRUE(File.Inside) << C.URL.toStdString();
        EXPECT_EQ(File.FilePath, OutDir + "/" + C.Path) << C.URL.toStdString();
        EXPECT_EQ(File.Dir, QFileInfo(OutDir + "/" + C.Path).path()) << C.URL.toStdString();
    }
}

TEST_F(OutputFileTest, ChecksFoldersByTheirExactNames)
{
    struct Case {
        QString Path;
        bool Inside;
    } Cases[] = {
        { OutDir + "/a.html", true },
        { OutDir + "/x/..", false }, // the folder itself is no file
        { OutDir + "/../OUT/a.html", false }, // another folder on a case-sensitive system
        { OutDir + "2/a.html", false }, // a sibling sharing the prefix
        { Temp.path() + "/elsewhere/a.html", false }, // a download-files folder outside
        { "sub\\a.html", true },
    };
    for (const Case& C : Cases)
        EXPECT_EQ(LocateOutputFile(C.Path, OutDir).Inside, C.Inside) << C.Path.toStdString();
    EXPECT_EQ(LocateOutputFile("sub\\a.html", OutDir + "/").FilePath, OutDir + "/sub/a.html");
}

TEST_F(OutputFileTest, WithoutAnOutputFolderPathsStayBelowTheWorkingFolder)
{
    EXPECT_TRUE(LocateOutputFile("a/b.png", "").Inside);
    for (const char* Path :
        { "a/%2e%2e/b.png", "../x.png", "a/%2e%2e/%2e%2e/x.png", "/etc/x.png", "", "a/.." })
        EXPECT_FALSE(LocateOutputFile(Path, "").Inside) << Path;
}

TEST_F(OutputFileTest, ARefusedPathNamesTheFolderItWouldHaveUsed)
{
    const TOutputFile File = LocateOutputFile(OutDir + "/%2e%2e/%2e%2e/x.html", OutDir);
    EXPECT_FALSE(File.Inside);
    EXPECT_EQ(File.Dir, OutDir + "/../..");
    EXPECT_EQ(DecodeOutputFilePath("a%u00e4\u00e4%C3%A4%"), "a\u00e4\u00e4\u00e4%");
}

TEST_F(OutputFileTest, LinksOnDiskAreFollowedBeforeTheFolderIsJudged)
{
    const QString Outside = Temp.path() + "/outside";
    QDir().mkpath(Outside);
    QDir().mkpath(OutDir + "/real");
    QFile::link(Outside, OutDir + "/away");
    QFile::link(OutDir + "/real", OutDir + "/here");
    QFile::link(Temp.path() + "/nowhere", OutDir + "/dangling");
    QFile::link(OutDir, Temp.path() + "/out-alias");
    struct Case {
        QString Path, Root;
        bool Inside;
    } Cases[] = {
        { OutDir + "/away/x.png", OutDir, false },
        { OutDir + "/away/new/deeper/x.png", OutDir, false },
        { OutDir + "/dangling/x.png", OutDir, false },
        { OutDir + "/here/new/x.png", OutDir, true },
        { OutDir + "/away", OutDir, true }, // the link itself is replaced, not followed
        { Temp.path() + "/out-alias/real/x.png", Temp.path() + "/out-alias", true },
        { Temp.path() + "/out-alias/away/x.png", Temp.path() + "/out-alias", false },
    };
    for (const Case& C : Cases)
        EXPECT_EQ(LocateOutputFile(C.Path, C.Root).Inside, C.Inside) << C.Path.toStdString();
}
