#pragma once

#include "containers/Exception.h"

#include <QString>
#include <memory>

// A regular expression that failed to compile or to match. ErrorOffset is the
// 0-based position in the pattern that the compiler complained about, or -1.
class ERegularExpressionError : public Exception {
public:
    explicit ERegularExpressionError(const QString& message, qsizetype errorOffset = -1)
        : Exception(message)
        , FErrorOffset(errorOffset)
    {
    }

    QString ClassName() const override { return QStringLiteral("ERegularExpressionError"); }
    qsizetype ErrorOffset() const { return FErrorOffset; }

private:
    qsizetype FErrorOffset;
};

// A thin wrapper over PCRE2 working on UTF-16 text. Patterns are compiled as
// UTF with any line-break sequence as a newline; matching ignores case when
// CaseLess is set. Positions are 1-based character (UTF-16 code unit) counts.
class TPerlRegEx {
public:
    TPerlRegEx();
    ~TPerlRegEx();
    TPerlRegEx(const TPerlRegEx&) = delete;
    TPerlRegEx& operator=(const TPerlRegEx&) = delete;

    void SetCaseLess(bool Value);

    void SetRegEx(const QString& Value);

    // Raises ERegularExpressionError for an empty pattern or one that does
    // not compile; Match compiles on demand.
    void Compile();
    bool Compiled() const;

    void SetSubject(const QString& Value);

    // First match in the subject; false when there is none. A failure while
    // matching (such as PCRE2's match limit) raises ERegularExpressionError.
    bool Match();
    // Next match, searched from the end of the current one, or one character
    // further when the current match is empty.
    bool MatchAgain();
    bool FoundMatch() const { return FGroupCount > 0; }

    // One more than the highest group that took part in the current match
    // (group 0 counts), 0 without a current match.
    int GroupCount() const { return FGroupCount; }
    // Text of group Index; empty when the group did not take part.
    QString Group(int Index) const;
    QString MatchedText() const { return Group(0); }
    // 1-based start and length of group 0.
    qsizetype MatchedOffset() const;
    qsizetype MatchedLength() const;

private:
    struct TCompiled;

    bool MatchFrom(qsizetype StartIndex);
    void ForgetMatch() { FGroupCount = 0; }

    bool FCaseLess = false;
    QString FRegEx;
    QString FSubject;
    std::unique_ptr<TCompiled> FCompiled;
    int FGroupCount = 0;
};
