// Replace rules with fuzzed patterns and templates walked over fuzzed text.
#include "FuzzInput.h"
#include "containers/Exception.h"
#include "engine/page/uRegExExtract.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    FuzzInput In(Data, Size);
    TStringList Patterns, Rules;
    const int RuleCount = In.TakeByte() % 3 + 1;
    for (int I = 0; I < RuleCount; ++I) {
        Patterns.Add(In.TakeField());
        Rules.Add(In.TakeField());
    }
    const QString Subject = In.TakeRest();
    try {
        TReplaceRuleSet RuleSet(Patterns, Rules);
        RuleSet.Apply(Subject);
    } catch (const Exception&) {
        // Patterns that do not compile or exceed the match limit are refused.
    }
    return 0;
}
