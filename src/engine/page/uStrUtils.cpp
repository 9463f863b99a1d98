#include "engine/page/uStrUtils.h"

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
