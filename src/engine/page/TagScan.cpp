#include "engine/page/TagScan.h"

#include "engine/page/uStrUtils.h"

#include <QStringView>

namespace {

bool IsSlashOrGreater(QChar C)
{
    return C == u'/' || C == u'>';
}

// The Count characters of S from From (1-based), fewer when S ends earlier.
QStringView Stretch(const QString& S, int From, int Count)
{
    if (From < 1 || Count <= 0 || From > S.size())
        return {};
    return QStringView(S).mid(From - 1, qMin<qsizetype>(Count, S.size() - From + 1));
}

// Reads up to MaxDigits digits of Base from Text at I onward, extending Value.
int ReadDigits(QStringView Text, qsizetype& I, int MaxDigits, int Base, int Value)
{
    for (int K = 0; K < MaxDigits && I < Text.size(); ++K, ++I) {
        const int Digit = DigitValue(Text[I], Base);
        if (Digit < 0)
            break;
        Value = Value * Base + Digit;
    }
    return Value;
}

// The signed 32-bit integer syntax of numeric character references: leading
// spaces, a sign, then decimal digits or hexadecimal ones after "$", "x" or "0x".
bool ParseInt32(QStringView Text, qint32& Result)
{
    qsizetype I = 0;
    while (I < Text.size() && Text[I] == u' ')
        ++I;
    bool Negative = false;
    if (I < Text.size() && (Text[I] == u'+' || Text[I] == u'-'))
        Negative = Text[I++] == u'-';
    int Base = 10;
    if (I < Text.size() && (Text[I] == u'$' || FoldASCII(Text[I]) == u'x')) {
        Base = 16;
        ++I;
    } else if (I + 1 < Text.size() && Text[I] == u'0' && FoldASCII(Text[I + 1]) == u'x') {
        Base = 16;
        I += 2;
    }
    if (I >= Text.size())
        return false;
    const qint64 Limit = Negative ? qint64(1) << 31 : (qint64(1) << 31) - 1;
    qint64 Value = 0;
    for (; I < Text.size(); ++I) {
        const int Digit = DigitValue(Text[I], Base);
        if (Digit < 0)
            return false;
        Value = Value * Base + Digit;
        if (Value > Limit)
            return false;
    }
    Result = qint32(Negative ? -Value : Value);
    return true;
}

// The character a reference "&" X Name ";" stands for, when it is known.
bool DecodeReference(char16_t X, QStringView Name, QChar& Result)
{
    qint32 Code = 0;
    struct Entity {
        char16_t First;
        const char16_t* Rest;
        char16_t Char;
    };
    static const Entity Entities[] = {
        { u'a', u"mp", u'&' },
        { u'g', u"t", u'>' },
        { u'l', u"t", u'<' },
        { u'n', u"bsp", u' ' },
        { u'q', u"uot", u'"' },
    };
    if (X == u'#') {
        if (!ParseInt32(Name, Code))
            return false;
        Result = QChar(char16_t(quint32(Code) & 0xFFFF));
        return true;
    }
    for (const Entity& E : Entities)
        if (X == E.First && SameTextView(Name, QStringView(E.Rest))) {
            Result = QChar(E.Char);
            return true;
        }
    return false;
}

// Replaces the character references of V; replaced text is not decoded again.
QString DecodeReferences(const QString& V)
{
    qsizetype Amp = V.indexOf(u'&');
    if (Amp < 0)
        return V;
    QString Out;
    Out.reserve(V.size());
    qsizetype Copied = 0;
    qsizetype Semi = -1; // first ";" after the current "&", reused while ahead
    while (Amp >= 0) {
        if (Semi <= Amp) {
            Semi = V.indexOf(u';', Amp + 1);
            if (Semi < 0)
                break;
        }
        QChar Decoded;
        const QStringView Name = Semi > Amp + 1 ? QStringView(V).mid(Amp + 2, Semi - Amp - 2) : QStringView();
        if (Semi > Amp + 1 && DecodeReference(FoldASCII(V[Amp + 1]), Name, Decoded)) {
            Out += QStringView(V).mid(Copied, Amp - Copied);
            Out += Decoded;
            Copied = Semi + 1;
            Amp = V.indexOf(u'&', Semi + 1);
        } else {
            Amp = V.indexOf(u'&', Amp + 1);
        }
    }
    Out += QStringView(V).mid(Copied);
    return Out;
}

} // namespace

int FindTag(const QString& S, const QStringList& Tags, int StartPos, int& TagIndex)
{
    if (StartPos < 1)
        return 0;
    const qint64 Len = S.size();
    for (qsizetype I = S.indexOf(u'<', StartPos - 1); I >= 0; I = S.indexOf(u'<', I + 1)) {
        const int P = int(I) + 1;
        for (int K = 0; K < Tags.size(); ++K) {
            const int L = int(Tags[K].size());
            if (qint64(P) + L + 1 > Len || !SameTextAt(S, Tags[K], L, P + 1, 1))
                continue;
            const QChar After = S[P + L];
            if (IsSpace(After) || IsSlashOrGreater(After)) {
                TagIndex = K;
                return P;
            }
        }
    }
    return 0;
}

int FindTagEnd(const QString& S, int StartPos)
{
    if (StartPos < 1)
        return 0;
    return int(S.indexOf(u'>', StartPos - 1)) + 1;
}

int FindCloseTag(const QString& S, const QString& TagName, int StartPos)
{
    if (StartPos < 1)
        return 0;
    const qint64 L = TagName.size();
    const qint64 Len = S.size();
    int Depth = 1;
    qint64 P = StartPos;
    while (P + L + 2 <= Len) {
        // Only a "<" can start either kind of tag, so jump to the next one.
        const qsizetype Next = S.indexOf(u'<', P - 1);
        if (Next < 0)
            break;
        P = Next + 1;
        if (P + L + 2 > Len)
            break;
        if (S[P] == u'/' && S[P + L + 1] == u'>') {
            if (SameTextAt(S, TagName, int(L), int(P) + 2, 1)) {
                if (--Depth == 0)
                    return int(P);
                P += L + 2;
            }
        } else if ((IsSpace(S[P + L]) || S[P + L] == u'>') && SameTextAt(S, TagName, int(L), int(P) + 1, 1)) {
            ++Depth;
            P += L + 1;
        }
        ++P;
    }
    return 0;
}

int FindAttr(const QString& S, const QString& AttrName, int StartPos, int& ValueEnd, QChar& Quote)
{
    if (StartPos < 1)
        return 0;
    // Work 0-based inside; every scan past the end or onto "/" or ">" where a
    // name, "=" or value is expected means the tag has no such attribute.
    const qsizetype Len = S.size();
    qsizetype P = StartPos - 1;
    auto SkipSpaces = [&]() {
        while (P < Len && IsSpace(S[P]))
            ++P;
        return P < Len && !IsSlashOrGreater(S[P]);
    };

    while (P < Len && !IsSpace(S[P])) {
        if (IsSlashOrGreater(S[P]))
            return 0;
        ++P;
    }
    if (P >= Len)
        return 0;
    for (;;) {
        if (!SkipSpaces())
            return 0;
        qsizetype NameStart = P;
        qsizetype NameEnd;
        for (;;) {
            while (P < Len && !IsSpace(S[P]) && S[P] != u'=') {
                if (IsSlashOrGreater(S[P]))
                    return 0;
                ++P;
            }
            if (P >= Len)
                return 0;
            NameEnd = P;
            if (IsSpace(S[P]) && !SkipSpaces())
                return 0;
            if (S[P] == u'=')
                break;
            NameStart = P; // a value-less attribute; the next name starts here
        }
        ++P;
        if (!SkipSpaces())
            return 0;
        qsizetype ValueStart;
        qsizetype End;
        qsizetype Resume;
        const QChar First = S[P];
        QChar ValueQuote = First;
        if (First == u'"' || First == u'\'') {
            ValueStart = P + 1;
            End = S.indexOf(First, ValueStart);
            if (End < 0)
                return 0;
            Resume = End + 1;
        } else if (First == u'\\' && P + 1 < Len && S[P + 1] == u'"') {
            ValueStart = P + 2;
            End = ValueStart;
            while (End < Len && !(S[End] == u'\\' && End + 1 < Len && S[End + 1] == u'"')) {
                if (S[End] == u'\\' && End + 1 >= Len)
                    return 0;
                End += S[End] == u'\\' ? 2 : 1;
            }
            if (End >= Len)
                return 0;
            Resume = End + 2;
        } else {
            ValueQuote = QChar(0);
            ValueStart = P;
            End = P;
            while (End < Len && !IsSpace(S[End]) && S[End] != u'>')
                ++End;
            if (End >= Len)
                return 0;
            Resume = End;
        }
        if (NameEnd - NameStart == AttrName.size()
            && SameTextView(QStringView(S).mid(NameStart, NameEnd - NameStart), AttrName)) {
            ValueEnd = int(End) + 1;
            Quote = ValueQuote;
            return int(ValueStart) + 1;
        }
        P = Resume;
    }
}

QString GetAttrValue(const QString& S, const QString& AttrName, int StartPos)
{
    int ValueEnd = 0;
    QChar Quote;
    const int P = FindAttr(S, AttrName, StartPos, ValueEnd, Quote);
    if (P <= 0)
        return QString();
    return DecodeAttrValue(S, P, ValueEnd - P, Quote);
}

QString DecodeAttrValue(const QString& S, int From, int Count, QChar Quote)
{
    if (Quote == u'\\')
        return DecodeReferences(UnescapeStr(S, From, Count));
    return DecodeReferences(Stretch(S, From, Count).toString());
}

QString UnescapeStr(const QString& S, int From, int Count)
{
    const QStringView Range = Stretch(S, From, Count);
    QString Out;
    Out.reserve(Range.size());
    qsizetype I = 0;
    while (I < Range.size()) {
        const QChar C = Range[I++];
        if (C != u'\\') {
            Out += C;
            continue;
        }
        if (I >= Range.size())
            break;
        const QChar X = Range[I++];
        int Code = -1; // -1: X stands for itself; 0: the escape gives nothing
        switch (X.unicode()) {
        case u'r':
            Code = '\r';
            break;
        case u'n':
            Code = '\n';
            break;
        case u't':
            Code = '\t';
            break;
        case u'x':
            Code = ReadDigits(Range, I, 2, 16, 0);
            break;
        case u'u':
            Code = ReadDigits(Range, I, 4, 16, 0);
            break;
        default:
            if (X >= u'0' && X <= u'9') {
                Code = ReadDigits(Range, I, 2, 8, X.unicode() - u'0');
                if (Code > 255)
                    Code = 0;
            }
        }
        if (Code < 0)
            Out += X;
        else if (Code > 0)
            Out += QChar(char16_t(Code));
    }
    return Out;
}
