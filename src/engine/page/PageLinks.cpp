#include "engine/page/PageLinks.h"

#include "engine/page/ScriptLinks.h"
#include "engine/page/SrcSet.h"
#include "engine/page/TagScan.h"
#include "engine/page/uStrUtils.h"

namespace {

// Tag text with the value from V to ValueEnd - 1 replaced by Value, quoted
// characters written as references so the quoting holds.
void ReplaceValue(QString& Tag, int V, int ValueEnd, QChar Quote, QString Value)
{
    if (Quote == u'"')
        Value.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    else if (Quote == u'\'')
        Value.replace(QLatin1Char('\''), QLatin1String("&#39;"));
    Tag = Tag.left(V - 1) + Value + Tag.mid(ValueEnd - 1);
}

bool IsTagNameChar(QChar C)
{
    return C.isLetterOrNumber() || C == u'-' || C == u':' || C == u'_';
}

// Finds the next start tag at or after T: one of Names, or with AnyTag any
// tag, K then being its index in Names or -1.
int NextTag(const QString& S, const QStringList& Names, bool AnyTag, int T, int& K)
{
    if (!AnyTag)
        return FindTag(S, Names, T, K);
    for (qsizetype I = S.indexOf(u'<', T - 1); I >= 0; I = S.indexOf(u'<', I + 1)) {
        qsizetype E = I + 1;
        if (E >= S.size() || !S[E].isLetter())
            continue;
        while (E < S.size() && IsTagNameChar(S[E]))
            ++E;
        if (E < S.size() && !IsSpace(S[E]) && S[E] != u'/' && S[E] != u'>')
            continue;
        const QStringView Name = QStringView(S).mid(I + 1, E - I - 1);
        K = -1;
        for (int N = 0; N < Names.size() && K < 0; ++N)
            if (Names[N].size() == Name.size() && Name.compare(Names[N], Qt::CaseInsensitive) == 0)
                K = N;
        return int(I) + 1;
    }
    return 0;
}

// The URL of a refresh value "5; url=...": its start and end in Value
// (0-based), or false.
bool RefreshURL(const QString& Value, qsizetype& Start, qsizetype& End)
{
    const qsizetype At = Value.indexOf(QLatin1String("url"), 0, Qt::CaseInsensitive);
    if (At < 0)
        return false;
    Start = At + 3;
    while (Start < Value.size() && IsSpace(Value[Start]))
        ++Start;
    if (Start >= Value.size() || Value[Start] != u'=')
        return false;
    ++Start;
    while (Start < Value.size() && IsSpace(Value[Start]))
        ++Start;
    End = Value.size();
    if (Start < End && (Value[Start] == u'"' || Value[Start] == u'\'')) {
        const qsizetype Close = Value.indexOf(Value[Start], Start + 1);
        End = Close < 0 ? End : Close;
        ++Start;
    }
    while (End > Start && IsSpace(Value[End - 1]))
        --End;
    return End > Start;
}

class TTagRewriter {
public:
    TTagRewriter(TLinkTargets& Mapper, const TPageScan& Scan)
        : FMapper(Mapper)
        , FScan(Scan)
    {
    }

    // Follows and rewrites the links of the tag text G of a table tag.
    void Rewrite(QString& G, const TLinkTag& Tag)
    {
        if (!Applies(G, Tag))
            return;
        const bool Requisite = Tag.Requisite && (Tag.Kind != utLink || IsRequisiteLink(G));
        TURLTag Kind = Tag.Kind;
        QString LinkType;
        if (Tag.Kind == utLink && FScan.CompletePages && !IsStyleSheetLink(G)
            && ContainsText(GetAttrValue(G, QStringLiteral("rel"), 1), QStringLiteral("icon")))
            Kind = utImg; // an icon is a file, whatever its extension
        else if (Tag.Kind == utLink) {
            LinkType = GetAttrValue(G, QStringLiteral("type"), 1);
            if (LinkType.isEmpty() && FScan.CompletePages && IsStyleSheetLink(G))
                LinkType = QStringLiteral("text/css");
        }
        for (const TLinkAttribute& Attribute : Tag.Attributes) {
            int ValueEnd = 0;
            QChar Quote;
            const int V = FindAttr(G, Attribute.Name, 1, ValueEnd, Quote);
            if (V <= 0)
                continue;
            const QString Raw = DecodeAttrValue(G, V, ValueEnd - V, Quote);
            const QString New = RewriteValue(Raw, Attribute.Form, Kind, LinkType, Requisite);
            if (!New.isNull())
                ReplaceValue(G, V, ValueEnd, Quote, New);
        }
    }

    // Follows and rewrites the links of a style attribute of any tag.
    void RewriteStyleAttribute(QString& G)
    {
        int ValueEnd = 0;
        QChar Quote;
        const int V = FindAttr(G, QStringLiteral("style"), 1, ValueEnd, Quote);
        if (V <= 0)
            return;
        const QString Raw = DecodeAttrValue(G, V, ValueEnd - V, Quote);
        const QString New = RewriteStyleLinks(Raw, FMapper);
        if (New != Raw)
            ReplaceValue(G, V, ValueEnd, Quote, New);
    }

private:
    static bool Applies(const QString& G, const TLinkTag& Tag)
    {
        if (Tag.Name == QLatin1String("input"))
            return SameText(GetAttrValue(G, QStringLiteral("type"), 1), QStringLiteral("image"));
        if (Tag.Name == QLatin1String("meta"))
            return SameText(GetAttrValue(G, QStringLiteral("http-equiv"), 1), QStringLiteral("refresh"));
        return true;
    }

    static bool IsStyleSheetLink(const QString& G)
    {
        return ContainsText(GetAttrValue(G, QStringLiteral("rel"), 1), QStringLiteral("stylesheet"));
    }

    static bool IsRequisiteLink(const QString& G)
    {
        const QString Rel = GetAttrValue(G, QStringLiteral("rel"), 1);
        return ContainsText(Rel, QStringLiteral("stylesheet")) || ContainsText(Rel, QStringLiteral("icon"));
    }

    // The new value of an attribute, or null to keep it.
    QString RewriteValue(
        const QString& Raw, TLinkForm Form, TURLTag Kind, const QString& LinkType, bool Requisite)
    {
        const auto Map = [&](const QString& URL) { return FMapper.MapLink(URL, Kind, LinkType, Requisite); };
        switch (Form) {
        case lfURL:
            return Map(Raw);
        case lfSrcSet: {
            const QString New = RewriteSrcSet(Raw, Map);
            return New == Raw ? QString() : New;
        }
        case lfRefresh: {
            qsizetype Start = 0;
            qsizetype End = 0;
            if (!RefreshURL(Raw, Start, End))
                return QString();
            const QString L = Map(Raw.mid(Start, End - Start));
            return L.isNull() ? L : Raw.left(Start) + L + Raw.mid(End);
        }
        }
        return QString();
    }

    TLinkTargets& FMapper;
    const TPageScan& FScan;
};

} // namespace

QString RewritePageLinks(const QString& S, TLinkTargets& Targets, const TPageScan& Scan)
{
    const std::vector<TLinkTag>& Tags = LinkTagTable(Scan.CompletePages);
    static const auto NamesOf = [](const std::vector<TLinkTag>& Table) {
        QStringList Names;
        for (const TLinkTag& Tag : Table)
            Names << Tag.Name;
        return Names;
    };
    static const QStringList BasicNames = NamesOf(LinkTagTable(false));
    static const QStringList CompleteNames = NamesOf(LinkTagTable(true));
    const QStringList& Names = Scan.CompletePages ? CompleteNames : BasicNames;

    TTagRewriter Rewriter(Targets, Scan);
    QString Out;
    Out.reserve(S.size() + S.size() / 8);
    int T = 1; // the text before T is copied
    int From = 1; // where the next tag is looked for
    for (;;) {
        int K = -1;
        From = qMax(From, T);
        const int P = NextTag(S, Names, Scan.CompletePages, From, K);
        if (P == 0)
            break;
        const int E = FindTagEnd(S, P);
        if (E == 0)
            break;
        const QStringView TagText = QStringView(S).mid(P - 1, E - P + 1);
        if (K < 0 && !TagText.contains(QLatin1String("style"), Qt::CaseInsensitive)) {
            From = E + 1; // copied with the text after it
            continue;
        }
        if (P > T)
            Out += QStringView(S).mid(T - 1, P - T);
        T = E + 1;
        QString G = TagText.toString();
        if (K < 0) {
            Rewriter.RewriteStyleAttribute(G);
            Out += G;
            continue;
        }
        const TLinkTag& Tag = Tags[size_t(K)];
        const bool Drop = (Tag.Kind == utScript && Scan.RemoveScripts)
            || (Tag.Kind == utNoscript && Scan.RemoveNoscripts);
        if (Drop) {
            if (S.at(E - 2) == QLatin1Char('/'))
                continue;
            const int Z = FindCloseTag(S, Tag.Name, T);
            if (Z == 0)
                break;
            const int F = FindTagEnd(S, Z);
            if (F == 0)
                break;
            T = F + 1;
            continue;
        }

        Rewriter.Rewrite(G, Tag);
        if (Scan.CompletePages)
            Rewriter.RewriteStyleAttribute(G);
        Out += G;
        if (Tag.Name == QLatin1String("style") && S.at(E - 2) != QLatin1Char('/')) {
            const int Z = FindCloseTag(S, Tag.Name, T);
            if (Z > T) {
                Out += RewriteStyleLinks(QStringView(S).mid(T - 1, Z - T), Targets);
                T = Z;
            }
        }
        if (Tag.Kind == utScript && Scan.ScriptLinks && S.at(E - 2) != QLatin1Char('/')) {
            const int Z = FindCloseTag(S, Tag.Name, T);
            if (Z > T)
                for (const QString& Link : ScriptLinkTexts(QStringView(S).mid(T - 1, Z - T)))
                    Targets.FollowScriptLink(Link);
        }
    }
    if (T <= S.size())
        Out += QStringView(S).mid(T - 1);
    return Out;
}
