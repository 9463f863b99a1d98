#pragma once

#include "containers/StringList.h"

#include <QString>
#include <QStringView>
#include <vector>

// Finds lines of a string list by their text, ignoring ASCII case, in
// constant time. It holds only hashes and line numbers (open addressing);
// the texts stay in the list, which must not change an indexed line.
class TFoldedTextIndex {
public:
    explicit TFoldedTextIndex(const TStringList& Lines)
        : FLines(Lines)
    {
    }

    // The line number of Text, or -1.
    int Find(const QString& Text) const;
    // Indexes line Index of the list; its text must not be indexed yet.
    void Add(int Index);

    static quint32 FoldedHash(QStringView Text);

private:
    struct Slot {
        quint32 Hash = 0;
        qint32 Index = -1; // -1: empty
    };

    void Insert(quint32 Hash, int Index);

    const TStringList& FLines;
    std::vector<Slot> FSlots;
    int FCount = 0;
};
