#include "engine/page/PageLinks.h"

#include "support/QStringPrinter.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

// Notes every link the scanner reports as "kind type requisite text" (or
// "css", "@css" and "script" with the text) and answers with Answer, or with
// the text upper-cased when Answer is null.
class RecordingTargets : public TLinkTargets {
public:
    QString MapLink(const QString& Raw, TURLTag Kind, const QString& LinkType, bool Requisite) override
    {
        Reported << QStringLiteral("%1 %2 %3 %4").arg(Kind).arg(LinkType).arg(Requisite).arg(Raw);
        return Answer(Raw);
    }
    QString MapCSSLink(const QString& Text, bool Import) override
    {
        Reported << (Import ? "@css " : "css ") + Text;
        return Answer(Text);
    }
    void FollowScriptLink(const QString& Text) override { Reported << "script " + Text; }

    QStringList Reported;
    QString Fixed;

private:
    QString Answer(const QString& Text) const { return Fixed.isNull() ? Text.toUpper() : Fixed; }
};

struct ReportCase {
    const char* Html;
    QStringList Reported;
};

} // namespace

TEST(PageLinks, EachLinkIsReportedWithItsKindTypeAndWhetherThePageNeedsIt)
{
    const ReportCase Cases[] = {
        { "<a href=\"a.html\">", { "1  0 a.html" } },
        { "<link rel=\"icon\" href=\"f.ico\">", { "2  1 f.ico" } },
        { "<link rel=\"stylesheet\" href=\"s.php\">", { "3 text/css 1 s.php" } },
        { "<link rel=\"next\" type=\"text/html\" href=\"n.html\">", { "3 text/html 0 n.html" } },
        { "<meta http-equiv=\"refresh\" content=\"5; url='r.html'\">", { "1  0 r.html" } },
        { "<img srcset=\"a.png 1x, b.png 2x\">", { "2  1 a.png", "2  1 b.png" } },
        { "<p style=\"x:url(p.png)\"><style>@import 'i.css';</style>", { "css p.png", "@css i.css" } },
    };
    TPageScan Scan;
    Scan.CompletePages = true;
    for (const ReportCase& C : Cases) {
        RecordingTargets Targets;
        RewritePageLinks(C.Html, Targets, Scan);
        EXPECT_EQ(Targets.Reported, C.Reported) << C.Html;
    }
}

TEST(PageLinks, AnswersAreWrittenInTheValuesQuotingAndNullKeepsTheLink)
{
    RecordingTargets Targets;
    Targets.Fixed = "a\"b'c";
    TPageScan Scan;
    EXPECT_EQ(RewritePageLinks("<a href=\"x\"><a href='y'>", Targets, Scan),
        "<a href=\"a&quot;b'c\"><a href='a\"b&#39;c'>");
    Targets.Fixed = QString();
    EXPECT_EQ(RewritePageLinks("<img src=x.png>", Targets, Scan), "<img src=X.PNG>");
}

TEST(PageLinks, ScriptsAreScannedOnlyWhenAskedAndNeverRewritten)
{
    const QString Html = "<script>load(\"data/index.json\")</script><script src=\"s.js\"></script>";
    TPageScan Scan;
    RecordingTargets Quiet;
    EXPECT_EQ(RewritePageLinks(Html, Quiet, Scan),
        "<script>load(\"data/index.json\")</script><script src=\"S.JS\"></script>");
    EXPECT_EQ(Quiet.Reported, QStringList({ "4  1 s.js" }));

    Scan.ScriptLinks = true;
    RecordingTargets Following;
    RewritePageLinks(Html, Following, Scan);
    EXPECT_EQ(Following.Reported, QStringList({ "script data/index.json", "4  1 s.js" }));
}
