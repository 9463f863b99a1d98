#include "containers/VHashedStringList.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

// Counts the live instances so that tests see which objects a list freed.
class TCounted : public TObject {
public:
    explicit TCounted(int& Live)
        : FLive(Live)
    {
        ++FLive;
    }
    ~TCounted() override { --FLive; }

private:
    int& FLive;
};

} // namespace

TEST(VStringHash, HashKeyRotatesAndFoldsEachCodeUnit)
{
    TVStringHash Hash(256);
    EXPECT_EQ(Hash.HashKey("ABC"), 0x55Bu);
    EXPECT_EQ(Hash.HashKey("ABC") % 256, 91u);
    EXPECT_EQ(Hash.HashKey(""), 0u);
    // After sixteen units a unit has turned a full circle.
    EXPECT_EQ(Hash.HashKey(QString(16, QChar(1))), 0x55555555u);
}

TEST(VStringHash, EqualKeysAreFoundNewestFirstAndDeletedByValue)
{
    TVStringHash Hash(1);
    Hash.Add("k", 1);
    Hash.Add("k", 2);
    Hash.Add("other", 3);
    EXPECT_EQ(Hash.ValueOf("k"), 2);
    EXPECT_EQ(Hash.ValueOf("K"), -1);
    EXPECT_FALSE(Hash.Delete("k", 3));
    EXPECT_TRUE(Hash.Delete("k", 2));
    EXPECT_EQ(Hash.ValueOf("k"), 1);
    Hash.DecValues(1);
    EXPECT_EQ(Hash.ValueOf("k"), 1);
    EXPECT_EQ(Hash.ValueOf("other"), 2);
    Hash.IncValues(0);
    EXPECT_EQ(Hash.ValueOf("k"), 2);
    Hash.Clear();
    EXPECT_EQ(Hash.ValueOf("other"), -1);
}

TEST(VStringHash, GrowingKeepsNewestFirstOrderOfEqualKeys)
{
    TVStringHash Hash(2);
    for (int I = 0; I < 1000; ++I) {
        Hash.Add("same", I);
        Hash.Add(QString::number(I), I);
    }
    EXPECT_GT(Hash.BucketCount(), 2u);
    for (int I = 999; I >= 990; --I) {
        EXPECT_EQ(Hash.ValueOf("same"), I);
        EXPECT_TRUE(Hash.Delete("same", I));
    }
    EXPECT_EQ(Hash.ValueOf("417"), 417);
}

TEST(VHashedStringList, LaterLineWinsAmongNamesThatDifferInCase)
{
    TVHashedStringList L(256);
    L.Add("a=1");
    L.Add("A=2");
    L.Add("=empty name");
    L.Add("no separator");
    EXPECT_EQ(L.IndexOfName("a"), 1);
    EXPECT_EQ(L.Values("a"), "2");
    EXPECT_EQ(L.IndexOfName(""), 2);
    EXPECT_EQ(L.Values(""), "empty name");
    EXPECT_EQ(L.IndexOfName("no separator"), -1);
    EXPECT_EQ(L.IndexOf("NO SEPARATOR"), 3);

    L.SetCaseSensitive(true);
    EXPECT_EQ(L.IndexOfName("a"), 0);
    EXPECT_EQ(L.IndexOf("NO SEPARATOR"), -1);
}

TEST(VHashedStringList, UpperCasingKeepsTheLengthSoValuesStartAfterTheName)
{
    // U+00DF has a two-letter upper case; per code unit it stays one unit.
    TVHashedStringList L(256);
    L.Add(QString::fromUtf8("stra\u00dfe=road"));
    EXPECT_EQ(UpperCaseKey(QString::fromUtf8("stra\u00dfe")).size(), 6);
    EXPECT_EQ(L.Values(QString::fromUtf8("STRA\u00dfE")), "road");
}

TEST(VHashedStringList, AppendsAndReplacementsKeepTheTablesValid)
{
    TVHashedStringList L(256);
    int Events = 0;
    L.SetOnChange([&] { ++Events; });
    L.SetValues("x", "1"); // general setter: empty line appended, then replaced
    EXPECT_TRUE(L.NameHashValid());
    L.SetValue("y", "2");
    L.SetValue("X", "3");
    EXPECT_TRUE(L.NameHashValid());
    EXPECT_EQ(L.Text(), "X=3\r\ny=2\r\n");
    EXPECT_EQ(L.IndexOf("y=2"), 1);
    EXPECT_TRUE(L.ValueHashValid());

    const int Before = Events;
    L.Put(1, "y=2");
    EXPECT_EQ(Events, Before);
    L.Put(1, "z=4");
    EXPECT_EQ(Events, Before + 1);
    EXPECT_TRUE(L.NameHashValid());
    EXPECT_TRUE(L.ValueHashValid());
    EXPECT_EQ(L.IndexOfName("y"), -1);
    EXPECT_EQ(L.IndexOf("y=2"), -1);
    EXPECT_EQ(L.IndexOfName("z"), 1);
}

TEST(VHashedStringList, ChangesInTheMiddleInvalidateAndTheNextLookupRebuilds)
{
    TVHashedStringList L(256);
    L.SetText("a=1\r\nplain\r\nb=2");
    EXPECT_EQ(L.IndexOfName("b"), 2);
    L.Insert(0, "c=3");
    EXPECT_FALSE(L.NameHashValid());
    EXPECT_EQ(L.IndexOfName("b"), 3);
    EXPECT_EQ(L.IndexOf("c=3"), 0);

    L.Delete(2); // "plain" has no name
    EXPECT_TRUE(L.NameHashValid());
    EXPECT_TRUE(L.ValueHashValid());
    EXPECT_EQ(L.IndexOfName("b"), 2);
    EXPECT_EQ(L.IndexOf("b=2"), 2);
    EXPECT_EQ(L.IndexOf("plain"), -1);

    L.Exchange(0, 2);
    EXPECT_FALSE(L.ValueHashValid());
    EXPECT_EQ(L.IndexOfName("c"), 2);
}

TEST(VHashedStringList, WithoutAutoUpdateEveryChangeInvalidates)
{
    TVHashedStringList L(256);
    L.SetAutoUpdateHash(false);
    L.Add("a=1");
    EXPECT_EQ(L.IndexOfName("a"), 0);
    L.Add("b=2");
    EXPECT_FALSE(L.NameHashValid());
    EXPECT_EQ(L.IndexOfName("b"), 1);
    L.Put(0, "c=3");
    EXPECT_FALSE(L.NameHashValid());
    EXPECT_EQ(L.IndexOfName("c"), 0);
    L.Delete(0);
    EXPECT_FALSE(L.NameHashValid());
    EXPECT_EQ(L.IndexOfName("b"), 0);
}

TEST(VHashedStringList, EmptyValueDeletesUnlessKeptAndValueObjectsUseWholeLines)
{
    TVHashedStringList L(256);
    L.SetValue("a", "1");
    L.SetValue("a", "");
    EXPECT_EQ(L.Count(), 0);
    L.SetKeepEmptyValues(true);
    L.SetValue("a", "");
    EXPECT_EQ(L.Text(), "a=\r\n");

    int Live = 0;
    L.SetOwnsObjects(true);
    L.SetValueObject("key", new TCounted(Live));
    EXPECT_EQ(L.IndexOf("key"), 1);
    EXPECT_NE(L.GetValueObject("key"), nullptr);
    EXPECT_EQ(L.GetValueObject("a"), nullptr); // "a" is a name, not a line
    L.SetValueObject("key", nullptr);
    EXPECT_EQ(Live, 0);
    EXPECT_EQ(L.Count(), 1);
}

TEST(VHashedStringList, OwnedObjectsAreFreedWhenDropped)
{
    int Live = 0;
    {
        TVHashedStringList L(256);
        L.SetOwnsObjects(true);
        for (int I = 0; I < 4; ++I)
            L.AddObject(QString::number(I), new TCounted(Live));
        L.Delete(0);
        EXPECT_EQ(Live, 3);
        L.PutObject(0, new TCounted(Live));
        EXPECT_EQ(Live, 3);
        TObject* Kept = L.Objects(0);
        L.PutObject(0, Kept); // putting back the same object keeps it
        EXPECT_EQ(Live, 3);
        L.Clear();
        EXPECT_EQ(Live, 0);
        L.AddObject("x", new TCounted(Live));
    }
    EXPECT_EQ(Live, 0);
}

TEST(VHashedStringList, IncrementalTablesAgreeWithTheLinesUnderRandomEdits)
{
    QRandomGenerator Random(7);
    TVHashedStringList L(4);
    auto RandomLine = [&] {
        const QString Name = QString(QChar('a' + Random.bounded(6)));
        return Random.bounded(4) == 0 ? Name : Name + "=" + QString::number(Random.bounded(3));
    };
    for (int Step = 0; Step < 3000; ++Step) {
        switch (Random.bounded(5)) {
        case 0:
        case 1:
            L.Add(RandomLine());
            break;
        case 2:
            if (L.Count() > 0)
                L.Put(Random.bounded(L.Count()), RandomLine());
            break;
        case 3:
            if (L.Count() > 0)
                L.Delete(Random.bounded(L.Count()));
            break;
        default:
            L.Insert(Random.bounded(L.Count() + 1), RandomLine());
        }
        const QString Probe = RandomLine();
        const int ByLine = L.IndexOf(Probe);
        const int ByName = L.IndexOfName(Probe.left(1));
        TStringList Plain;
        Plain.Assign(L);
        ASSERT_EQ(ByLine < 0, Plain.IndexOf(Probe) < 0) << Step;
        ASSERT_EQ(ByName < 0, Plain.IndexOfName(Probe.left(1)) < 0) << Step;
        if (ByLine >= 0) {
            ASSERT_EQ(L.Strings(ByLine).toUpper(), Probe.toUpper()) << Step;
        }
        if (ByName >= 0) {
            ASSERT_EQ(L.Names(ByName).toUpper(), Probe.left(1).toUpper()) << Step;
        }
    }
}
