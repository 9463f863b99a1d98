#include "engine/page/CharsetDeclaration.h"

#include "engine/page/CSSLinks.h"
#include "engine/page/TagScan.h"
#include "engine/page/uStrUtils.h"

namespace {

const QString UTF8Name = QStringLiteral("utf-8");

// The tag text with the value found at V..ValueEnd-1 replaced.
QString ReplaceValue(const QString& Tag, int V, int ValueEnd, const QString& Value)
{
    return Tag.left(V - 1) + Value + Tag.mid(ValueEnd - 1);
}

QString DeclareUTF8InTag(const QString& Tag)
{
    int ValueEnd = 0;
    QChar Quote;
    if (const int V = FindAttr(Tag, QStringLiteral("charset"), 1, ValueEnd, Quote); V > 0)
        return ReplaceValue(Tag, V, ValueEnd, UTF8Name);
    if (!SameText(GetAttrValue(Tag, QStringLiteral("http-equiv"), 1), QStringLiteral("content-type")))
        return Tag;
    const int V = FindAttr(Tag, QStringLiteral("content"), 1, ValueEnd, Quote);
    if (V <= 0)
        return Tag;
    const QString Content = Tag.mid(V - 1, ValueEnd - V);
    const int Charset = LowerCaseASCII(Content).indexOf(QLatin1String("charset="));
    if (Charset < 0)
        return Tag;
    int End = Charset + 8;
    while (End < Content.size() && Content.at(End) != QLatin1Char(';') && !IsSpace(Content.at(End)))
        ++End;
    const QString NewContent = Content.left(Charset + 8) + UTF8Name + Content.mid(End);
    return ReplaceValue(Tag, V, ValueEnd, NewContent);
}

} // namespace

QString DeclareUTF8(const QString& Html)
{
    static const QStringList Meta { QStringLiteral("meta") };
    QString Out;
    int T = 1;
    for (;;) {
        int K = 0;
        const int P = FindTag(Html, Meta, T, K);
        const int E = P > 0 ? FindTagEnd(Html, P) : 0;
        if (E == 0)
            break;
        Out += QStringView(Html).mid(T - 1, P - T);
        Out += DeclareUTF8InTag(Html.mid(P - 1, E - P + 1));
        T = E + 1;
    }
    if (T == 1)
        return Html;
    Out += QStringView(Html).mid(T - 1);
    return Out;
}

QString StyleSheetCharset(
    const QByteArray& Sheet, const QString& ReplyCharset, const QString& ContentTypeHeader)
{
    if (Sheet.startsWith("\xEF\xBB\xBF"))
        return QStringLiteral("UTF-8");
    if (const QString Rule = CSSCharsetRule(Sheet);
        !Rule.isEmpty() && !ContainsText(ContentTypeHeader, QStringLiteral("charset")))
        return Rule;
    return ReplyCharset;
}
