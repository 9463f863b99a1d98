#include "VHashedStringList.h"

#include <algorithm>

TVStringHash::TVStringHash(uint32_t Size)
    : FBuckets(std::max<uint32_t>(Size, 1), nullptr)
{
}

TVStringHash::~TVStringHash()
{
    Clear();
}

uint32_t TVStringHash::HashKey(const QString& Key) const
{
    uint32_t H = 0;
    for (const QChar C : Key)
        H = ((H << 2) | (H >> 30)) ^ C.unicode();
    return H;
}

PVHashItem& TVStringHash::Bucket(const QString& Key)
{
    return FBuckets[HashKey(Key) % FBuckets.size()];
}

PVHashItem TVStringHash::Bucket(const QString& Key) const
{
    return FBuckets[HashKey(Key) % FBuckets.size()];
}

template <typename Visitor> void TVStringHash::ForEachItem(Visitor&& Visit)
{
    for (PVHashItem Head : FBuckets)
        for (PVHashItem Item = Head; Item; Item = Item->Next)
            Visit(*Item);
}

void TVStringHash::Add(const QString& Key, int Value)
{
    if (FCount >= 2 * FBuckets.size())
        Grow();
    PVHashItem& Head = Bucket(Key);
    Head = new TVHashItem { Head, Key, Value };
    ++FCount;
}

// Doubles the bucket count. Each chain is walked from its head and its
// entries are appended to the tails of the new chains, so equal keys keep
// their newest-first order.
void TVStringHash::Grow()
{
    std::vector<PVHashItem> Old(FBuckets.size() * 2, nullptr);
    Old.swap(FBuckets);
    std::vector<PVHashItem*> Tails(FBuckets.size());
    for (size_t B = 0; B < FBuckets.size(); ++B)
        Tails[B] = &FBuckets[B];
    for (PVHashItem Item : Old) {
        while (Item) {
            const PVHashItem Next = Item->Next;
            const size_t B = HashKey(Item->Key) % FBuckets.size();
            Item->Next = nullptr;
            *Tails[B] = Item;
            Tails[B] = &Item->Next;
            Item = Next;
        }
    }
}

void TVStringHash::Clear()
{
    for (PVHashItem& Head : FBuckets) {
        while (Head) {
            const PVHashItem Next = Head->Next;
            delete Head;
            Head = Next;
        }
    }
    FCount = 0;
}

int TVStringHash::ValueOf(const QString& Key) const
{
    for (PVHashItem Item = Bucket(Key); Item; Item = Item->Next)
        if (Item->Key == Key)
            return Item->Value;
    return -1;
}

bool TVStringHash::Delete(const QString& Key, int Value)
{
    for (PVHashItem* Link = &Bucket(Key); *Link; Link = &(*Link)->Next) {
        const PVHashItem Item = *Link;
        if (Item->Value == Value && Item->Key == Key) {
            *Link = Item->Next;
            delete Item;
            --FCount;
            return true;
        }
    }
    return false;
}

void TVStringHash::DecValues(int Value)
{
    ForEachItem([Value](TVHashItem& Item) {
        if (Item.Value > Value)
            --Item.Value;
    });
}

void TVStringHash::IncValues(int Value)
{
    ForEachItem([Value](TVHashItem& Item) {
        if (Item.Value > Value)
            ++Item.Value;
    });
}

QString UpperCaseKey(const QString& S)
{
    QString Key(S.size(), Qt::Uninitialized);
    QChar* Out = Key.data();
    for (const QChar C : S)
        *Out++ = C.toUpper();
    return Key;
}

TVHashedStringList::TVHashedStringList(uint32_t BucketsSize)
    : FBucketsSize(BucketsSize)
{
}

TVHashedStringList::~TVHashedStringList()
{
    if (FOwnsObjects) {
        BeginUpdate(); // no change events while the list goes away
        FreeObjects();
    }
}

void TVHashedStringList::FreeObjects()
{
    for (int I = 0; I < Count(); ++I)
        PutObject(I, nullptr);
}

QString TVHashedStringList::KeyOf(const QString& S) const
{
    return CaseSensitive() ? S : UpperCaseKey(S);
}

bool TVHashedStringList::NameKeyOf(const QString& Line, QString& Key) const
{
    const int P = Line.indexOf(NameValueSeparator());
    if (P < 0)
        return false;
    Key = KeyOf(Line.left(P));
    return true;
}

TVStringHash& TVHashedStringList::Table(std::unique_ptr<TVStringHash>& Hash) const
{
    if (!Hash)
        Hash = std::make_unique<TVStringHash>(FBucketsSize);
    return *Hash;
}

void TVHashedStringList::UpdateValueHash() const
{
    if (FValueHashValid)
        return;
    TVStringHash& Hash = Table(FValueHash);
    Hash.Clear();
    for (int I = 0; I < Count(); ++I)
        Hash.Add(KeyOf(Strings(I)), I);
    FValueHashValid = true;
}

void TVHashedStringList::UpdateNameHash() const
{
    if (FNameHashValid)
        return;
    TVStringHash& Hash = Table(FNameHash);
    Hash.Clear();
    QString Key;
    for (int I = 0; I < Count(); ++I)
        if (NameKeyOf(Strings(I), Key))
            Hash.Add(Key, I);
    FNameHashValid = true;
}

void TVHashedStringList::Changed()
{
    TStringList::Changed();
    FValueHashValid = false;
    FNameHashValid = false;
}

// The tables are touched only when they were valid before the change and the
// change notification invalidated them (a change handler may have rebuilt
// them already).
void TVHashedStringList::InsertItem(int Index, const QString& S, TObject* AObject)
{
    if (!FAutoUpdateHash || Index != Count()) {
        TStringList::InsertItem(Index, S, AObject);
        return;
    }
    const bool ValueWasValid = FValueHashValid;
    const bool NameWasValid = FNameHashValid;
    TStringList::InsertItem(Index, S, AObject);
    if (ValueWasValid && !FValueHashValid) {
        Table(FValueHash).Add(KeyOf(S), Index);
        FValueHashValid = true;
    }
    if (NameWasValid && !FNameHashValid) {
        QString Key;
        if (NameKeyOf(S, Key))
            Table(FNameHash).Add(Key, Index);
        FNameHashValid = true;
    }
}

void TVHashedStringList::Put(int Index, const QString& S)
{
    const QString Old = Strings(Index);
    if (Old == S)
        return;
    if (!FAutoUpdateHash) {
        TStringList::Put(Index, S);
        return;
    }
    const bool ValueWasValid = FValueHashValid;
    const bool NameWasValid = FNameHashValid;
    TStringList::Put(Index, S);
    if (ValueWasValid && !FValueHashValid) {
        TVStringHash& Hash = Table(FValueHash);
        Hash.Delete(KeyOf(Old), Index);
        Hash.Add(KeyOf(S), Index);
        FValueHashValid = true;
    }
    if (NameWasValid && !FNameHashValid) {
        TVStringHash& Hash = Table(FNameHash);
        QString Key;
        if (NameKeyOf(Old, Key))
            Hash.Delete(Key, Index);
        if (NameKeyOf(S, Key))
            Hash.Add(Key, Index);
        FNameHashValid = true;
    }
}

void TVHashedStringList::PutObject(int Index, TObject* AObject)
{
    TObject* Old = Objects(Index);
    // Freed after the new object is attached, also when a change handler
    // throws; an object put back on its own line is kept.
    std::unique_ptr<TObject> Dropped(FOwnsObjects && Old != AObject ? Old : nullptr);
    TStringList::PutObject(Index, AObject);
}

void TVHashedStringList::Delete(int Index)
{
    if (FOwnsObjects)
        PutObject(Index, nullptr);
    if (!FAutoUpdateHash) {
        TStringList::Delete(Index);
        return;
    }
    const QString Line = Strings(Index);
    const bool ValueWasValid = FValueHashValid;
    const bool NameWasValid = FNameHashValid;
    TStringList::Delete(Index);
    if (ValueWasValid && !FValueHashValid) {
        TVStringHash& Hash = Table(FValueHash);
        Hash.Delete(KeyOf(Line), Index);
        Hash.DecValues(Index);
        FValueHashValid = true;
    }
    if (NameWasValid && !FNameHashValid) {
        TVStringHash& Hash = Table(FNameHash);
        QString Key;
        if (NameKeyOf(Line, Key))
            Hash.Delete(Key, Index);
        Hash.DecValues(Index);
        FNameHashValid = true;
    }
}

void TVHashedStringList::Clear()
{
    if (!FOwnsObjects) {
        TStringList::Clear();
        return;
    }
    BeginUpdate();
    FreeObjects();
    TStringList::Clear();
    EndUpdate();
}

int TVHashedStringList::IndexOf(const QString& S) const
{
    UpdateValueHash();
    return FValueHash->ValueOf(KeyOf(S));
}

int TVHashedStringList::IndexOfName(const QString& Name) const
{
    UpdateNameHash();
    return FNameHash->ValueOf(KeyOf(Name));
}

void TVHashedStringList::SetValue(const QString& Name, const QString& Value)
{
    const int I = IndexOfName(Name);
    if (!Value.isEmpty() || FKeepEmptyValues) {
        const QString Line = Name + NameValueSeparator() + Value;
        if (I < 0)
            Add(Line);
        else
            Put(I, Line);
    } else if (I >= 0) {
        Delete(I);
    }
}

TObject* TVHashedStringList::GetValueObject(const QString& Name) const
{
    const int I = IndexOf(Name);
    return I < 0 ? nullptr : Objects(I);
}

void TVHashedStringList::SetValueObject(const QString& Name, TObject* AValue)
{
    const int I = IndexOf(Name);
    if (AValue) {
        if (I < 0)
            AddObject(Name, AValue);
        else
            PutObject(I, AValue);
    } else if (I >= 0) {
        Delete(I);
    }
}
