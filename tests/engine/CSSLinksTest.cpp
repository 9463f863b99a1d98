#include "engine/page/CSSLinks.h"
#include "engine/page/CharsetDeclaration.h"
#include "engine/page/SrcSet.h"

#include "support/QStringPrinter.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

// Every link of the sheet as "text" or "@text" for an import.
QStringList LinksOf(const QString& CSS)
{
    QStringList Links;
    ScanCSSLinks(
        CSS, [&](const TCSSLink& Link) { Links << (Link.Import ? "@" : "") + CSSLinkText(CSS, Link); });
    return Links;
}

QStringList SrcSetURLs(const QString& Value)
{
    QStringList URLs;
    SplitSrcSet(Value, [&](qsizetype Start, qsizetype End) { URLs << Value.mid(Start, End - Start); });
    return URLs;
}

struct ScanCase {
    const char* CSS;
    QStringList Links;
};

} // namespace

TEST(CSSLinks, EveryQuotingEscapeAndImportFormIsFound)
{
    const ScanCase Cases[] = {
        { "a{background:url(a.png)}", { "a.png" } },
        { "a{background:URL( \"b c.png\" )}", { "b c.png" } },
        { "a{background:url('q\\'s.png')}", { "q's.png" } },
        { "a{background:url(e\\28 x\\29.png)}", { "e(x).png" } },
        { "a{background:url(\\61 .png)}", { "a.png" } },
        { "@import \"one.css\";@import url(two.css) screen;@import 'three.css';",
            { "@one.css", "@two.css", "@three.css" } },
        { "/* url(no.png) @import \"no.css\"; */ b{x:url(yes.png)}", { "yes.png" } },
        { "a{background:image-set(\"x1.png\" 1x, url(x2.png) 2x)}", { "x1.png", "x2.png" } },
        { "a{content:\"url(no.png)\"; font-family:\"x\"}", {} },
        { "a{b:myurl(no.png)}", {} },
        { "@font-face{src:url(f.woff2) format(\"woff2\"),url(f.woff) format(\"woff\")}",
            { "f.woff2", "f.woff" } },
        { "a{background:url(data:image/png;base64,AAAA)}", { "data:image/png;base64,AAAA" } },
        // Unterminated or broken constructs report nothing.
        { "a{background:url(a.png", {} },
        { "a{background:url(\"a.png", {} },
        { "a{background:url(a b.png)}", {} },
        { "b{x:url(ok.png)} /* never closed url(no.png)", { "ok.png" } },
        { "a{x:url(\\", {} },
    };
    for (const ScanCase& C : Cases)
        EXPECT_EQ(LinksOf(C.CSS), C.Links) << C.CSS;
}

TEST(CSSLinks, RewritingChangesTheLinksOnlyAndEscapesForTheirQuoting)
{
    const QString CSS = "/* c */ a{x:url( a.png )} b{y:url(\"b.png\")} @import 'c.css'; d{z:url(keep.png)}";
    const QString Out = RewriteCSSLinks(CSS, [](const QString& Text, bool Import) {
        if (Text == "keep.png")
            return QString();
        return Import ? QString("../it's.css") : QString("dir/new (1).png");
    });
    EXPECT_EQ(Out,
        "/* c */ a{x:url( dir/new\\ \\(1\\).png )} b{y:url(\"dir/new (1).png\")} @import '../it\\'s.css'; "
        "d{z:url(keep.png)}");
}

TEST(CSSLinks, ACharsetRuleIsMadeTrue)
{
    EXPECT_EQ(DeclareCSSUTF8("@charset \"windows-1251\"; a{}"), "@charset \"UTF-8\"; a{}");
    EXPECT_EQ(DeclareCSSUTF8("a{} @charset \"x\";"), "a{} @charset \"x\";");
    EXPECT_EQ(DeclareCSSUTF8("@charset \"never closed"), "@charset \"never closed");
    EXPECT_EQ(CSSCharsetRule("@charset \"koi8-r\"; a{}"), "koi8-r");
    EXPECT_EQ(CSSCharsetRule("a{}"), QString());
}

TEST(CSSLinks, HostileSheetsStayLinear)
{
    const QString Huge = "a{x:url(" + QString(10 * 1024 * 1024, u'a') + ")}";
    ASSERT_EQ(LinksOf(Huge).size(), 1);
    EXPECT_EQ(LinksOf(Huge)[0].size(), 10 * 1024 * 1024);

    QString Many;
    for (int I = 0; I < 100000; ++I)
        Many += "a{x:url(i" + QString::number(I) + ".png)}";
    const QString Out = RewriteCSSLinks(Many, [](const QString& Text, bool) { return "x/" + Text; });
    EXPECT_EQ(Out.count("url(x/i"), 100000);

    // Openers without closers must not make the scan quadratic.
    const QString Openers = QString("url(\"").repeated(200000) + QString("/*x").repeated(1);
    EXPECT_TRUE(LinksOf(Openers).isEmpty());
    EXPECT_TRUE(LinksOf(QString("'").repeated(200000)).isEmpty());
    EXPECT_TRUE(LinksOf(QString("image-set(").repeated(100000)).isEmpty());
}

TEST(SrcSet, CandidatesKeepTheirDescriptorsAndCommasInsideURLs)
{
    EXPECT_EQ(SrcSetURLs("a.png 1x, b.png 2x"), QStringList({ "a.png", "b.png" }));
    EXPECT_EQ(SrcSetURLs("  a.png, b.png 480w ,c.png"), QStringList({ "a.png", "b.png", "c.png" }));
    EXPECT_EQ(SrcSetURLs("x,1.png 1x, img.php?a=1,2 2x"), QStringList({ "x,1.png", "img.php?a=1,2" }));
    EXPECT_EQ(SrcSetURLs("a.png (max-width: 1px, 2px) 1x, b.png"), QStringList({ "a.png", "b.png" }));
    EXPECT_EQ(SrcSetURLs(" , ,"), QStringList());
    EXPECT_EQ(RewriteSrcSet(QString("a.png 1x,b.png 2x"),
                  [](const QString& U) { return U == "b.png" ? "z/b.png" : QString(); }),
        "a.png 1x,z/b.png 2x");

    QString Many;
    for (int I = 0; I < 10000; ++I)
        Many += QString("i%1.png %2w, ").arg(I).arg(I + 1);
    EXPECT_EQ(SrcSetURLs(Many).size(), 10000);
}

TEST(CSSLinks, ASheetIsReadInItsMarkElseItsRuleUnlessTheReplyNamesACharset)
{
    struct Case {
        QByteArray Sheet;
        const char* Header;
        const char* Charset;
    };
    const Case Cases[] = {
        { "\xEF\xBB\xBF@charset \"koi8-r\"; a{}", "text/css; charset=latin1", "UTF-8" },
        { "@charset \"koi8-r\"; a{}", "text/css", "koi8-r" },
        { "@charset \"koi8-r\"; a{}", "text/css; Charset=latin1", "latin1" },
        { "a{}", "text/css", "latin1" },
    };
    for (const Case& C : Cases)
        EXPECT_EQ(StyleSheetCharset(C.Sheet, "latin1", C.Header), C.Charset) << C.Sheet.constData();
}
