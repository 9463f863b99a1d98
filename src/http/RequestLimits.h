#pragma once

#include "http/BodyDecoder.h"

#include <exception>
#include <limits>

// Bounds on one request, whatever the server sends.

// Body bytes a reply may bring, as received and again after decoding.
constexpr qint64 DefaultMaxBodySize = MaxDecodedBodySize;
constexpr qint64 NoBodySizeLimit = std::numeric_limits<qint64>::max();
// The failure of a body that has grown to Size bytes against a bound of
// Limit (EResponseLimitError); nullptr while it is within.
std::exception_ptr BodySizeFailure(qint64 Size, qint64 Limit);

// Header bytes a reply may bring before its body (below the transport's own
// bound, so that the reason is ours).
constexpr qint64 MaxReplyHeaderBytes = 256 * 1024;
// The failure of a reply whose header went past that bound.
std::exception_ptr ReplyHeaderFailure();

// Time from the start of a request to its end. A reply that trickles a byte
// now and then never trips the read time-out; this bound ends it.
constexpr int DefaultRequestTimeLimitMs = 15 * 60 * 1000;

// A reply that brings fewer bytes a second than this over the window ends
// as a read time-out: a stalled line, not a slow one.
constexpr int LowSpeedBytesPerSecond = 100;
constexpr int LowSpeedWindowSeconds = 120;
