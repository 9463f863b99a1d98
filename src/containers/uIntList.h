#pragma once

#include "Exception.h"

#include <cstdint>
#include <functional>
#include <vector>

HARVO_DECLARE_EXCEPTION(EIntListError, Exception)

// A growable list of 32-bit integers, kept as a column beside string lists.
class TIntList {
public:
    using TExchangeEvent = std::function<void(int Index1, int Index2)>;

    TIntList() = default;

    int Count() const { return FCount; }
    int Capacity() const { return FCapacity; }
    void SetCapacity(int NewCapacity);

    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value) { FSorted = Value; }
    bool NoDuplicates() const { return FNoDuplicates; }
    void SetNoDuplicates(bool Value) { FNoDuplicates = Value; }
    void SetOnExchangeItems(TExchangeEvent Event) { FOnExchangeItems = std::move(Event); }

    // Appends, or in a sorted non-empty list inserts at the binary-search
    // place; returns the index, or -1 for a refused duplicate.
    int Add(int32_t Value);
    void Insert(int Index, int32_t Value);
    void Delete(int Index);
    void Exchange(int Index1, int Index2);
    void Move(int CurIndex, int NewIndex);
    int IndexOf(int32_t Value) const;

    int32_t GetValue(int Index) const;
    void SetValue(int Index, int32_t Value);
    int32_t operator[](int Index) const { return GetValue(Index); }

    void Clear();
    void Assign(const TIntList& lst);

private:
    void CheckIndex(int Index, int Limit) const;
    void Grow();
    // Binary search in a sorted list: true when found; Index is the place.
    bool Find(int32_t Value, int& Index) const;

    std::vector<int32_t> FList; // storage; its size is the capacity
    int FCount = 0;
    int FCapacity = 0;
    bool FSorted = false;
    bool FNoDuplicates = false;
    TExchangeEvent FOnExchangeItems;
};
