#pragma once

#include <exception>

// Whether a failed attempt at a URL is worth another one: a client error
// (400-499 but 408 and 429) or a reply past a size bound would only come
// back the same.
bool IsRetryableFailure(const std::exception& E);
