#include "containers/uIntList.h"

#include <gtest/gtest.h>

TEST(IntList, CapacityGrowsByFourThenSixteenThenAQuarter)
{
    TIntList L;
    std::vector<int> Seen;
    for (int I = 0; I < 200; ++I) {
        L.Add(I);
        if (Seen.empty() || Seen.back() != L.Capacity())
            Seen.push_back(L.Capacity());
    }
    const std::vector<int> Expected { 4, 8, 12, 28, 44, 60, 76, 95, 118, 147, 183, 228 };
    EXPECT_EQ(Seen, Expected);
}

TEST(IntList, IndexAndCapacityErrorsCarryTheirMessages)
{
    TIntList L;
    L.Add(7);
    try {
        L.GetValue(1);
        FAIL();
    } catch (const EIntListError& E) {
        EXPECT_EQ(E.Message(), "List index out of bounds (1)");
        EXPECT_EQ(E.ClassName(), "EIntListError");
    }
    EXPECT_THROW(L.SetValue(-1, 0), EIntListError);
    try {
        L.SetCapacity(0);
        FAIL();
    } catch (const EIntListError& E) {
        EXPECT_EQ(E.Message(), "List capacity out of bounds (0)");
    }
}

TEST(IntList, AssignCopiesValuesAndCapacityButNotFlags)
{
    TIntList A;
    for (int V : { 3, 1, 2 })
        A.Add(V);
    A.SetSorted(true);
    TIntList B;
    B.Assign(A);
    EXPECT_EQ(B.Count(), 3);
    EXPECT_EQ(B.Capacity(), A.Capacity());
    EXPECT_EQ(B[0], 3);
    EXPECT_FALSE(B.Sorted());
    B.SetValue(0, 9);
    EXPECT_EQ(A[0], 3);
    A.Clear();
    EXPECT_EQ(A.Count(), 0);
    EXPECT_EQ(A.Capacity(), 0);
}

TEST(IntList, SortedAddInsertsInPlaceAndRefusesDuplicates)
{
    TIntList L;
    L.SetSorted(true);
    L.SetNoDuplicates(true);
    for (int V : { 5, 1, 3 })
        L.Add(V);
    EXPECT_EQ(L.Add(3), -1);
    ASSERT_EQ(L.Count(), 3);
    EXPECT_EQ(L[0], 1);
    EXPECT_EQ(L[1], 3);
    EXPECT_EQ(L[2], 5);
}

TEST(IntList, MoveDeleteAndExchangeKeepTheOtherValues)
{
    TIntList L;
    for (int V : { 10, 20, 30, 40 })
        L.Add(V);
    int Swapped = 0;
    L.SetOnExchangeItems([&](int A, int B) { Swapped = A * 10 + B; });
    L.Move(0, 2); // 20 30 10 40
    L.Delete(1); // 20 10 40
    L.Exchange(0, 2); // 40 10 20
    EXPECT_EQ(Swapped, 2);
    EXPECT_EQ(L.Count(), 3);
    EXPECT_EQ(L[0], 40);
    EXPECT_EQ(L[1], 10);
    EXPECT_EQ(L[2], 20);
}
