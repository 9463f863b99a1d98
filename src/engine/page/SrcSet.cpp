#include "engine/page/SrcSet.h"

#include "engine/page/uStrUtils.h"

void SplitSrcSet(QStringView S, const std::function<void(qsizetype Start, qsizetype End)>& OnURL)
{
    const qsizetype N = S.size();
    qsizetype I = 0;
    while (I < N) {
        while (I < N && (IsSpace(S[I]) || S[I] == u','))
            ++I;
        if (I >= N)
            return;
        const qsizetype Start = I;
        while (I < N && !IsSpace(S[I]))
            ++I;
        qsizetype End = I;
        const bool CommaEnded = S[End - 1] == u',';
        while (End > Start && S[End - 1] == u',')
            --End;
        if (End > Start)
            OnURL(Start, End);
        if (CommaEnded)
            continue;
        // Descriptors up to the next comma outside parentheses.
        int Depth = 0;
        for (; I < N; ++I) {
            const QChar C = S[I];
            if (C == u'(')
                ++Depth;
            else if (C == u')' && Depth > 0)
                --Depth;
            else if (C == u',' && Depth == 0)
                break;
        }
    }
}

QString RewriteSrcSet(QStringView S, const std::function<QString(const QString& URL)>& Map)
{
    QString Out;
    qsizetype Copied = 0;
    SplitSrcSet(S, [&](qsizetype Start, qsizetype End) {
        const QString Target = Map(S.mid(Start, End - Start).toString());
        if (Target.isNull())
            return;
        Out += S.mid(Copied, Start - Copied);
        Out += Target;
        Copied = End;
    });
    if (Copied == 0)
        return S.toString();
    Out += S.mid(Copied);
    return Out;
}
