#include "http/URLSplit.h"

namespace {

bool IsASCIILetter(QChar C)
{
    return (C >= QLatin1Char('a') && C <= QLatin1Char('z'))
        || (C >= QLatin1Char('A') && C <= QLatin1Char('Z'));
}

bool IsSchemeChar(QChar C)
{
    return IsASCIILetter(C) || (C >= QLatin1Char('0') && C <= QLatin1Char('9')) || C == QLatin1Char('+')
        || C == QLatin1Char('-') || C == QLatin1Char('.');
}

} // namespace

int SchemeLength(const QString& AURL)
{
    if (AURL.isEmpty() || !IsASCIILetter(AURL.at(0)))
        return 0;
    int I = 1;
    while (I < AURL.size() && IsSchemeChar(AURL.at(I)))
        ++I;
    return I < AURL.size() && AURL.at(I) == QLatin1Char(':') ? I : 0;
}

bool IsAbsoluteURL(const QString& AURL)
{
    return SchemeLength(AURL) > 0;
}

TURLParts SplitURL(const QString& AURL)
{
    TURLParts Parts;
    const int SchemeEnd = SchemeLength(AURL);
    int Pos = 0;
    if (SchemeEnd > 0) {
        Parts.Scheme = AURL.left(SchemeEnd);
        Pos = SchemeEnd + 1;
    }
    const int FragmentAt = AURL.indexOf(QLatin1Char('#'), Pos);
    const int End = FragmentAt < 0 ? AURL.size() : FragmentAt;
    if (FragmentAt >= 0) {
        Parts.HasFragment = true;
        Parts.Fragment = AURL.mid(FragmentAt + 1);
    }
    const int QueryAt = AURL.indexOf(QLatin1Char('?'), Pos);
    const int PathEnd = QueryAt >= 0 && QueryAt < End ? QueryAt : End;
    if (PathEnd < End) {
        Parts.HasQuery = true;
        Parts.Query = AURL.mid(PathEnd + 1, End - PathEnd - 1);
    }
    if (AURL.mid(Pos, 2) == QLatin1String("//") && Pos + 2 <= PathEnd) {
        Parts.HasAuthority = true;
        Pos += 2;
        int AuthorityEnd = AURL.indexOf(QLatin1Char('/'), Pos);
        if (AuthorityEnd < 0 || AuthorityEnd > PathEnd)
            AuthorityEnd = PathEnd;
        Parts.Authority = AURL.mid(Pos, AuthorityEnd - Pos);
        Pos = AuthorityEnd;
    }
    Parts.Path = AURL.mid(Pos, PathEnd - Pos);
    return Parts;
}

QString TURLParts::Prefix() const
{
    QString Text;
    if (!Scheme.isEmpty())
        Text += Scheme + QLatin1Char(':');
    if (HasAuthority)
        Text += QLatin1String("//") + Authority;
    return Text + Path;
}

QString TURLParts::Join() const
{
    QString Text = Prefix();
    if (HasQuery)
        Text += QLatin1Char('?') + Query;
    if (HasFragment)
        Text += QLatin1Char('#') + Fragment;
    return Text;
}
