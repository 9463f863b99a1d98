#include "engine/crawl/FoldedTextIndex.h"
#include "engine/page/uStrUtils.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

// Texts kept beside an index of them, as the index's owner keeps them.
struct IndexedTexts {
    QStringList Lines;
    TFoldedTextIndex Index;

    void Add(const QString& Text)
    {
        Lines.append(Text);
        Index.Add(int(Lines.size() - 1), Text);
    }
    int Find(const QString& Text) const
    {
        return Index.Find(Text, [&](int I) { return SameText(Lines[I], Text); });
    }
};

} // namespace

TEST(FoldedTextIndex, FindsEveryLineUnderAnyAsciiCaseAndLength)
{
    IndexedTexts Texts;
    const QString Alphabet = "aZ09-_/?Q";
    for (int Length = 0; Length <= 13; ++Length) {
        QString Text;
        for (int K = 0; K < Length; ++K)
            Text += Alphabet[(Length + K * 7) % Alphabet.size()];
        Texts.Add(Text);
    }
    for (int I = 0; I < Texts.Lines.size(); ++I) {
        EXPECT_EQ(Texts.Find(Texts.Lines[I].toUpper()), I) << I;
        EXPECT_EQ(Texts.Find(Texts.Lines[I].toLower()), I) << I;
        EXPECT_EQ(Texts.Find(Texts.Lines[I] + "x"), -1) << I;
    }
}

TEST(FoldedTextIndex, FoldsOnlyTheAsciiLetters)
{
    IndexedTexts Indexed;
    // Code units whose low bits look like "A" or "[" must not fold.
    const QString Texts[] = { "A", "\u8041", "\u8061", "[", "{", "@", "`", "\u00c4", "\u00e4" };
    for (const QString& Text : Texts)
        Indexed.Add(Text);
    EXPECT_EQ(Indexed.Find("a"), 0);
    for (int I = 1; I < Indexed.Lines.size(); ++I)
        EXPECT_EQ(Indexed.Find(Texts[I]), I) << I;
    EXPECT_EQ(
        TFoldedTextIndex::FoldedHash(u"HTTP://Host/Path"), TFoldedTextIndex::FoldedHash(u"http://host/path"));
}
