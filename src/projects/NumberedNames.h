#pragma once

#include "containers/StringList.h"

#include <QHash>
#include <QString>
#include <vector>

// The numbers that stand in the names of a list's name=value lines, found in
// one pass, so that reading numbered entries visits only the numbers that
// occur instead of trusting a stored count. A name's number is its last run
// of decimal digits (without leading zeros); "Pages12" is number 12 of the
// pattern "Pages" + "#" + "".
class TNumberedNames {
public:
    explicit TNumberedNames(const TStrings& Lines);

    // The numbers from 1 to Limit, ascending, of the names Before + number +
    // After, compared by the list's case rule.
    std::vector<int> Numbers(const QString& Before, const QString& After, int Limit) const;

private:
    QString Pattern(const QString& Before, const QString& After) const;

    bool FCaseSensitive;
    QHash<QString, std::vector<int>> FNumbers; // by pattern; sorted, unique
};
