#include "containers/StringList.h"

#include <gtest/gtest.h>

TEST(StringList, NameValueAccessIsCaseInsensitiveByDefault)
{
    TStringList L;
    L.Add("Alpha=1");
    L.Add("plain line");
    L.Add("=empty name");
    EXPECT_EQ(L.Values("ALPHA"), "1");
    EXPECT_EQ(L.Values("plain line"), "");
    EXPECT_EQ(L.IndexOfName(""), 2);
    EXPECT_EQ(L.IndexOf("PLAIN LINE"), 1);
    EXPECT_EQ(L.Names(1), "");
    EXPECT_EQ(L.ValueFromIndex(2), "empty name");

    L.SetValues("beta", "2");
    EXPECT_EQ(L.Strings(3), "beta=2");
    L.SetValues("ALPHA", "x=y");
    EXPECT_EQ(L.Strings(0), "ALPHA=x=y");
    L.SetValues("alpha", "");
    EXPECT_EQ(L.IndexOfName("alpha"), -1);
    EXPECT_EQ(L.Count(), 3);

    L.SetCaseSensitive(true);
    EXPECT_EQ(L.IndexOf("PLAIN LINE"), -1);
}

TEST(StringList, TextSplitsAtEveryLineBreakKindAndJoinsWithCrLf)
{
    TStringList L;
    L.SetText("a\r\nb\rc\nd\r\n\r\ne");
    EXPECT_EQ(L.ToQStringList(), QStringList({ "a", "b", "c", "d", "", "e" }));
    EXPECT_EQ(L.Text(), "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n");
    L.SetText("");
    EXPECT_EQ(L.Count(), 0);
}

TEST(StringList, SortedListIgnoringDuplicatesKeepsTheFirstSpelling)
{
    TStringList L;
    L.SetSorted(true);
    L.SetDuplicates(dupIgnore);
    for (const char* S : { "Web", "mail", "web", "Apps" })
        L.Add(S);
    EXPECT_EQ(L.ToQStringList(), QStringList({ "Apps", "mail", "Web" }));
    EXPECT_THROW(L.Insert(0, "x"), EStringListError);
    L.SetDuplicates(dupError);
    EXPECT_THROW(L.Add("WEB"), EStringListError);
}

TEST(StringList, ChangeEventsFireOutsideBatchesOnly)
{
    TStringList L;
    int Events = 0;
    L.SetOnChange([&] { ++Events; });
    L.Add("a");
    L.Insert(0, "b");
    L.Move(0, 1);
    EXPECT_EQ(Events, 3);
    L.BeginUpdate();
    L.Add("c");
    L.Delete(0);
    EXPECT_EQ(Events, 3);
    L.EndUpdate();
    EXPECT_EQ(Events, 4);
}

TEST(StringList, IndexErrorsNameTheIndex)
{
    TStringList L;
    L.Add("a");
    try {
        L.Strings(5);
        FAIL();
    } catch (const EStringListError& E) {
        EXPECT_EQ(E.Message(), "List index out of bounds (5)");
    }
    EXPECT_THROW(L.Delete(-1), EStringListError);
    EXPECT_THROW(L.Insert(3, "x"), EStringListError);
    L.Insert(1, "end");
    EXPECT_EQ(L.Strings(1), "end");
}

namespace {

// Records which hooks the general list calls.
class THookRecorder : public TStringList {
public:
    int Insertions = 0;
    int Changes = 0;

protected:
    void InsertItem(int Index, const QString& S, TObject* AObject) override
    {
        ++Insertions;
        TStringList::InsertItem(Index, S, AObject);
    }
    void Changed() override
    {
        ++Changes;
        TStringList::Changed();
    }
};

} // namespace

TEST(StringList, EveryInsertionUsesTheHookAndEveryChangeNotifiesEvenInABatch)
{
    THookRecorder L;
    int Events = 0;
    L.SetOnChange([&] { ++Events; });
    L.BeginUpdate();
    L.Add("a");
    L.Insert(0, "b");
    L.SetText("c\nd\re");
    TStringList Other;
    Other.Add("f");
    L.AddStrings(Other);
    EXPECT_EQ(L.Insertions, 6);
    const int ChangesInBatch = L.Changes;
    EXPECT_GE(ChangesInBatch, 7);
    EXPECT_EQ(Events, 0);
    L.EndUpdate();
    EXPECT_EQ(Events, 1);
    L.Move(0, 1);
    L.Exchange(0, 1);
    L.Sort();
    L.SetCaseSensitive(true);
    EXPECT_EQ(L.Changes, ChangesInBatch + 5);
    EXPECT_EQ(Events, 5);
}
