#pragma once

#include <QtGlobal>

// Calls OnLine(Start, Length) for every line of Text, where a line ends at
// CR LF, at a lone CR or at a lone LF; a break at the very end opens no
// further line. Text is any indexable run of code units (QString, bytes).
template <typename TextType, typename Visitor> void ForEachLine(const TextType& Text, Visitor&& OnLine)
{
    const qsizetype Length = Text.size();
    qsizetype Start = 0;
    while (Start < Length) {
        qsizetype P = Start;
        while (P < Length && Text[P] != u'\r' && Text[P] != u'\n')
            ++P;
        OnLine(Start, P - Start);
        if (P < Length && Text[P] == u'\r')
            ++P;
        if (P < Length && Text[P] == u'\n')
            ++P;
        Start = P;
    }
}
