#include "engine/crawl/RetryPolicy.h"

#include "http/HTTPErrors.h"

bool IsRetryableFailure(const std::exception& E)
{
    if (dynamic_cast<const EResponseLimitError*>(&E) || dynamic_cast<const ECertificateError*>(&E))
        return false;
    if (const auto* Reply = dynamic_cast<const EHTTPReplyError*>(&E)) {
        const int Code = Reply->ErrorCode();
        return Code < 400 || Code > 499 || Code == 408 || Code == 429;
    }
    return true;
}

bool TRetryBudget::AllowsAnother(const std::exception& E)
{
    if (!IsRetryableFailure(E) || FRetriesLeft <= 0)
        return false;
    if (dynamic_cast<const EReadTimeout*>(&E)) {
        if (FStallRetriesLeft <= 0)
            return false;
        --FStallRetriesLeft;
    }
    --FRetriesLeft;
    return true;
}
