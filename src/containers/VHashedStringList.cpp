#include "VHashedStringList.h"

#include <QHashFunctions>
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
    const uint32_t Hash = HashKey(Key);
    PVHashItem& Head = FBuckets[BucketOf(Hash)];
    Head = new TVHashItem { Head, Key, Value, Hash };
    ++FCount;
}

// The least prime at or above N. Bucket counts grow through primes because
// the hash leaves its high bits to the last few code units: a power-of-two
// count would use only a small part of a large table.
static size_t PrimeAtLeast(size_t N)
{
    const auto IsPrime = [](size_t Candidate) {
        for (size_t D = 3; D * D <= Candidate; D += 2)
            if (Candidate % D == 0)
                return false;
        return true;
    };
    N |= 1;
    while (!IsPrime(N))
        N += 2;
    return N;
}

// Doubles the bucket count (to the next prime). Each chain is walked from its head and its
// entries are appended to the tails of the new chains, so equal keys keep
// their newest-first order.
void TVStringHash::Grow()
{
    std::vector<PVHashItem> Old(PrimeAtLeast(FBuckets.size() * 2), nullptr);
    Old.swap(FBuckets);
    std::vector<PVHashItem*> Tails(FBuckets.size());
    for (size_t B = 0; B < FBuckets.size(); ++B)
        Tails[B] = &FBuckets[B];
    for (PVHashItem Item : Old) {
        while (Item) {
            const PVHashItem Next = Item->Next;
            const size_t B = BucketOf(Item->Hash);
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
    const uint32_t Hash = HashKey(Key);
    for (PVHashItem Item = FBuckets[BucketOf(Hash)]; Item; Item = Item->Next)
        if (Item->Hash == Hash && Item->Key == Key)
            return Item->Value;
    return -1;
}

bool TVStringHash::Delete(const QString& Key, int Value)
{
    const uint32_t Hash = HashKey(Key);
    for (PVHashItem* Link = &FBuckets[BucketOf(Hash)]; *Link; Link = &(*Link)->Next) {
        const PVHashItem Item = *Link;
        if (Item->Value == Value && Item->Hash == Hash && Item->Key == Key) {
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

uint32_t TVSpreadStringHash::HashKey(const QString& Key) const
{
    const size_t H = qHash(QStringView(Key), 0);
    return static_cast<uint32_t>(H ^ (H >> 32));
}

QString UpperCaseKey(QStringView S)
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

QString TVHashedStringList::KeyOf(QStringView S) const
{
    return CaseSensitive() ? S.toString() : UpperCaseKey(S);
}

bool TVHashedStringList::LineKeyOf(const QString& Line, QString& Key) const
{
    Key = KeyOf(Line);
    return true;
}

bool TVHashedStringList::NameKeyOf(const QString& Line, QString& Key) const
{
    const int P = Line.indexOf(NameValueSeparator());
    if (P < 0)
        return false;
    Key = KeyOf(QStringView(Line).left(P));
    return true;
}

TVStringHash& TVHashedStringList::Table(std::unique_ptr<TVSpreadStringHash>& Hash) const
{
    if (!Hash)
        Hash = std::make_unique<TVSpreadStringHash>(FBucketsSize);
    return *Hash;
}

void TVHashedStringList::Rebuild(std::unique_ptr<TVSpreadStringHash>& Hash, bool& Valid, TKeyOf Key) const
{
    if (Valid)
        return;
    TVStringHash& Built = Table(Hash);
    Built.Clear();
    QString LineKey;
    for (int I = 0; I < Count(); ++I)
        if ((this->*Key)(Strings(I), LineKey))
            Built.Add(LineKey, I);
    Valid = true;
}

void TVHashedStringList::UpdateValueHash() const
{
    Rebuild(FValueHash, FValueHashValid, &TVHashedStringList::LineKeyOf);
}

void TVHashedStringList::UpdateNameHash() const
{
    Rebuild(FNameHash, FNameHashValid, &TVHashedStringList::NameKeyOf);
}

void TVHashedStringList::Changed()
{
    TStringList::Changed();
    FValueHashValid = false;
    FNameHashValid = false;
}

// A table is touched only when it was valid before the change and the
// change notification invalidated it (a change handler may have rebuilt it
// already).
template <typename ChangeFn, typename KeepFn>
void TVHashedStringList::ChangeKeepingTables(ChangeFn&& Change, KeepFn&& Keep)
{
    const bool ValueWasValid = FValueHashValid;
    const bool NameWasValid = FNameHashValid;
    Change();
    if (ValueWasValid && !FValueHashValid) {
        Keep(Table(FValueHash), &TVHashedStringList::LineKeyOf);
        FValueHashValid = true;
    }
    if (NameWasValid && !FNameHashValid) {
        Keep(Table(FNameHash), &TVHashedStringList::NameKeyOf);
        FNameHashValid = true;
    }
}

void TVHashedStringList::InsertItem(int Index, const QString& S, TObject* AObject)
{
    const auto Insert = [&] { TStringList::InsertItem(Index, S, AObject); };
    if (!FAutoUpdateHash || Index != Count()) {
        Insert();
        return;
    }
    ChangeKeepingTables(Insert, [&](TVStringHash& Hash, TKeyOf Key) {
        QString NewKey;
        if ((this->*Key)(S, NewKey))
            Hash.Add(NewKey, Index);
    });
}

void TVHashedStringList::Put(int Index, const QString& S)
{
    const QString Old = Strings(Index);
    if (Old == S)
        return;
    const auto Replace = [&] { TStringList::Put(Index, S); };
    if (!FAutoUpdateHash) {
        Replace();
        return;
    }
    ChangeKeepingTables(Replace, [&](TVStringHash& Hash, TKeyOf Key) {
        QString LineKey;
        if ((this->*Key)(Old, LineKey))
            Hash.Delete(LineKey, Index);
        if ((this->*Key)(S, LineKey))
            Hash.Add(LineKey, Index);
    });
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
    const auto Remove = [&] { TStringList::Delete(Index); };
    if (!FAutoUpdateHash) {
        Remove();
        return;
    }
    const QString Line = Strings(Index);
    ChangeKeepingTables(Remove, [&](TVStringHash& Hash, TKeyOf Key) {
        QString LineKey;
        if ((this->*Key)(Line, LineKey))
            Hash.Delete(LineKey, Index);
        Hash.DecValues(Index);
    });
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
