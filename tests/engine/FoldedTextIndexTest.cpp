#include "engine/FoldedTextIndex.h"

#include <gtest/gtest.h>

TEST(FoldedTextIndex, FindsEveryLineUnderAnyAsciiCaseAndLength)
{
    TStringList Lines;
    TFoldedTextIndex Index(Lines);
    const QString Alphabet = "aZ09-_/?Q";
    for (int Length = 0; Length <= 13; ++Length) {
        QString Text;
        for (int K = 0; K < Length; ++K)
            Text += Alphabet[(Length + K * 7) % Alphabet.size()];
        Index.Add(Lines.Add(Text));
    }
    for (int I = 0; I < Lines.Count(); ++I) {
        EXPECT_EQ(Index.Find(Lines[I].toUpper()), I) << I;
        EXPECT_EQ(Index.Find(Lines[I].toLower()), I) << I;
        EXPECT_EQ(Index.Find(Lines[I] + "x"), -1) << I;
    }
}

TEST(FoldedTextIndex, FoldsOnlyTheAsciiLetters)
{
    TStringList Lines;
    TFoldedTextIndex Index(Lines);
    // Code units whose low bits look like "A" or "[" must not fold.
    const QString Texts[] = { "A", "\u8041", "\u8061", "[", "{", "@", "`", "\u00c4", "\u00e4" };
    for (const QString& Text : Texts)
        Index.Add(Lines.Add(Text));
    EXPECT_EQ(Index.Find("a"), 0);
    for (int I = 1; I < Lines.Count(); ++I)
        EXPECT_EQ(Index.Find(Texts[I]), I) << I;
    EXPECT_EQ(
        TFoldedTextIndex::FoldedHash(u"HTTP://Host/Path"), TFoldedTextIndex::FoldedHash(u"http://host/path"));
}
