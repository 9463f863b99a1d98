#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// What the tester shows for one rule over a sample text: the memo lines and,
// when the test got through, the sample with every replacement applied.
struct TReplaceRuleTestResult {
    QStringList Lines;
    std::optional<QString> Result;
};

// Runs the rule over the subject exactly as a run applies it to a page,
// listing every match, its replacement and its groups. Failures become the
// last memo line and leave Result unset.
TReplaceRuleTestResult RunReplaceRuleTest(
    const QString& Pattern, const QString& Rule, const QString& Subject);
