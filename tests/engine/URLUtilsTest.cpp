#include "engine/page/URLUtils.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(URLUtils, ResolveURLAgainstAPageWithQuery)
{
    const QString Base = "http://host/dir/page.html?x=1";
    struct Case {
        QString Link, Expected;
    } Cases[] = {
        { "//cdn/lib.js", "http://cdn/lib.js" },
        { "https://other/x", "https://other/x" },
        { "", "" },
        { "#top", "" },
        { "javascript:void(0)", "" },
        { "mailto:a@b", "" },
        { "/img/a.png", "http://host/img/a.png" },
        { "img/a.png", "http://host/dir/img/a.png" },
        { "./img/a.png", "http://host/dir/img/a.png" },
        { "../up.html", "http://host/up.html" },
        { "a/b/../c.html", "http://host/dir/a/c.html" },
        { "a/b/../../c.html", "http://host/dir/c.html" },
        { "a/./b.html", "http://host/dir/a/./b.html" },
        { "a//../b.html", "http://host/dir/a/b.html" },
        { "a/..", "http://host/dir/a/.." },
        { "?page=2", "http://host/dir/?page=2" },
        { "page.html#s", "http://host/dir/page.html#s" },
        { "x.php?u=http://y", "http://host/dir/x.php?u=http://y" }, // no leading scheme: relative
        { "x.php?t=12:30", "http://host/dir/x.php?t=12:30" }, // a colon in the query is text
        { "a/../x.php?u=/p/../q", "http://host/dir/x.php?u=/p/../q" }, // the query is left alone
        { "a\\..\\b", "http://host/dir/a\\..\\b" },
        { "%2e%2e/%2e%2e/x%00.html", "http://host/dir/%2e%2e/%2e%2e/x%00.html" }, // escapes stay encoded
        // A link that climbs above the root stays at the root.
        { "../../x.html", "http://host/x.html" },
        { "../../../../x.html", "http://host/x.html" },
        { "/../x.html", "http://host/x.html" },
    };
    for (const Case& C : Cases)
        EXPECT_EQ(ResolveURL(C.Link, Base), C.Expected) << C.Link.toStdString();
}

TEST(URLUtils, ResolveURLAgainstBasesWithoutPathOrScheme)
{
    struct Case {
        QString Link, Base, Expected;
    } Cases[] = {
        { "a.html", "https://host", "https://host/a.html" },
        { "/a.html", "https://host", "https://host/a.html" },
        { "//cdn/x", "https://host", "https://cdn/x" },
        { "../a.html", "http://host", "http://host/a.html" },
        { "?q=1", "http://host?z", "http://host/?q=1" },
        { "//cdn/x", "page.html", "http://cdn/x" },
        { "a.html", "", "/a.html" },
        { "../a.html", "dir/page.html", "" },
        { "x/../a.html", "/dir/page.html", "/dir/a.html" },
        { "../../a.html", "/dir/page.html", "" },
    };
    for (const Case& C : Cases)
        EXPECT_EQ(ResolveURL(C.Link, C.Base), C.Expected)
            << C.Link.toStdString() << " on " << C.Base.toStdString();
}

TEST(URLUtils, RemoveURLFragmentCutsAtTheFirstHash)
{
    EXPECT_EQ(RemoveURLFragment("http://h/a#b#c"), "http://h/a");
    EXPECT_EQ(RemoveURLFragment("#x"), "");
    EXPECT_EQ(RemoveURLFragment("http://h/a?b"), "http://h/a?b");
}

TEST(URLUtils, EncodeURLNonASCIIEncodesUtf8BytesOnly)
{
    EXPECT_EQ(EncodeURLNonASCII("http://host/\u00e4"), "http://host/%C3%A4");
    EXPECT_EQ(EncodeURLNonASCII("http://host/a b?%20\u20ac"), "http://host/a b?%20%E2%82%AC");
    EXPECT_EQ(EncodeURLNonASCII(QString::fromUtf8("http://h/\xF0\x9F\x98\x80")), "http://h/%F0%9F%98%80");
    EXPECT_EQ(EncodeURLNonASCII("http://host/a b\t"), "http://host/a b\t");
    // A lone surrogate half cannot become UTF-8; it must not break the result.
    const QString Encoded = EncodeURLNonASCII(QString("http://h/") + QChar(0xD800));
    EXPECT_TRUE(Encoded.startsWith("http://h/"));
}

TEST(URLUtils, CombinePathPlacesRelativePathsInTheFolder)
{
    QTemporaryDir Temp;
    ASSERT_TRUE(Temp.isValid());
    const QString Out = QDir(Temp.path()).absoluteFilePath("out");
    struct Case {
        QString Path, BaseDir, Expected;
    } Cases[] = {
        { "\\sub\\a.txt", Out, Out + "/sub/a.txt" },
        { "sub/a.txt", Out + "/", Out + "/sub/a.txt" },
        { Temp.path() + "/elsewhere/a.txt", Out, Temp.path() + "/elsewhere/a.txt" },
        { "a.txt", "", "a.txt" },
        { "", Out, Out },
        { "a.txt", "rel\\files", "rel/files/a.txt" },
        { "\\", Out, Out + "/" },
    };
    for (const Case& C : Cases)
        EXPECT_EQ(CombinePath(C.Path, C.BaseDir), C.Expected) << C.Path.toStdString();
}
