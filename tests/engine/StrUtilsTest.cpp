#include "engine/page/TagScan.h"
#include "engine/page/uStrUtils.h"

#include <gtest/gtest.h>

namespace {

const QStringList LinkTags { "a", "img", "link", "script", "noscript", "iframe" };

// The value FindAttr finds, as text, or "<none>" when it finds nothing.
QString FoundValue(const QString& Tag, const QString& Name, QChar* Quote = nullptr, int* End = nullptr)
{
    int ValueEnd = -1;
    QChar FoundQuote(u'?');
    const int P = FindAttr(Tag, Name, 1, ValueEnd, FoundQuote);
    if (Quote)
        *Quote = FoundQuote;
    if (End)
        *End = ValueEnd;
    return P > 0 ? Tag.mid(P - 1, ValueEnd - P) : QStringLiteral("<none>");
}

} // namespace

TEST(StrUtils, IsSpaceAcceptsExactlyTabLineFeedReturnAndSpace)
{
    for (char16_t C : { u'\t', u'\n', u'\r', u' ' })
        EXPECT_TRUE(IsSpace(QChar(C))) << int(C);
    for (char16_t C : { u'\f', u'\v', u'\0', char16_t(0xA0), char16_t(0x2003), u'x' })
        EXPECT_FALSE(IsSpace(QChar(C))) << int(C);
}

TEST(StrUtils, SameTextAtFoldsAsciiOnlyAndChecksBounds)
{
    struct Case {
        QString S1, S2;
        int N, P1, P2;
        bool Expected;
    } Cases[] = {
        { "xHello", "HELLO", 5, 2, 1, true },
        { "abc", "ABD", 3, 1, 1, false },
        { "ab", "ab", 3, 1, 1, false }, // runs past the end
        { "ab", "ab", 0, 3, 3, true }, // nothing to compare
        { "ab", "ab", -2, 1, 1, true },
        { "ab", "ab", 1, 0, 1, false }, // position before the text
        { "\u00e4", "\u00c4", 1, 1, 1, false }, // non-ASCII letters keep their case
        { "[", "{", 1, 1, 1, false }, // only A..Z fold, not the codes after them
        { "ab", "ab", 2, 2147483647, 1, false },
    };
    for (const Case& C : Cases)
        EXPECT_EQ(SameTextAt(C.S1, C.S2, C.N, C.P1, C.P2), C.Expected) << C.S1.toStdString() << " " << C.N;
}

TEST(StrUtils, ContainsTextFindsAPartAnywhereFoldingAsciiOnly)
{
    EXPECT_TRUE(ContainsText("http://Site/LOGOUT?x", "/logout"));
    EXPECT_TRUE(ContainsText("abc", "ABC"));
    EXPECT_TRUE(ContainsText("abc", ""));
    EXPECT_FALSE(ContainsText("ab", "abc"));
    EXPECT_FALSE(ContainsText("/\u00e4", "\u00c4"));
}

TEST(StrUtils, FindTagMatchesWholeNamesOfStartTags)
{
    struct Case {
        QString S;
        int Start, Expected, Index;
    } Cases[] = {
        { "<A HREF=x>", 1, 1, 0 },
        { "<abbr><a>", 1, 7, 0 },
        { "text<a\nhref=x>", 1, 5, 0 },
        { "</a><IMG/>", 1, 5, 1 },
        { "<noscript><script>", 2, 11, 3 },
        { "<a><a>", 2, 4, 0 },
        { "<iframe>", 1, 1, 5 },
        { "<a", 1, 0, -1 }, // the text ends right after the name
        { "<a <", 1, 1, 0 },
        { "abc<", 1, 0, -1 }, // "<" as the last character
        { "<a>", 0, 0, -1 }, // positions outside the text find nothing
        { "<a>", 4, 0, -1 },
        { "", 1, 0, -1 },
    };
    for (const Case& C : Cases) {
        int Index = -1;
        EXPECT_EQ(FindTag(C.S, LinkTags, C.Start, Index), C.Expected) << C.S.toStdString();
        EXPECT_EQ(Index, C.Index) << C.S.toStdString();
    }
}

TEST(StrUtils, FindTagEndStopsAtTheFirstGreaterSignEvenInsideQuotes)
{
    EXPECT_EQ(FindTagEnd("<a title='>'>", 1), 11);
    EXPECT_EQ(FindTagEnd("<a title='>'>", 12), 13);
    EXPECT_EQ(FindTagEnd("<a", 1), 0);
    EXPECT_EQ(FindTagEnd("<a>", 0), 0);
    EXPECT_EQ(FindTagEnd("<a>", 9), 0);
}

TEST(StrUtils, FindCloseTagCountsNestingAndNeedsTheExactClosingForm)
{
    struct Case {
        QString S;
        int Start, Expected;
    } Cases[] = {
        { "<script>a</script >", 9, 0 },
        { "<script>a<script>b</script>c</script>", 9, 29 },
        { "<SCRIPT>x</Script>", 9, 10 },
        { "<script>a<script/>b</script>", 9, 20 }, // "/" right after the name does not nest
        { "<script>a</styles></script>", 9, 19 }, // another name of the same length
        { "<script>a<script\n>b</script>", 9, 0 }, // nested, never closed twice
        { "<script>a</script", 9, 0 },
        { "<script>a<", 9, 0 },
        { "</script>", 0, 0 },
        { "</script>", 100, 0 },
    };
    for (const Case& C : Cases)
        EXPECT_EQ(FindCloseTag(C.S, "script", C.Start), C.Expected) << C.S.toStdString();
}

TEST(StrUtils, FindAttrReadsQuotedUnquotedAndBackslashQuotedValues)
{
    struct Case {
        QString Tag, Name, Value;
        QChar Quote;
    } Cases[] = {
        { "<img SRC = 'a b.png'>", "src", "a b.png", u'\'' },
        { "<a href=x/y>", "href", "x/y", QChar(0) },
        { "<script async src=a.js>", "src", "a.js", QChar(0) },
        { "<a title=\"t\" href=\"u\">", "href", "u", u'"' },
        { "<a\nHREF\t=\r\n\"u\">", "href", "u", u'"' },
        { "<a hreff=1 href=2>", "href", "2", QChar(0) },
        { "<a href='x'title=y>", "title", "y", QChar(0) },
        { "<a title=\\\"x \\\\ \\q y\\\" href=z>", "title", "x \\\\ \\q y", u'\\' },
        { "<a title=\\\"t\\\" href=\\\"u\\\">", "href", "u", u'\\' },
        { "<a href=\\x>", "href", "\\x", QChar(0) },
        { "<a href=\"\">", "href", "", u'"' },
    };
    for (const Case& C : Cases) {
        QChar Quote;
        EXPECT_EQ(FoundValue(C.Tag, C.Name, &Quote), C.Value) << C.Tag.toStdString();
        EXPECT_EQ(Quote, C.Quote) << C.Tag.toStdString();
    }
    int End = 0;
    FoundValue("<a href=x/y>", "href", nullptr, &End);
    EXPECT_EQ(End, 12); // the ">"
    FoundValue("<a t=\\\"v\\\">", "t", nullptr, &End);
    EXPECT_EQ(End, 9); // the backslash of the closing pair
}

TEST(StrUtils, FindAttrFindsNothingInBrokenOrForeignTags)
{
    const QString Tags[] = {
        "<a href=/x>",
        "<a href=>x",
        "<a title=x/>",
        "<a>",
        "<a/ href=x>",
        "<a href=\"x>", // unterminated quote
        "<a href='x",
        "<a href=x", // unquoted value runs past the end
        "<a href",
        "<a href=",
        "<a href=\\\"abc\\", // backslash as the very last character
        "<a href=\\\"abc",
        "<a title=1 /href=x>",
        "<a",
        "",
    };
    for (const QString& Tag : Tags)
        EXPECT_EQ(FoundValue(Tag, "href"), "<none>") << Tag.toStdString();
    int End = 0;
    QChar Quote;
    EXPECT_EQ(FindAttr("<a href=x>", "href", 0, End, Quote), 0);
    EXPECT_EQ(FindAttr("<a href=x>", "href", 11, End, Quote), 0);
}

TEST(StrUtils, GetAttrValueDecodesTheValue)
{
    EXPECT_EQ(GetAttrValue("<a href=\"a&amp;b\">", "href", 1), "a&b");
    EXPECT_EQ(GetAttrValue("<a t=\\\"x\\u0041\\\">", "t", 1), "xA");
    EXPECT_EQ(GetAttrValue("<a href=\"a\">", "src", 1), "");
}

TEST(StrUtils, DecodeAttrValueResolvesEscapesThenReferences)
{
    struct Case {
        QString S;
        QChar Quote;
        QString Expected;
    } Cases[] = {
        { "a&amp;b&#x41;&lt;&unknown;", QChar(0), "a&bA<&unknown;" },
        { "\\u0026amp;", u'\\', "&" },
        { "a\\/b\\x42\\101", u'\\', "a/bBA" },
        { "a\\/b", u'"', "a\\/b" },
        { "&AMP;&Gt;&NBSP;&QuOt;", QChar(0), "&> \"" },
        { "&amp;lt;", QChar(0), "&lt;" },
        { "&a&amp;", QChar(0), "&a&" },
        { "&#65;&#x41;&#X41;&#$41;&#0x41;&#  +65;&#0065;", QChar(0), "AAAAAAA" },
        { "&#65601;&#-65471;", QChar(0), "AA" }, // the low 16 bits
        { "&#4294967361;&#2147483648;&#99999999999999999999;", QChar(0),
            "&#4294967361;&#2147483648;&#99999999999999999999;" },
        { "&#-2147483648;", QChar(0), QString(QChar(0)) },
        { "&#2147483647;", QChar(0), QString(QChar(0xFFFF)) },
        { "&#0;", QChar(0), QString(QChar(0)) },
        { "&#xD800;&#xDFFF;", QChar(0), QString(QChar(0xD800)) + QChar(0xDFFF) },
        { "&#65 ;&#;&#x;&#6a;&#--1;", QChar(0), "&#65 ;&#;&#x;&#6a;&#--1;" },
        { "a & b", QChar(0), "a & b" },
        { "&;&", QChar(0), "&;&" },
        { "&lt", QChar(0), "&lt" },
    };
    for (const Case& C : Cases)
        EXPECT_EQ(DecodeAttrValue(C.S, 1, C.S.size(), C.Quote), C.Expected) << C.S.toStdString();
    EXPECT_EQ(DecodeAttrValue("xa&amp;y", 2, 6, QChar(0)), "a&");
    EXPECT_EQ(DecodeAttrValue("abc", 2, 100, QChar(0)), "bc");
    EXPECT_EQ(DecodeAttrValue("abc", 0, 3, QChar(0)), "");
    EXPECT_EQ(DecodeAttrValue("abc", 4, 3, QChar(0)), "");
}

TEST(StrUtils, UnescapeStrResolvesBackslashEscapes)
{
    struct Case {
        QString S, Expected;
    } Cases[] = {
        { "a\\", "a" },
        { "\\r\\n\\t", "\r\n\t" },
        { "\\x41\\x4\\x\\xZZ\\x00", QString("A") + QChar(4) + "ZZ" },
        { "\\x414", "A4" },
        { "\\u00e4\\u0000\\u12345", QString(QChar(0xE4)) + QChar(0x1234) + "5" },
        { "\\101\\8\\0\\777\\18", QString("A") + QChar(8) + QChar(1) + "8" },
        { "\\\\\\\"\\/\\q", "\\\"/q" },
    };
    for (const Case& C : Cases)
        EXPECT_EQ(UnescapeStr(C.S, 1, C.S.size()), C.Expected) << C.S.toStdString();
    EXPECT_EQ(UnescapeStr("\\x41", 1, 3), QString(QChar(4))); // digits stop at the range end
    EXPECT_EQ(UnescapeStr("ab\\n", 3, 1), "");
    EXPECT_EQ(UnescapeStr("abc", 0, 2), "");
    EXPECT_EQ(UnescapeStr("abc", 2, 0), "");
    EXPECT_EQ(UnescapeStr("abc", 2, 2147483647), "bc");
}
