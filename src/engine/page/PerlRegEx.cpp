#include "engine/page/PerlRegEx.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

namespace {

// Room for the JIT matcher's backtracking before a match fails with an error.
constexpr size_t JitStackStart = 32 * 1024;
constexpr size_t JitStackMax = 1024 * 1024;

QString PCRE2Message(int ErrorCode)
{
    PCRE2_UCHAR Buffer[256];
    const int Length = pcre2_get_error_message(ErrorCode, Buffer, sizeof(Buffer) / sizeof(Buffer[0]));
    if (Length < 0)
        return QStringLiteral("PCRE2 error %1").arg(ErrorCode);
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(Buffer), Length);
}

PCRE2_SPTR AsPCRE2Text(const QString& Text)
{
    return reinterpret_cast<PCRE2_SPTR>(Text.utf16());
}

} // namespace

struct TPerlRegEx::TCompiled {
    pcre2_code* Code = nullptr;
    pcre2_match_data* MatchData = nullptr;
    pcre2_match_context* MatchContext = nullptr;
    pcre2_jit_stack* JitStack = nullptr;

    TCompiled() = default;
    TCompiled(const TCompiled&) = delete;
    TCompiled& operator=(const TCompiled&) = delete;
    ~TCompiled()
    {
        pcre2_jit_stack_free(JitStack);
        pcre2_match_context_free(MatchContext);
        pcre2_match_data_free(MatchData);
        pcre2_code_free(Code);
    }
};

TPerlRegEx::TPerlRegEx() = default;
TPerlRegEx::~TPerlRegEx() = default;

void TPerlRegEx::SetCaseLess(bool Value)
{
    if (Value == FCaseLess)
        return;
    FCaseLess = Value;
    FCompiled.reset();
    ForgetMatch();
}

void TPerlRegEx::SetRegEx(const QString& Value)
{
    FRegEx = Value;
    FCompiled.reset();
    ForgetMatch();
}

bool TPerlRegEx::Compiled() const
{
    return FCompiled != nullptr;
}

void TPerlRegEx::Compile()
{
    if (FRegEx.isEmpty())
        throw ERegularExpressionError(QStringLiteral("A regular expression specified in RegEx is required"));

    std::unique_ptr<pcre2_compile_context, void (*)(pcre2_compile_context*)> Context(
        pcre2_compile_context_create(nullptr), pcre2_compile_context_free);
    pcre2_set_newline(Context.get(), PCRE2_NEWLINE_ANY);
    // Invalid UTF-16 in a subject (a lone surrogate) never matches instead of
    // failing the whole match.
    uint32_t Options = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF;
    if (FCaseLess)
        Options |= PCRE2_CASELESS;

    int ErrorCode = 0;
    PCRE2_SIZE ErrorOffset = 0;
    auto Result = std::make_unique<TCompiled>();
    Result->Code
        = pcre2_compile(AsPCRE2Text(FRegEx), FRegEx.size(), Options, &ErrorCode, &ErrorOffset, Context.get());
    if (!Result->Code) {
        const auto Offset = static_cast<qsizetype>(ErrorOffset);
        throw ERegularExpressionError(QStringLiteral("Error in regular expression at offset %1: %2")
                                          .arg(Offset)
                                          .arg(PCRE2Message(ErrorCode)),
            Offset);
    }
    Result->MatchData = pcre2_match_data_create_from_pattern(Result->Code, nullptr);
    Result->MatchContext = pcre2_match_context_create(nullptr);
    if (!Result->MatchData || !Result->MatchContext)
        throw std::bad_alloc();
    // Without JIT support the interpreter runs; both honour the match limit.
    if (pcre2_jit_compile(Result->Code, PCRE2_JIT_COMPLETE) == 0) {
        Result->JitStack = pcre2_jit_stack_create(JitStackStart, JitStackMax, nullptr);
        if (Result->JitStack)
            pcre2_jit_stack_assign(Result->MatchContext, nullptr, Result->JitStack);
    }
    FCompiled = std::move(Result);
    ForgetMatch();
}

void TPerlRegEx::SetSubject(const QString& Value)
{
    FSubject = Value;
    ForgetMatch();
}

bool TPerlRegEx::Match()
{
    return MatchFrom(0);
}

bool TPerlRegEx::MatchAgain()
{
    if (!FoundMatch())
        return false;
    qsizetype Next = MatchedOffset() - 1 + MatchedLength();
    if (MatchedLength() == 0) {
        // One character further; a surrogate pair is one character to PCRE2.
        const bool PairStartsHere = Next + 1 < FSubject.size() && FSubject.at(Next).isHighSurrogate()
            && FSubject.at(Next + 1).isLowSurrogate();
        Next += PairStartsHere ? 2 : 1;
    }
    return MatchFrom(Next);
}

bool TPerlRegEx::MatchFrom(qsizetype StartIndex)
{
    ForgetMatch();
    if (!FCompiled)
        Compile();
    if (StartIndex > FSubject.size())
        return false;
    const int Result = pcre2_match(FCompiled->Code, AsPCRE2Text(FSubject), FSubject.size(), StartIndex, 0,
        FCompiled->MatchData, FCompiled->MatchContext);
    if (Result == PCRE2_ERROR_NOMATCH)
        return false;
    if (Result < 0)
        throw ERegularExpressionError(
            QStringLiteral("Error matching regular expression: %1").arg(PCRE2Message(Result)));
    // The match data is sized for every group, so Result is never 0 here.
    FGroupCount = Result;
    return true;
}

QString TPerlRegEx::Group(int Index) const
{
    if (Index < 0 || Index >= FGroupCount)
        return QString();
    const PCRE2_SIZE* Vector = pcre2_get_ovector_pointer(FCompiled->MatchData);
    const PCRE2_SIZE Start = Vector[2 * Index];
    if (Start == PCRE2_UNSET)
        return QString();
    return FSubject.mid(static_cast<qsizetype>(Start), static_cast<qsizetype>(Vector[2 * Index + 1] - Start));
}

qsizetype TPerlRegEx::MatchedOffset() const
{
    if (!FoundMatch())
        return 0;
    return static_cast<qsizetype>(pcre2_get_ovector_pointer(FCompiled->MatchData)[0]) + 1;
}

qsizetype TPerlRegEx::MatchedLength() const
{
    if (!FoundMatch())
        return 0;
    const PCRE2_SIZE* Vector = pcre2_get_ovector_pointer(FCompiled->MatchData);
    return static_cast<qsizetype>(Vector[1] - Vector[0]);
}
