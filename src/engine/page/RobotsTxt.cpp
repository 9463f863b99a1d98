#include "engine/page/RobotsTxt.h"

#include <QStringList>
#include <cmath>

namespace {

struct TGroup {
    QStringList Agents; // product tokens, lower case
    std::vector<std::pair<QByteArray, bool>> Rules; // pattern, and whether it allows
    std::optional<double> CrawlDelay;
};

bool IsUnreserved(char C)
{
    return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') || C == '-' || C == '.'
        || C == '_' || C == '~';
}

int HexValue(char C)
{
    if (C >= '0' && C <= '9')
        return C - '0';
    if (C >= 'A' && C <= 'F')
        return C - 'A' + 10;
    if (C >= 'a' && C <= 'f')
        return C - 'a' + 10;
    return -1;
}

void AppendEscape(QByteArray& Out, unsigned char C)
{
    static const char Digits[] = "0123456789ABCDEF";
    Out += '%';
    Out += Digits[C >> 4];
    Out += Digits[C & 15];
}

// Paths and patterns in one spelling, so that "%7e", "%7E" and "~" match:
// escapes of unreserved characters decoded, other escapes in upper case,
// and bytes that a URL never carries as they are escaped.
QByteArray NormalizedPath(const QString& Text)
{
    const QByteArray Bytes = Text.toUtf8();
    QByteArray Out;
    Out.reserve(Bytes.size());
    for (qsizetype I = 0; I < Bytes.size(); ++I) {
        const unsigned char C = static_cast<unsigned char>(Bytes[I]);
        if (C == '%' && I + 2 < Bytes.size() && HexValue(Bytes[I + 1]) >= 0 && HexValue(Bytes[I + 2]) >= 0) {
            const char Decoded = char(HexValue(Bytes[I + 1]) * 16 + HexValue(Bytes[I + 2]));
            if (IsUnreserved(Decoded))
                Out += Decoded;
            else
                AppendEscape(Out, static_cast<unsigned char>(Decoded));
            I += 2;
        } else if (C <= ' ' || C >= 0x7F) {
            AppendEscape(Out, C);
        } else {
            Out += char(C);
        }
    }
    return Out;
}

// Whether Pattern matches the start of Path (all of it with a final "$");
// "*" stands for any run of bytes.
bool PatternMatches(QByteArray Pattern, const QByteArray& Path)
{
    const bool Anchored = Pattern.endsWith('$');
    if (Anchored)
        Pattern.chop(1);
    qsizetype P = 0;
    qsizetype S = 0;
    qsizetype StarP = -1; // the last "*" passed, to widen on a mismatch
    qsizetype StarS = 0;
    while (S < Path.size()) {
        if (P < Pattern.size() && Pattern[P] == '*') {
            StarP = P++;
            StarS = S;
        } else if (P == Pattern.size() && !Anchored) {
            return true;
        } else if (P < Pattern.size() && Pattern[P] == Path[S]) {
            ++P;
            ++S;
        } else if (StarP >= 0) {
            P = StarP + 1;
            S = ++StarS;
        } else {
            return false;
        }
    }
    while (P < Pattern.size() && Pattern[P] == '*')
        ++P;
    return P == Pattern.size();
}

QString AgentToken(const QString& Value)
{
    return ProductTokenOf(Value).toLower();
}

std::vector<TGroup> ParseGroups(QByteArray Text)
{
    if (Text.startsWith("\xEF\xBB\xBF"))
        Text.remove(0, 3);
    std::vector<TGroup> Groups;
    bool AfterAgent = false; // the lines so far name the group's agents
    for (const QByteArray& RawLine : Text.split('\n')) {
        QByteArray Line = RawLine;
        if (const qsizetype Hash = Line.indexOf('#'); Hash >= 0)
            Line.truncate(Hash);
        const qsizetype Colon = Line.indexOf(':');
        if (Colon < 0)
            continue;
        const QByteArray Field = Line.left(Colon).trimmed().toLower();
        const QString Value = QString::fromUtf8(Line.mid(Colon + 1).trimmed());
        if (Field == "user-agent") {
            if (!AfterAgent)
                Groups.emplace_back();
            AfterAgent = true;
            Groups.back().Agents << AgentToken(Value);
            continue;
        }
        const bool Allow = Field == "allow";
        if (!Allow && Field != "disallow" && Field != "crawl-delay")
            continue; // sitemaps and fields of other crawlers
        AfterAgent = false;
        if (Groups.empty())
            continue; // a rule before any User-agent belongs to no group
        TGroup& Group = Groups.back();
        if (Field == "crawl-delay") {
            bool Ok = false;
            const double Seconds = Value.toDouble(&Ok);
            if (Ok && std::isfinite(Seconds) && Seconds >= 0 && !Group.CrawlDelay)
                Group.CrawlDelay = Seconds;
        } else if (!Value.isEmpty()) {
            const bool Rooted = Value.startsWith(QLatin1Char('/')) || Value.startsWith(QLatin1Char('*'));
            Group.Rules.emplace_back(NormalizedPath(Rooted ? Value : QLatin1Char('/') + Value), Allow);
        }
    }
    return Groups;
}

// The agent token of Groups that names most of Ours; "*" when none does.
QString ChosenAgent(const std::vector<TGroup>& Groups, const QString& Ours)
{
    QString Best = QStringLiteral("*");
    for (const TGroup& Group : Groups)
        for (const QString& Agent : Group.Agents)
            if (!Agent.isEmpty() && Agent != QLatin1String("*") && Ours.contains(Agent)
                && (Best == QLatin1String("*") || Agent.size() > Best.size()))
                Best = Agent;
    return Best;
}

} // namespace

QString ProductTokenOf(const QString& UserAgent)
{
    const QString Trimmed = UserAgent.trimmed();
    qsizetype End = 0;
    while (End < Trimmed.size() && Trimmed[End] != QLatin1Char('/') && !Trimmed[End].isSpace())
        ++End;
    return Trimmed.left(End);
}

TRobotsTxt::TRobotsTxt(const QByteArray& Text, const QString& UserAgent)
{
    const std::vector<TGroup> Groups = ParseGroups(Text);
    const QString Agent = ChosenAgent(Groups, AgentToken(UserAgent));
    for (const TGroup& Group : Groups) {
        if (!Group.Agents.contains(Agent))
            continue;
        for (const auto& [Pattern, Allow] : Group.Rules)
            FRules.push_back({ Pattern, Allow });
        if (!FCrawlDelay)
            FCrawlDelay = Group.CrawlDelay;
    }
}

bool TRobotsTxt::Allows(const QString& PathAndQuery) const
{
    const QByteArray Path = NormalizedPath(PathAndQuery);
    const TRule* Decides = nullptr;
    for (const TRule& Rule : FRules)
        if (PatternMatches(Rule.Pattern, Path)
            && (!Decides || Rule.Pattern.size() > Decides->Pattern.size()
                || (Rule.Pattern.size() == Decides->Pattern.size() && Rule.Allow)))
            Decides = &Rule;
    return !Decides || Decides->Allow;
}
