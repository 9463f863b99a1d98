#include "http/ReplyData.h"

const QByteArray* TReplyData::Header(const QByteArray& Name) const
{
    for (const auto& Header : Headers)
        if (Header.first.compare(Name, Qt::CaseInsensitive) == 0)
            return &Header.second;
    return nullptr;
}

QList<QByteArray> TReplyData::AllHeaders(const QByteArray& Name) const
{
    QList<QByteArray> Values;
    for (const auto& Header : Headers)
        if (Header.first.compare(Name, Qt::CaseInsensitive) == 0)
            Values.append(Header.second);
    return Values;
}
