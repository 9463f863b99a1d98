#pragma once

#include <QString>
#include <QStringView>
#include <vector>

// Finds entries by their text, ignoring ASCII case, in constant time. It
// holds only hashes and entry numbers (open addressing); the owner keeps the
// texts and tells whether an entry's text is the one looked for.
class TFoldedTextIndex {
public:
    // The entry indexed under Text for which IsText(Index) is true, or -1.
    template <class TIsText> int Find(QStringView Text, TIsText&& IsText) const
    {
        if (FSlots.empty())
            return -1;
        const quint32 Hash = FoldedHash(Text);
        const size_t Mask = FSlots.size() - 1;
        for (size_t At = Hash & Mask;; At = (At + 1) & Mask) {
            const Slot& S = FSlots[At];
            if (S.Index < 0)
                return -1;
            if (S.Hash == Hash && IsText(int(S.Index)))
                return S.Index;
        }
    }
    // Indexes entry Index under Text, which no entry has yet.
    void Add(int Index, QStringView Text);

    static quint32 FoldedHash(QStringView Text);

private:
    struct Slot {
        quint32 Hash = 0;
        qint32 Index = -1; // -1: empty
    };

    void Insert(quint32 Hash, int Index);

    std::vector<Slot> FSlots;
    int FCount = 0;
};
