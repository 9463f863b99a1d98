#include "engine/page/uStrUtils.h"

char16_t FoldASCII(QChar C)
{
    const char16_t U = C.unicode();
    return (U >= u'A' && U <= u'Z') ? char16_t(U + (u'a' - u'A')) : U;
}

bool SameTextView(QStringView S1, QStringView S2)
{
    if (S1.size() != S2.size())
        return false;
    for (qsizetype K = 0; K < S1.size(); ++K)
        if (FoldASCII(S1[K]) != FoldASCII(S2[K]))
            return false;
    return true;
}

int DigitValue(QChar C, int Base)
{
    const char16_t U = C.unicode();
    int Value = 99;
    if (U >= u'0' && U <= u'9')
        Value = U - u'0';
    else if (U >= u'a' && U <= u'f')
        Value = U - u'a' + 10;
    else if (U >= u'A' && U <= u'F')
        Value = U - u'A' + 10;
    return Value < Base ? Value : -1;
}

bool IsSpace(QChar C)
{
    return C == u' ' || C == u'\t' || C == u'\n' || C == u'\r';
}

bool SameTextAt(const QString& S1, const QString& S2, int N, int P1, int P2)
{
    if (qint64(S1.size()) < qint64(P1) + N - 1 || qint64(S2.size()) < qint64(P2) + N - 1)
        return false;
    if (N <= 0)
        return true;
    if (P1 < 1 || P2 < 1)
        return false;
    return SameTextView(QStringView(S1).mid(P1 - 1, N), QStringView(S2).mid(P2 - 1, N));
}

bool StartsText(const QString& S, const QString& Prefix)
{
    return S.size() >= Prefix.size() && SameTextView(QStringView(S).left(Prefix.size()), Prefix);
}

bool ContainsText(const QString& S, const QString& Part)
{
    for (qsizetype K = 0; K + Part.size() <= S.size(); ++K)
        if (SameTextView(QStringView(S).mid(K, Part.size()), Part))
            return true;
    return false;
}

bool SameText(const QString& S1, const QString& S2)
{
    return SameTextView(S1, S2);
}

QString LowerCaseASCII(const QString& S)
{
    QString Result = S;
    for (QChar& C : Result)
        C = QChar(FoldASCII(C));
    return Result;
}
