// File links in the strings of any script.
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "engine/page/ScriptLinks.h"

namespace {

bool IsQuote(QChar C)
{
    return C == u'"' || C == u'\'' || C == u'`';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    FuzzInput In(Data, Size);
    const QString S = In.TakeRest();
    QList<TScriptLink> Links;
    ScanScriptLinks(S, [&](const TScriptLink& Link) {
        FuzzCheck(Link.Start > (Links.isEmpty() ? 0 : Links.last().End) && Link.Start < Link.End
                && Link.End < S.size(),
            "a link lies outside the script or before the previous one", S);
        FuzzCheck(IsQuote(S[Link.Start - 1]) && S[Link.End] == S[Link.Start - 1],
            "a link is not the whole text inside its quotes", S);
        Links << Link;
    });
    // Whether a text is a link depends on the text alone, and the scan does
    // not depend on where the script starts.
    const QString Prefix = "x;\n";
    QList<TScriptLink> Shifted;
    ScanScriptLinks(Prefix + S, [&](const TScriptLink& Link) {
        Shifted << TScriptLink { Link.Start - Prefix.size(), Link.End - Prefix.size() };
    });
    FuzzCheck(Shifted.size() == Links.size(), "a line before the script changes its links", S);
    for (qsizetype K = 0; K < Links.size() && K < Shifted.size(); ++K) {
        FuzzCheck(Shifted[K].Start == Links[K].Start && Shifted[K].End == Links[K].End,
            "a line before the script moves its links", S);
        const QString Text = S.mid(Links[K].Start, Links[K].End - Links[K].Start);
        FuzzCheck(ScriptLinkTexts("'" + Text + "'") == QStringList { Text },
            "a link text alone in quotes is not a link", S);
    }
    return 0;
}
