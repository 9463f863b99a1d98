#pragma once

#include "engine/page/PerlRegEx.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

// The accept and reject patterns of a project, compiled once for its run.
// A pattern that does not compile is reported to Log and left out; so is
// an empty one, which would match every URL anyway.
class TURLFilters {
public:
    TURLFilters(
        const QStringList& Accept, const QStringList& Reject, const std::function<void(const QString&)>& Log);

    bool Empty() const { return FAccept.empty() && FReject.empty(); }
    // True when URL matches no reject pattern and, when there are accept
    // patterns, one of them.
    bool Admits(const QString& URL);

private:
    using TPatterns = std::vector<std::unique_ptr<TPerlRegEx>>;
    static TPatterns Compiled(
        const QStringList& Patterns, const QString& Kind, const std::function<void(const QString&)>& Log);
    static bool AnyMatches(TPatterns& Patterns, const QString& URL);

    TPatterns FAccept;
    TPatterns FReject;
};
