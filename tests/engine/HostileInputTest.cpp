// Inputs of hostile pages: huge, deeply nested or broken texts. Every routine
// must finish in linear time; a quadratic one would take minutes here.
#include "engine/crawl/URLList.h"
#include "engine/page/ScriptLinks.h"
#include "engine/page/TagScan.h"
#include "engine/page/URLUtils.h"
#include "engine/page/uStrUtils.h"
#include "engine/store/OutputFile.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

const int TenMB = 10 * 1024 * 1024;

// Runs Call and fails when it takes far longer than linear work on these
// inputs needs; building the inputs is not timed.
template <class Call> auto Bounded(Call&& call)
{
    QElapsedTimer Timer;
    Timer.start();
    auto Result = call();
    EXPECT_LT(Timer.elapsed(), 20000);
    return Result;
}

} // namespace

#define BOUNDED(Expression) Bounded([&] { return Expression; })

TEST(HostileInput, FindCloseTagPassesHundredThousandNestedScripts)
{
    const int N = 100000;
    const QString S = QString("<script>").repeated(N) + "x" + QString("</script>").repeated(N);
    const QString Unclosed = S.chopped(9);
    EXPECT_EQ(BOUNDED(FindCloseTag(S, "script", 9)), S.size() - 8);
    EXPECT_EQ(BOUNDED(FindCloseTag(Unclosed, "script", 9)), 0);
}

TEST(HostileInput, ScannerHandlesATenMegabyteAttributeValue)
{
    const QString Value(TenMB, u'x');
    const QString Quoted = "<a title=y href=\"" + Value + "\">";
    const QString Unquoted = "<a href=" + Value;
    const QString Unterminated = "<a href=\"" + Value;
    const QString Escaped = "<a href=\\\"" + QString("\\x").repeated(TenMB / 2) + "\\";
    const QString Brackets = QString("<").repeated(TenMB);
    int End = 0;
    QChar Quote;
    const int P = BOUNDED(FindAttr(Quoted, "href", 1, End, Quote));
    EXPECT_EQ(End - P, TenMB);
    EXPECT_EQ(BOUNDED(GetAttrValue(Quoted, "href", 1)).size(), TenMB);
    EXPECT_EQ(BOUNDED(FindTagEnd(Quoted, 1)), Quoted.size());
    EXPECT_EQ(BOUNDED(FindAttr(Unquoted, "href", 1, End, Quote)), 0);
    EXPECT_EQ(BOUNDED(FindAttr(Unterminated, "href", 1, End, Quote)), 0);
    EXPECT_EQ(BOUNDED(FindAttr(Escaped, "href", 1, End, Quote)), 0);
    int Index = -1;
    EXPECT_EQ(BOUNDED(FindTag(Brackets, QStringList({ "a", "img", "script" }), 1, Index)), 0);
}

TEST(HostileInput, DecodingManyReferencesAndEscapesIsLinear)
{
    const QString Amps = QString("&").repeated(TenMB / 4) + ";";
    const QString Numbers = QString("&#1").repeated(TenMB / 8) + ";";
    const QString Spaces = "&#" + QString(" ").repeated(TenMB / 4) + "65;";
    const QString Escapes = QString("\\u0041").repeated(TenMB / 8) + "\\";
    EXPECT_EQ(BOUNDED(DecodeAttrValue(Amps, 1, Amps.size(), QChar(0))), Amps);
    EXPECT_EQ(BOUNDED(DecodeAttrValue(Numbers, 1, Numbers.size(), QChar(0))).size(), Numbers.size() - 3);
    EXPECT_EQ(BOUNDED(DecodeAttrValue(Spaces, 1, Spaces.size(), QChar(0))), "A");
    EXPECT_EQ(BOUNDED(UnescapeStr(Escapes, 1, Escapes.size())).size(), TenMB / 8);
}

TEST(HostileInput, URLRoutinesHandleLongAndClimbingURLs)
{
    const QString Query = "?q=" + QString("a/../").repeated(64 * 1024 / 5);
    const QString Base = "http://host/dir/page.html";
    const QString Back = QString("a/../").repeated(20000) + "x.html";
    const QString Up = QString("../").repeated(20000) + "x.html";
    const QString Umlauts(64 * 1024, QChar(0xE4));
    EXPECT_EQ(BOUNDED(ResolveURL("x.html" + Query, Base)), "http://host/dir/x.html" + Query);
    EXPECT_EQ(BOUNDED(ResolveURL(Back, Base)), "http://host/dir/x.html");
    EXPECT_EQ(BOUNDED(ResolveURL(Up, Base)), "http://host/x.html");
    EXPECT_EQ(BOUNDED(EncodeURLNonASCII(Umlauts)).size(), 6 * 64 * 1024);

    TURLList List;
    const QString Long = "http://host/list.php" + Query;
    const int Index
        = BOUNDED(List.AddURL(utA, Long, "http://host/", "index.html", "/out/", 0, 0, nullptr, ""));
    EXPECT_EQ(BOUNDED(List.FindURL(Long.toUpper())), Index);
    const QString Climbing = "/out/" + QString("%2e%2e/").repeated(20000) + "x";
    EXPECT_TRUE(BOUNDED(LocateOutputFile(List.OutFilePath(Index), "/out")).Inside);
    EXPECT_FALSE(BOUNDED(LocateOutputFile(Climbing, "/out")).Inside);
}

TEST(HostileInput, ScriptScannerStaysLinearOnQuotesEscapesAndSlashes)
{
    const QString Link = "\n'a.png'";
    const QStringList Found { "a.png" };
    // Each opener below is left open or fails to close on its long line, the
    // way a scanner that searches again from every position goes quadratic.
    const QString Quotes = QString("'").repeated(TenMB) + Link;
    const QString OpenStrings = QString("\\'").repeated(TenMB / 2) + Link;
    const QString Backslashes = "'" + QString("\\").repeated(TenMB) + Link;
    const QString Slashes = QString("(/[").repeated(TenMB / 3) + Link;
    const QString Nested = QString("`${").repeated(TenMB / 6) + "`a.png`" + QString("}`").repeated(TenMB / 6);
    const QString OpenTemplates = QString("`${").repeated(TenMB / 3);
    const QString OpenComment = "/*" + QString("*").repeated(TenMB);
    const QString Long = "'" + QString(TenMB, u'a') + ".png'" + Link;
    EXPECT_EQ(BOUNDED(ScriptLinkTexts(Quotes)), Found);
    EXPECT_EQ(BOUNDED(ScriptLinkTexts(OpenStrings)), Found);
    EXPECT_EQ(BOUNDED(ScriptLinkTexts(Backslashes)), Found);
    EXPECT_EQ(BOUNDED(ScriptLinkTexts(Slashes)), Found);
    EXPECT_EQ(BOUNDED(ScriptLinkTexts(Nested)), Found);
    EXPECT_EQ(BOUNDED(ScriptLinkTexts(OpenTemplates)), QStringList());
    EXPECT_EQ(BOUNDED(ScriptLinkTexts(OpenComment)), QStringList());
    EXPECT_EQ(BOUNDED(ScriptLinkTexts(Long)), Found);
}
