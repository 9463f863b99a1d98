#include "engine/page/ScriptLinks.h"

#include <vector>

namespace {

const qsizetype MaxLinkLength = 2048;

const char* const ResourceExtensions[] = { "js", "mjs", "json", "css", "png", "jpg", "jpeg", "gif", "svg",
    "webp", "avif", "ico", "bmp", "woff", "woff2", "ttf", "otf", "eot" };

// Words after which a slash starts a regular expression, not a division.
const char* const ExpressionKeywords[] = { "return", "typeof", "instanceof", "in", "of", "new", "delete",
    "void", "throw", "case", "do", "else", "yield", "await" };

bool IsLineEnd(QChar C)
{
    return C == u'\n' || C == u'\r' || C == u'\u2028' || C == u'\u2029';
}

// A character of a name, keyword or number.
bool IsWordChar(QChar C)
{
    const char16_t U = C.unicode();
    if (U < 0x80)
        return (U >= u'a' && U <= u'z') || (U >= u'A' && U <= u'Z') || (U >= u'0' && U <= u'9') || U == u'_'
            || U == u'$';
    return !C.isSpace();
}

bool IsHexDigit(QChar C)
{
    const char16_t U = C.unicode();
    return (U >= u'0' && U <= u'9') || (U >= u'a' && U <= u'f') || (U >= u'A' && U <= u'F');
}

// Characters a URL written out in a script may hold; quotes, spaces and the
// marks of templates, globs and format strings may not.
bool MayBeInURL(QChar C)
{
    const char16_t U = C.unicode();
    if (U >= 0x80)
        return !C.isSpace();
    if (U <= 0x20 || U == 0x7F)
        return false;
    switch (U) {
    case u'"':
    case u'\'':
    case u'`':
    case u'\\':
    case u'<':
    case u'>':
    case u'{':
    case u'}':
    case u'|':
    case u'^':
    case u'*':
        return false;
    default:
        return true;
    }
}

bool IsSchemeChar(QChar C)
{
    const char16_t U = C.unicode();
    return (U >= u'a' && U <= u'z') || (U >= u'A' && U <= u'Z') || (U >= u'0' && U <= u'9') || U == u'+'
        || U == u'-' || U == u'.';
}

// The slash that starts the path after the authority, or -1.
qsizetype PathAfterAuthority(QStringView Head, qsizetype AuthorityStart)
{
    const qsizetype Slash = Head.indexOf(u'/', AuthorityStart);
    return Slash > AuthorityStart ? Slash : -1;
}

// Where the path of the URL Head (without query and fragment) starts, or -1
// when it has none or its scheme is not http(s).
qsizetype PathStart(QStringView Head)
{
    if (Head.startsWith(u"//"))
        return PathAfterAuthority(Head, 2);
    qsizetype K = 0;
    while (K < Head.size() && IsSchemeChar(Head[K]))
        ++K;
    if (K == Head.size() || Head[K] != u':')
        return 0;
    if (!Head[0].isLetter())
        return 0; // "1:2.png" is a relative path, not a scheme
    const QStringView Scheme = Head.left(K);
    const bool Web = Scheme.compare(QLatin1String("http"), Qt::CaseInsensitive) == 0
        || Scheme.compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    if (!Web || !Head.mid(K + 1).startsWith(u"//"))
        return -1;
    return PathAfterAuthority(Head, K + 3);
}

// True when the last segment of Path is a name with a resource extension.
bool NamesResourceFile(QStringView Path)
{
    const QStringView Name = Path.mid(Path.lastIndexOf(u'/') + 1);
    const qsizetype Dot = Name.lastIndexOf(u'.');
    if (Dot <= 0)
        return false;
    const QStringView Extension = Name.mid(Dot + 1);
    for (const char* Known : ResourceExtensions)
        if (Extension.compare(QLatin1String(Known), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool IsFileLink(QStringView Text)
{
    if (Text.isEmpty() || Text.size() > MaxLinkLength || Text[0] == u'#')
        return false;
    qsizetype PathEnd = Text.size();
    for (qsizetype K = 0; K < Text.size(); ++K) {
        const QChar C = Text[K];
        if (!MayBeInURL(C))
            return false;
        if (C == u'%' && !(K + 2 < Text.size() && IsHexDigit(Text[K + 1]) && IsHexDigit(Text[K + 2])))
            return false;
        if ((C == u'?' || C == u'#') && PathEnd == Text.size())
            PathEnd = K;
    }
    const QStringView Head = Text.left(PathEnd);
    const qsizetype Start = PathStart(Head);
    return Start >= 0 && NamesResourceFile(Head.mid(Start));
}

bool IsExpressionKeyword(QStringView Word)
{
    for (const char* Keyword : ExpressionKeywords)
        if (Word == QLatin1String(Keyword))
            return true;
    return false;
}

// Walks a script once, token by token as far as strings, comments and
// regular expressions need, and reports the strings that are file links.
class TScriptScanner {
public:
    TScriptScanner(QStringView Script, const std::function<void(const TScriptLink&)>& OnLink)
        : S(Script)
        , N(Script.size())
        , OnLink(OnLink)
    {
    }

    void Run();

private:
    // What stands before the current position, which tells whether a slash
    // divides or starts a regular expression.
    enum class TBefore { Operator, Operand, Word };

    QStringView S;
    qsizetype N;
    const std::function<void(const TScriptLink&)>& OnLink;
    qsizetype I = 0;
    TBefore Before = TBefore::Operator;
    QStringView LastWord;
    qsizetype BraceDepth = 0;
    // BraceDepth at each ${ still open; its } continues the template.
    std::vector<qsizetype> TemplateDepths;
    // A regular expression failed to close before this position: slashes up
    // to here divide, so no line is searched twice.
    qsizetype NoRegexBefore = 0;

    void Report(qsizetype Start, qsizetype End)
    {
        if (IsFileLink(S.mid(Start, End - Start)))
            OnLink({ Start, End });
    }

    void SkipLine(qsizetype From)
    {
        I = From;
        while (I < N && !IsLineEnd(S[I]))
            ++I;
    }

    bool SlashStartsRegex() const
    {
        if (I < NoRegexBefore)
            return false;
        switch (Before) {
        case TBefore::Operator:
            return true;
        case TBefore::Word:
            return IsExpressionKeyword(LastWord);
        case TBefore::Operand:
            break;
        }
        return false;
    }

    void ScanQuoted();
    bool ScanTemplate(qsizetype From, bool Head);
    bool SkipRegex();
    bool ScanSlash();
};

// A "" or '' string from I; one left open ends at the line end.
void TScriptScanner::ScanQuoted()
{
    const QChar Quote = S[I];
    const qsizetype Start = I + 1;
    bool Escaped = false;
    qsizetype J = Start;
    for (; J < N; ++J) {
        const QChar C = S[J];
        if (C == Quote) {
            if (!Escaped)
                Report(Start, J);
            ++J;
            break;
        }
        if (C == u'\n' || C == u'\r')
            break;
        if (C == u'\\') {
            Escaped = true;
            ++J; // an escaped line end continues the string
            if (J + 1 < N && S[J] == u'\r' && S[J + 1] == u'\n')
                ++J;
        }
    }
    I = qMin(J, N);
    Before = TBefore::Operand;
}

// One piece of a template from From, after its ` (Head) or after the } of a
// substitution. False when the template is left open.
bool TScriptScanner::ScanTemplate(qsizetype From, bool Head)
{
    bool Escaped = false;
    for (qsizetype J = From; J < N; ++J) {
        const QChar C = S[J];
        if (C == u'`') {
            if (Head && !Escaped)
                Report(From, J);
            I = J + 1;
            Before = TBefore::Operand;
            return true;
        }
        if (C == u'$' && J + 1 < N && S[J + 1] == u'{') {
            TemplateDepths.push_back(BraceDepth);
            I = J + 2;
            Before = TBefore::Operator;
            return true;
        }
        if (C == u'\\') {
            Escaped = true;
            ++J;
        }
    }
    return false;
}

// Moves past the regular expression at I and its flags; false when it does
// not close on its line.
bool TScriptScanner::SkipRegex()
{
    bool InClass = false;
    for (qsizetype J = I + 1; J < N; ++J) {
        const QChar C = S[J];
        if (IsLineEnd(C)) {
            NoRegexBefore = J;
            return false;
        }
        if (C == u'\\') {
            if (J + 1 < N && !IsLineEnd(S[J + 1]))
                ++J;
        } else if (C == u'[') {
            InClass = true;
        } else if (C == u']') {
            InClass = false;
        } else if (C == u'/' && !InClass) {
            I = J + 1;
            while (I < N && IsWordChar(S[I]))
                ++I;
            return true;
        }
    }
    NoRegexBefore = N;
    return false;
}

// A comment, regular expression or division at I. False when a block comment
// is left open.
bool TScriptScanner::ScanSlash()
{
    const QChar Next = I + 1 < N ? S[I + 1] : QChar();
    if (Next == u'/') {
        SkipLine(I + 2);
    } else if (Next == u'*') {
        const qsizetype Close = S.indexOf(u"*/", I + 2);
        if (Close < 0)
            return false;
        I = Close + 2;
    } else if (SlashStartsRegex() && SkipRegex()) {
        Before = TBefore::Operand;
    } else {
        ++I;
        Before = TBefore::Operator;
    }
    return true;
}

void TScriptScanner::Run()
{
    while (I < N) {
        const QChar C = S[I];
        if (IsWordChar(C)) {
            const qsizetype Start = I;
            while (++I < N && IsWordChar(S[I])) { }
            LastWord = S.mid(Start, I - Start);
            Before = TBefore::Word;
        } else if (C == u'"' || C == u'\'') {
            ScanQuoted();
        } else if (C == u'`') {
            if (!ScanTemplate(I + 1, true))
                return;
        } else if (C == u'/') {
            if (!ScanSlash())
                return;
        } else if (C == u'<' && S.mid(I).startsWith(u"<!--")) {
            SkipLine(I + 4); // the old way of hiding a script is a line comment
        } else if (C == u'}' && !TemplateDepths.empty() && TemplateDepths.back() == BraceDepth) {
            TemplateDepths.pop_back();
            if (!ScanTemplate(I + 1, false))
                return;
        } else {
            if (C == u'{')
                ++BraceDepth;
            else if (C == u'}' && BraceDepth > 0)
                --BraceDepth;
            if (C == u')' || C == u']' || ((C == u'+' || C == u'-') && I > 0 && S[I - 1] == C))
                Before = TBefore::Operand; // "a++ / 2" divides
            else if (!C.isSpace())
                Before = TBefore::Operator;
            ++I;
        }
    }
}

} // namespace

void ScanScriptLinks(QStringView S, const std::function<void(const TScriptLink&)>& OnLink)
{
    TScriptScanner(S, OnLink).Run();
}

QStringList ScriptLinkTexts(QStringView S)
{
    QStringList Texts;
    ScanScriptLinks(
        S, [&](const TScriptLink& Link) { Texts << S.mid(Link.Start, Link.End - Link.Start).toString(); });
    return Texts;
}
