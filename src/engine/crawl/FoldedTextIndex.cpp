#include "engine/crawl/FoldedTextIndex.h"

#include <cstring>

namespace {

constexpr quint64 LaneMask = 0x7FFF7FFF7FFF7FFFULL;
constexpr quint64 LaneHighBits = 0x8000800080008000ULL;

// Four UTF-16 units in one word with A to Z folded: a lane below 0x8000 is
// an upper-case ASCII letter when adding 0x8000 - 'A' sets its top bit and
// adding 0x8000 - ('Z' + 1) does not; bit 5 then makes it lower case.
quint64 FoldWord(quint64 Word)
{
    const quint64 Low = Word & LaneMask;
    const quint64 AtLeastA = Low + 0x7FBF7FBF7FBF7FBFULL;
    const quint64 AboveZ = Low + 0x7FA57FA57FA57FA5ULL;
    const quint64 Upper = AtLeastA & ~AboveZ & ~Word & LaneHighBits;
    return Word | (Upper >> 10);
}

quint64 Mix(quint64 Hash, quint64 Word)
{
    Hash = (Hash ^ Word) * 0x9E3779B97F4A7C15ULL;
    return Hash ^ (Hash >> 29);
}

} // namespace

quint32 TFoldedTextIndex::FoldedHash(QStringView Text)
{
    const char16_t* Units = Text.utf16();
    const qsizetype Size = Text.size();
    quint64 Hash = quint64(Size);
    qsizetype I = 0;
    for (; I + 4 <= Size; I += 4) {
        quint64 Word;
        std::memcpy(&Word, Units + I, sizeof Word);
        Hash = Mix(Hash, FoldWord(Word));
    }
    if (I < Size) {
        quint64 Word = 0;
        std::memcpy(&Word, Units + I, size_t(Size - I) * sizeof(char16_t));
        Hash = Mix(Hash, FoldWord(Word));
    }
    return quint32(Hash ^ (Hash >> 32));
}

void TFoldedTextIndex::Add(int Index, QStringView Text)
{
    // At most half the slots are used, so probe runs stay short.
    if (size_t(FCount + 1) * 2 > FSlots.size()) {
        std::vector<Slot> Old(FSlots.empty() ? 16 : FSlots.size() * 2);
        Old.swap(FSlots);
        for (const Slot& S : Old)
            if (S.Index >= 0)
                Insert(S.Hash, S.Index);
    }
    Insert(FoldedHash(Text), Index);
    ++FCount;
}

void TFoldedTextIndex::Insert(quint32 Hash, int Index)
{
    const size_t Mask = FSlots.size() - 1;
    size_t At = Hash & Mask;
    while (FSlots[At].Index >= 0)
        At = (At + 1) & Mask;
    FSlots[At] = Slot { Hash, Index };
}
