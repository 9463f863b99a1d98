#include "engine/page/CSSLinks.h"

#include "engine/page/uStrUtils.h"

namespace {

bool IsCSSSpace(QChar C)
{
    return C == u' ' || C == u'\t' || C == u'\n' || C == u'\r' || C == u'\f';
}

bool IsNameChar(QChar C)
{
    return C.isLetterOrNumber() || C == u'-' || C == u'_' || C == u'\\';
}

bool WordAt(QStringView S, qsizetype I, QLatin1String Word)
{
    return I + Word.size() <= S.size() && S.mid(I, Word.size()).compare(Word, Qt::CaseInsensitive) == 0
        && (I == 0 || !IsNameChar(S[I - 1]));
}

qsizetype SkipSpaces(QStringView S, qsizetype I)
{
    while (I < S.size() && IsCSSSpace(S[I]))
        ++I;
    return I;
}

// Position after the closing quote of the string opening at I. A string
// without one ends before a line break or at the end of S, Closed false.
qsizetype StringEnd(QStringView S, qsizetype I, bool& Closed)
{
    const QChar Quote = S[I];
    Closed = false;
    for (++I; I < S.size(); ++I) {
        const QChar C = S[I];
        if (C == Quote) {
            Closed = true;
            return I + 1;
        }
        if (C == u'\n' || C == u'\r' || C == u'\f')
            return I;
        if (C == u'\\')
            ++I;
    }
    return S.size();
}

// Position after the escape whose backslash stands at I: up to six hex
// digits and one white space, or one character.
qsizetype EscapeEnd(QStringView S, qsizetype I)
{
    qsizetype J = I + 1;
    while (J < S.size() && J - I <= 6 && DigitValue(S[J], 16) >= 0)
        ++J;
    if (J == I + 1)
        return qMin(J + 1, S.size());
    return J < S.size() && IsCSSSpace(S[J]) ? J + 1 : J;
}

// Position after the ")" of a bare url( whose text starts at I; End receives
// the end of the text. -1 when it is not closed properly.
qsizetype BareURLEnd(QStringView S, qsizetype I, qsizetype& End)
{
    for (; I < S.size(); ++I) {
        const QChar C = S[I];
        if (C == u')') {
            End = I;
            return I + 1;
        }
        if (IsCSSSpace(C)) {
            End = I;
            I = SkipSpaces(S, I);
            return I < S.size() && S[I] == u')' ? I + 1 : -1;
        }
        if (C == u'"' || C == u'\'' || C == u'(')
            return -1;
        if (C == u'\\')
            I = EscapeEnd(S, I) - 1;
    }
    return -1;
}

QString EscapeFor(const QString& Text, QChar Quote)
{
    QString R;
    R.reserve(Text.size());
    for (const QChar C : Text) {
        const bool Special = C == u'\\' || C == u'"' || C == u'\'' || C.unicode() < 0x20
            || (Quote.isNull() && (C == u'(' || C == u')' || IsCSSSpace(C)));
        if (Special && C.unicode() < 0x20)
            R += QStringLiteral("\\%1 ").arg(C.unicode(), 0, 16);
        else {
            if (Special)
                R += u'\\';
            R += C;
        }
    }
    return R;
}

const QLatin1String CharsetRule("@charset \"");

} // namespace

void ScanCSSLinks(QStringView S, const std::function<void(const TCSSLink&)>& OnLink)
{
    bool ImportPending = false;
    bool InImageSet = false;
    const qsizetype N = S.size();
    for (qsizetype I = 0; I < N;) {
        const QChar C = S[I];
        if (C == u'/' && I + 1 < N && S[I + 1] == u'*') {
            const qsizetype Close = S.indexOf(QLatin1String("*/"), I + 2);
            if (Close < 0)
                return;
            I = Close + 2;
        } else if (C == u'"' || C == u'\'') {
            bool Closed = false;
            const qsizetype End = qMin(StringEnd(S, I, Closed), N);
            if (Closed && (ImportPending || InImageSet))
                OnLink({ I + 1, End - 1, C, ImportPending });
            ImportPending = false;
            I = End;
        } else if ((C == u'u' || C == u'U') && WordAt(S, I, QLatin1String("url("))) {
            qsizetype J = SkipSpaces(S, I + 4);
            if (J < N && (S[J] == u'"' || S[J] == u'\'')) {
                bool Closed = false;
                const qsizetype End = qMin(StringEnd(S, J, Closed), N);
                const qsizetype After = SkipSpaces(S, End);
                if (Closed && After < N && S[After] == u')')
                    OnLink({ J + 1, End - 1, S[J], ImportPending });
                ImportPending = false;
                I = End;
            } else {
                qsizetype TextEnd = J;
                const qsizetype After = BareURLEnd(S, J, TextEnd);
                if (After < 0) {
                    I = J;
                    continue;
                }
                if (TextEnd > J)
                    OnLink({ J, TextEnd, QChar(), ImportPending });
                ImportPending = false;
                I = After;
            }
        } else if (C == u'@' && WordAt(S, I, QLatin1String("@import"))) {
            ImportPending = true;
            I += 7;
        } else if ((C == u'i' || C == u'I' || C == u'-')
            && (WordAt(S, I, QLatin1String("image-set("))
                || WordAt(S, I, QLatin1String("-webkit-image-set(")))) {
            InImageSet = true;
            I = S.indexOf(u'(', I) + 1;
        } else {
            if (C == u';' || C == u'{' || C == u'}')
                ImportPending = false;
            if (C == u')' || C == u';' || C == u'}')
                InImageSet = false;
            if (C == u'\\')
                ++I;
            ++I;
        }
    }
}

QString CSSLinkText(QStringView S, const TCSSLink& Link)
{
    const QStringView Raw = S.mid(Link.Start, Link.End - Link.Start);
    if (!Raw.contains(u'\\'))
        return Raw.toString();
    QString R;
    R.reserve(Raw.size());
    for (qsizetype I = 0; I < Raw.size(); ++I) {
        if (Raw[I] != u'\\' || I + 1 >= Raw.size()) {
            R += Raw[I];
            continue;
        }
        ++I;
        qsizetype J = I;
        char32_t Code = 0;
        while (J < Raw.size() && J - I < 6 && DigitValue(Raw[J], 16) >= 0)
            Code = Code * 16 + char32_t(DigitValue(Raw[J++], 16));
        if (J == I) {
            if (Raw[I] != u'\n') // an escaped line break continues the string
                R += Raw[I];
            continue;
        }
        if (Code == 0 || Code > 0x10FFFF || (Code >= 0xD800 && Code <= 0xDFFF))
            Code = 0xFFFD;
        R += QString::fromUcs4(&Code, 1);
        if (J < Raw.size() && IsCSSSpace(Raw[J]))
            ++J;
        I = J - 1;
    }
    return R;
}

QString RewriteCSSLinks(QStringView S, const std::function<QString(const QString& Text, bool Import)>& Map)
{
    QString Out;
    qsizetype Copied = 0;
    ScanCSSLinks(S, [&](const TCSSLink& Link) {
        const QString Target = Map(CSSLinkText(S, Link), Link.Import);
        if (Target.isNull())
            return;
        if (Out.isNull())
            Out.reserve(S.size() + S.size() / 8);
        Out += S.mid(Copied, Link.Start - Copied);
        Out += EscapeFor(Target, Link.Quote);
        Copied = Link.End;
    });
    if (Out.isNull())
        return S.toString();
    Out += S.mid(Copied);
    return Out;
}

QString DeclareCSSUTF8(const QString& S)
{
    const qsizetype From = S.startsWith(QChar(0xFEFF)) ? 1 : 0;
    if (!QStringView(S).mid(From).startsWith(CharsetRule))
        return S;
    const qsizetype NameStart = From + CharsetRule.size();
    const qsizetype NameEnd = S.indexOf(u'"', NameStart);
    if (NameEnd < 0)
        return S;
    return S.left(NameStart) + QStringLiteral("UTF-8") + S.mid(NameEnd);
}

QString CSSCharsetRule(const QByteArray& Bytes)
{
    if (!Bytes.startsWith(QByteArrayView(CharsetRule.data(), CharsetRule.size())))
        return QString();
    const qsizetype NameEnd = Bytes.indexOf('"', CharsetRule.size());
    if (NameEnd < 0 || NameEnd - CharsetRule.size() > 40)
        return QString();
    return QString::fromLatin1(Bytes.mid(CharsetRule.size(), NameEnd - CharsetRule.size()));
}
