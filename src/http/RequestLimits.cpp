#include "http/RequestLimits.h"

#include "http/HTTPErrors.h"

std::exception_ptr BodySizeFailure(qint64 Size, qint64 Limit)
{
    if (Size <= Limit)
        return nullptr;
    return std::make_exception_ptr(
        EResponseLimitError(QStringLiteral("The body exceeds the limit of %1 bytes").arg(Limit)));
}

std::exception_ptr ReplyHeaderFailure()
{
    return std::make_exception_ptr(EResponseLimitError(QStringLiteral("Reply header too large")));
}
