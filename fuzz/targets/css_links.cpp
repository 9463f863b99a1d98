// Style sheet links and srcset candidates of any text.
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "engine/page/CSSLinks.h"
#include "engine/page/SrcSet.h"
#include "engine/page/uStrUtils.h"

#include <QStringList>

namespace {

void CheckStyleSheet(const QString& S)
{
    qsizetype Previous = 0;
    QStringList Texts;
    ScanCSSLinks(S, [&](const TCSSLink& Link) {
        FuzzCheck(Link.Start >= Previous && Link.Start <= Link.End && Link.End <= S.size(),
            "a link lies outside the sheet or before the previous one", S);
        Previous = Link.End;
        Texts << CSSLinkText(S, Link);
    });
    FuzzCheck(RewriteCSSLinks(S, [](const QString&, bool) { return QString(); }) == S,
        "keeping every link changes the sheet", S);
    // Any replacement, escaped for its quoting, reads back as written.
    const QString Odd = QStringLiteral("a b'\")(\\\n\xe9/*");
    const QString Out = RewriteCSSLinks(S, [&](const QString&, bool) { return Odd; });
    QStringList Again;
    ScanCSSLinks(Out, [&](const TCSSLink& Link) { Again << CSSLinkText(Out, Link); });
    FuzzCheck(Again == QStringList(QList<QString>(Texts.size(), Odd)),
        "a rewritten link reads back differently", S);
}

void CheckSrcSet(const QString& S)
{
    qsizetype Previous = 0;
    SplitSrcSet(S, [&](qsizetype Start, qsizetype End) {
        FuzzCheck(Start >= Previous && Start < End && End <= S.size(),
            "a candidate lies outside the value or before the previous one", S);
        for (qsizetype I = Start; I < End; ++I)
            FuzzCheck(!IsSpace(S[I]), "a candidate URL holds white space", S);
        FuzzCheck(S[End - 1] != u',', "a candidate URL ends with a comma", S);
        Previous = End;
    });
    FuzzCheck(RewriteSrcSet(S, [](const QString&) { return QString(); }) == S,
        "keeping every candidate changes the value", S);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    FuzzInput In(Data, Size);
    const bool SrcSet = In.TakeByte() & 1;
    const QString S = In.TakeRest();
    if (SrcSet)
        CheckSrcSet(S);
    else
        CheckStyleSheet(S);
    return 0;
}
