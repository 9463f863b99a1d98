#include "http/ResponseCharset.h"

#include <QStringDecoder>

namespace {

// How far into a body a charset declaration is looked for.
constexpr int DeclarationScanLimit = 4096;

bool IsValueEnd(char C)
{
    return C == '"' || C == '\'' || C == ';' || C == '>' || C == '/' || C == ' ' || C == '\t' || C == '\r'
        || C == '\n';
}

QByteArray SkipQuote(const QByteArray& Text, int& Pos)
{
    while (Pos < Text.size() && (Text[Pos] == ' ' || Text[Pos] == '\t'))
        ++Pos;
    if (Pos < Text.size() && (Text[Pos] == '"' || Text[Pos] == '\''))
        ++Pos;
    const int Start = Pos;
    while (Pos < Text.size() && !IsValueEnd(Text[Pos]))
        ++Pos;
    return Text.mid(Start, Pos - Start);
}

// The value after "<Key>=" (optionally quoted) inside Text, or empty.
QByteArray ValueAfter(const QByteArray& LowerText, const QByteArray& Text, const QByteArray& Key)
{
    const int At = LowerText.indexOf(Key);
    if (At < 0)
        return {};
    int Pos = At + Key.size();
    while (Pos < LowerText.size() && (LowerText[Pos] == ' ' || LowerText[Pos] == '\t'))
        ++Pos;
    if (Pos >= LowerText.size() || LowerText[Pos] != '=')
        return {};
    ++Pos;
    return SkipQuote(Text, Pos);
}

QString CharsetParameter(const QString& ContentType)
{
    const QByteArray Bytes = ContentType.toLatin1();
    const int Semicolon = Bytes.indexOf(';');
    if (Semicolon < 0)
        return {};
    const QByteArray Params = Bytes.mid(Semicolon);
    return QString::fromLatin1(ValueAfter(Params.toLower(), Params, "charset"));
}

QString HtmlMetaCharset(const QByteArray& Head)
{
    const QByteArray Lower = Head.toLower();
    for (int At = Lower.indexOf("<meta"); At >= 0; At = Lower.indexOf("<meta", At + 5)) {
        const int End = Lower.indexOf('>', At);
        const int TagEnd = End < 0 ? Lower.size() : End;
        const QByteArray Value = ValueAfter(Lower.mid(At, TagEnd - At), Head.mid(At, TagEnd - At), "charset");
        if (!Value.isEmpty())
            return QString::fromLatin1(Value);
    }
    return {};
}

QString XmlDeclarationEncoding(const QByteArray& Head)
{
    if (!Head.startsWith("<?xml"))
        return {};
    const int End = Head.indexOf("?>");
    const QByteArray Declaration = End < 0 ? Head : Head.left(End);
    return QString::fromLatin1(ValueAfter(Declaration.toLower(), Declaration, "encoding"));
}

bool IsXmlType(const QString& MediaType)
{
    return MediaType == QLatin1String("text/xml") || MediaType == QLatin1String("application/xml")
        || MediaType.endsWith(QLatin1String("+xml"))
        || MediaType == QLatin1String("text/xml-external-parsed-entity");
}

} // namespace

QString MediaTypeOf(const QString& ContentType)
{
    return ContentType.section(QLatin1Char(';'), 0, 0).trimmed();
}

QString ResponseCharset(const QString& ContentType, const QByteArray& BodyHead)
{
    const QString Declared = CharsetParameter(ContentType);
    if (!Declared.isEmpty())
        return Declared;
    const QString MediaType = MediaTypeOf(ContentType).toLower();
    const QByteArray Head = BodyHead.left(DeclarationScanLimit);
    if (MediaType == QLatin1String("text/html") || MediaType == QLatin1String("application/xhtml+xml")) {
        const QString Meta = HtmlMetaCharset(Head);
        if (!Meta.isEmpty())
            return Meta;
    }
    const bool Xml = IsXmlType(MediaType);
    if (Xml) {
        const QString Encoding = XmlDeclarationEncoding(Head);
        if (!Encoding.isEmpty())
            return Encoding;
    }
    if (MediaType.startsWith(QLatin1String("text/")))
        return Xml ? QStringLiteral("us-ascii") : QStringLiteral("ISO-8859-1");
    return {};
}

QString DecodeText(const QByteArray& Bytes, const QString& Charset)
{
    if (!Charset.isEmpty()) {
        const QByteArray Name = Charset.toLatin1();
        QStringDecoder Decoder(Name.constData());
        if (Decoder.isValid())
            return Decoder.decode(Bytes);
    }
    return QString::fromLatin1(Bytes);
}

QString HeaderText(const QByteArray& Value)
{
    QStringDecoder Decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString Text = Decoder.decode(Value);
    return Decoder.hasError() ? QString::fromLatin1(Value) : Text;
}
