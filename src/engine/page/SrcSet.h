#pragma once

#include <QString>
#include <QStringView>

#include <functional>

// Calls OnURL with the characters [Start, End) of each candidate URL of the
// srcset value S, in order; descriptors are not part of them. A URL may
// hold commas except at its end.
void SplitSrcSet(QStringView S, const std::function<void(qsizetype Start, qsizetype End)>& OnURL);

// S with each candidate URL replaced by Map(URL) when that is not null.
QString RewriteSrcSet(QStringView S, const std::function<QString(const QString& URL)>& Map);
