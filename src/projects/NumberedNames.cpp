#include "NumberedNames.h"

#include "containers/VHashedStringList.h"

#include <algorithm>
#include <limits>

static bool IsDigit(QChar C)
{
    return C >= u'0' && C <= u'9';
}

TNumberedNames::TNumberedNames(const TStrings& Lines)
    : FCaseSensitive(Lines.CaseSensitive())
{
    for (int I = 0; I < Lines.Count(); ++I) {
        const QString& Line = Lines.Strings(I);
        const qsizetype NameLength = Line.indexOf(Lines.NameValueSeparator());
        qsizetype End = NameLength;
        while (End > 0 && !IsDigit(Line[End - 1]))
            --End;
        qsizetype Start = End;
        while (Start > 0 && IsDigit(Line[Start - 1]))
            --Start;
        if (Start == End || Line[Start] == u'0' || End - Start > 10)
            continue;
        const qint64 Number = QStringView(Line).mid(Start, End - Start).toLongLong();
        if (Number > std::numeric_limits<int>::max())
            continue;
        FNumbers[Pattern(Line.left(Start), Line.mid(End, NameLength - End))].push_back(
            static_cast<int>(Number));
    }
    for (std::vector<int>& List : FNumbers) {
        std::sort(List.begin(), List.end());
        List.erase(std::unique(List.begin(), List.end()), List.end());
    }
}

QString TNumberedNames::Pattern(const QString& Before, const QString& After) const
{
    const QString Name = Before + u'#' + After;
    return FCaseSensitive ? Name : UpperCaseKey(Name);
}

std::vector<int> TNumberedNames::Numbers(const QString& Before, const QString& After, int Limit) const
{
    const auto Found = FNumbers.constFind(Pattern(Before, After));
    if (Found == FNumbers.constEnd())
        return {};
    return std::vector<int>(Found->begin(), std::upper_bound(Found->begin(), Found->end(), Limit));
}
