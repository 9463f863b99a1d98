#pragma once

// uStrUtils: the HTML scanner's text routines: ASCII case folding and
// comparison, digits and spaces.

#include <QString>
#include <QStringView>

// Case folding touches the ASCII letters only. Positions count from 1. No
// routine fails on any input: positions outside the text find nothing. The
// routines the tag scanner calls per character are inline, so that they stay
// as cheap as a comparison.

// C with A to Z folded onto a to z.
inline char16_t FoldASCII(QChar C)
{
    const char16_t U = C.unicode();
    return (U >= u'A' && U <= u'Z') ? char16_t(U + (u'a' - u'A')) : U;
}

// The value of C as a digit in Base (at most 16), or -1.
int DigitValue(QChar C, int Base);

// Tab, line feed, carriage return or space.
inline bool IsSpace(QChar C)
{
    return C == u' ' || C == u'\t' || C == u'\n' || C == u'\r';
}

// True when the two texts are equal, ignoring ASCII case.
inline bool SameTextView(QStringView S1, QStringView S2)
{
    if (S1.size() != S2.size())
        return false;
    for (qsizetype K = 0; K < S1.size(); ++K)
        if (FoldASCII(S1[K]) != FoldASCII(S2[K]))
            return false;
    return true;
}

// True when N characters of S1 from P1 equal N characters of S2 from P2,
// ignoring ASCII case.
inline bool SameTextAt(const QString& S1, const QString& S2, int N, int P1, int P2)
{
    if (qint64(S1.size()) < qint64(P1) + N - 1 || qint64(S2.size()) < qint64(P2) + N - 1)
        return false;
    if (N <= 0)
        return true;
    if (P1 < 1 || P2 < 1)
        return false;
    return SameTextView(QStringView(S1).mid(P1 - 1, N), QStringView(S2).mid(P2 - 1, N));
}

// True when S starts with Prefix, ignoring ASCII case.
bool StartsText(const QString& S, const QString& Prefix);

// True when Part stands somewhere in S, ignoring ASCII case.
bool ContainsText(const QString& S, const QString& Part);

// True when the two texts are equal, ignoring ASCII case.
bool SameText(const QString& S1, const QString& S2);

// S with A to Z folded onto a to z.
QString LowerCaseASCII(const QString& S);
