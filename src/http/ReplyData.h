#pragma once

#include "http/SentCookies.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

// How much of a body is kept for charset declarations.
constexpr qsizetype BodyHeadLimit = 64 * 1024;

// The last reply as received: status, raw headers and the start of the body.
struct TReplyData {
    int Code = 0;
    QString StatusLine;
    std::vector<std::pair<QByteArray, QByteArray>> Headers;
    // The first bytes of the body as it arrived, for charset declarations.
    QByteArray BodyHead;
    // The body of a reply that is not a success.
    QByteArray ErrorBody;
    // With SetRecordSentCookies, once the request went out: the jar's
    // cookies for its host at that moment (SetByReply left empty).
    std::optional<TSentCookies> SentCookies;

    bool IsSuccess() const { return Code >= 200 && Code <= 299; }
    // The first header of that name (ignoring case); nullptr when absent.
    const QByteArray* Header(const QByteArray& Name) const;
    // Every header of that name, in order.
    QList<QByteArray> AllHeaders(const QByteArray& Name) const;
};
