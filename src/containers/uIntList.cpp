#include "uIntList.h"

#include <algorithm>

void TIntList::CheckIndex(int Index, int Limit) const
{
    if (Index < 0 || Index >= Limit)
        throw EIntListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
}

void TIntList::SetCapacity(int NewCapacity)
{
    if (NewCapacity < FCount)
        throw EIntListError(QStringLiteral("List capacity out of bounds (%1)").arg(NewCapacity));
    if (NewCapacity == FCapacity)
        return;
    FList.resize(static_cast<size_t>(NewCapacity));
    FList.shrink_to_fit();
    FCapacity = NewCapacity;
}

void TIntList::Grow()
{
    int Delta = FCapacity > 64 ? FCapacity / 4 : (FCapacity > 8 ? 16 : 4);
    SetCapacity(FCapacity + Delta);
}

bool TIntList::Find(int32_t Value, int& Index) const
{
    int L = 0, H = FCount - 1;
    while (L <= H) {
        const int I = L + (H - L) / 2;
        if (FList[I] < Value) {
            L = I + 1;
        } else {
            H = I - 1;
            if (FList[I] == Value) {
                Index = I;
                return true;
            }
        }
    }
    Index = L;
    return false;
}

int TIntList::Add(int32_t Value)
{
    int Index = FCount;
    if (FSorted && FCount > 0) {
        if (Find(Value, Index) && FNoDuplicates)
            return -1;
    }
    Insert(Index, Value);
    return Index;
}

void TIntList::Insert(int Index, int32_t Value)
{
    CheckIndex(Index, FCount + 1);
    if (FCount == FCapacity)
        Grow();
    std::copy_backward(FList.begin() + Index, FList.begin() + FCount, FList.begin() + FCount + 1);
    FList[Index] = Value;
    ++FCount;
}

void TIntList::Delete(int Index)
{
    CheckIndex(Index, FCount);
    std::copy(FList.begin() + Index + 1, FList.begin() + FCount, FList.begin() + Index);
    --FCount;
}

void TIntList::Exchange(int Index1, int Index2)
{
    CheckIndex(Index1, FCount);
    CheckIndex(Index2, FCount);
    std::swap(FList[Index1], FList[Index2]);
    if (FOnExchangeItems)
        FOnExchangeItems(Index1, Index2);
}

void TIntList::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    CheckIndex(CurIndex, FCount);
    CheckIndex(NewIndex, FCount);
    const int32_t Value = FList[CurIndex];
    Delete(CurIndex);
    Insert(NewIndex, Value);
}

int TIntList::IndexOf(int32_t Value) const
{
    for (int I = 0; I < FCount; ++I)
        if (FList[I] == Value)
            return I;
    return -1;
}

int32_t TIntList::GetValue(int Index) const
{
    CheckIndex(Index, FCount);
    return FList[Index];
}

void TIntList::SetValue(int Index, int32_t Value)
{
    CheckIndex(Index, FCount);
    FList[Index] = Value;
}

void TIntList::Clear()
{
    FCount = 0;
    SetCapacity(0);
}

void TIntList::Assign(const TIntList& lst)
{
    FList = lst.FList;
    FCount = lst.FCount;
    FCapacity = lst.FCapacity;
}
