// Replace rules with fuzzed patterns and templates walked over fuzzed text.
#include "FuzzInput.h"
#include "containers/Exception.h"
#include "engine/page/uRegExExtract.h"

#include <utility>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    FuzzInput In(Data, Size);
    std::vector<std::pair<QString, QString>> Rules;
    const int RuleCount = In.TakeByte() % 3 + 1;
    for (int I = 0; I < RuleCount; ++I) {
        const QString Pattern = In.TakeField();
        Rules.emplace_back(Pattern, In.TakeField());
    }
    const QString Subject = In.TakeRest();
    try {
        TReplaceRuleSet RuleSet;
        for (const auto& [Pattern, Template] : Rules)
            RuleSet.Add(Pattern, Template);
        RuleSet.Apply(Subject);
    } catch (const Exception&) {
        // Patterns that do not compile or exceed the match limit are refused.
    }
    return 0;
}
