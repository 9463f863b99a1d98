#pragma once

#include "http/BodyDecoder.h"

// Bounds on one request, whatever the server sends.

// Body bytes a reply may bring, as received and again after decoding.
constexpr qint64 DefaultMaxBodySize = MaxDecodedBodySize;

// Time from the start of a request to its end. A reply that trickles a byte
// now and then never trips the read time-out; this bound ends it.
constexpr int DefaultRequestTimeLimitMs = 15 * 60 * 1000;
