#pragma once

#include "containers/Object.h"
#include "containers/StringList.h"
#include "engine/page/PerlRegEx.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

// A replacement template: "$" followed by a group number stands for the text
// of that group of the current match ("$0" is the whole match).
class TRegExExtractRule : public TObject {
public:
    TRegExExtractRule() = default;
    explicit TRegExExtractRule(const QString& AText)
        : FText(AText)
    {
    }

    const QString& Text() const { return FText; }

    void Assign(const TRegExExtractRule& ARule) { FText = ARule.FText; }
    void Clear() { FText.clear(); }

    // The template filled in from the current match of ARegEx, group 0 first,
    // so "$10" is group 1 followed by "0". Raises ERegularExpressionError
    // "Successful match required" without a current match.
    QString ExtractValue(const TPerlRegEx& ARegEx) const;

private:
    QString FText;
};

// Called for each match of a replacement walk with the text it is replaced by.
using TReplaceMatchEvent = std::function<void(const TPerlRegEx& ARegEx, const QString& AReplacement)>;

// ASubject with every match of ARegEx replaced by ARule's value for it. The
// next match is searched from the end of the previous one, one character
// further after an empty match. ARegEx is left on its last search.
QString ReplaceAllMatches(TPerlRegEx& ARegEx, const TRegExExtractRule& ARule, const QString& ASubject,
    const TReplaceMatchEvent& AOnMatch = {});

// A compiled pattern with the options of replace rules (caseless, UTF, any
// newline). Raises ERegularExpressionError when it does not compile.
std::unique_ptr<TPerlRegEx> CompileReplacePattern(const QString& APattern);

// A project's replace rules, compiled once per run; each rule works on the
// result of the one added before it.
class TReplaceRuleSet {
public:
    // Raises ERegularExpressionError when APattern does not compile.
    void Add(const QString& APattern, const QString& ATemplate);

    int Count() const { return static_cast<int>(FRegExes.size()); }
    QString Apply(const QString& AText);

private:
    std::vector<std::unique_ptr<TPerlRegEx>> FRegExes;
    std::vector<std::unique_ptr<TRegExExtractRule>> FRules;
};
