#pragma once

#include "Object.h"
#include "StringList.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

struct TVHashItem;
using PVHashItem = TVHashItem*;

// One entry of a TVStringHash bucket chain.
struct TVHashItem {
    PVHashItem Next = nullptr;
    QString Key;
    int Value = 0;
    uint32_t Hash = 0; // HashKey(Key), kept for regrowing and quick rejection
};

// A bucketed table from strings to integers. Equal keys may stand more than
// once; a bucket is a chain with the newest entry first, so a lookup finds
// the key added last. The table starts with the given bucket count (0 is
// taken as 1) and grows to the next prime above twice that count whenever
// the entries outnumber the buckets twice over, so chains stay short however
// many lines the list holds.
class TVStringHash : public TObject {
public:
    explicit TVStringHash(uint32_t Size);
    ~TVStringHash() override;
    TVStringHash(const TVStringHash&) = delete;
    TVStringHash& operator=(const TVStringHash&) = delete;

    void Add(const QString& Key, int Value);
    void Clear();
    // The value of the newest entry with this key; -1 when there is none.
    int ValueOf(const QString& Key) const;
    // Removes the newest entry with this key and value; true when found.
    bool Delete(const QString& Key, int Value);
    // Shifts every value above Value down (DecValues) or up (IncValues) by one.
    void DecValues(int Value);
    void IncValues(int Value);

    uint32_t BucketCount() const { return static_cast<uint32_t>(FBuckets.size()); }
    // Rotates left by two bits and folds in each UTF-16 code unit.
    virtual uint32_t HashKey(const QString& Key) const;

private:
    size_t BucketOf(uint32_t Hash) const { return Hash % FBuckets.size(); }
    void Grow();
    template <typename Visitor> void ForEachItem(Visitor&& Visit);

    std::vector<PVHashItem> FBuckets;
    size_t FCount = 0;
};

// The table kind that TVHashedStringList keeps. The rotating hash above lets
// a code unit's bits wrap around after sixteen units, so numbered names that
// differ in a few digits share few hash values: some 400,000 names of a large
// configuration fall on fewer than 40,000 values and every lookup walks a
// long chain. This hash spreads such keys; lookups find the same entries.
class TVSpreadStringHash : public TVStringHash {
public:
    using TVStringHash::TVStringHash;
    uint32_t HashKey(const QString& Key) const override;
};

// The key of a text in a list that ignores case: each UTF-16 code unit
// upper-cased alone, so the key is as long as the text.
QString UpperCaseKey(QStringView S);

// The general string list with a line table (IndexOf) and a name table
// (IndexOfName) beside it. The tables are rebuilt lazily on the first lookup
// after a change and kept up to date by appends, replacements and deletions.
class TVHashedStringList : public TStringList {
public:
    explicit TVHashedStringList(uint32_t BucketsSize);
    ~TVHashedStringList() override;

    void Put(int Index, const QString& S) override;
    void PutObject(int Index, TObject* AObject) override;
    void Clear() override;
    void Delete(int Index) override;
    int IndexOf(const QString& S) const override;
    int IndexOfName(const QString& Name) const override;

    bool OwnsObjects() const { return FOwnsObjects; }
    void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }
    bool AutoUpdateHash() const { return FAutoUpdateHash; }
    void SetAutoUpdateHash(bool Value) { FAutoUpdateHash = Value; }
    bool KeepEmptyValues() const { return FKeepEmptyValues; }
    void SetKeepEmptyValues(bool Value) { FKeepEmptyValues = Value; }
    bool ValueHashValid() const { return FValueHashValid; }
    bool NameHashValid() const { return FNameHashValid; }

    // Appends or replaces the named line; an empty value deletes it unless
    // KeepEmptyValues is set, which writes "Name=" instead.
    void SetValue(const QString& Name, const QString& Value);
    // The object of the line whose whole text is Name.
    TObject* GetValueObject(const QString& Name) const;
    // Attaches AValue to the line Name (appended when missing); null deletes it.
    void SetValueObject(const QString& Name, TObject* AValue);

    void UpdateValueHash() const;
    void UpdateNameHash() const;

protected:
    void Changed() override;
    void InsertItem(int Index, const QString& S, TObject* AObject) override;

private:
    // Gives the key a line stands under in a table; false when it has none.
    using TKeyOf = bool (TVHashedStringList::*)(const QString& Line, QString& Key) const;

    QString KeyOf(QStringView S) const;
    bool LineKeyOf(const QString& Line, QString& Key) const;
    bool NameKeyOf(const QString& Line, QString& Key) const;
    TVStringHash& Table(std::unique_ptr<TVSpreadStringHash>& Hash) const;
    void Rebuild(std::unique_ptr<TVSpreadStringHash>& Hash, bool& Valid, TKeyOf Key) const;
    // Runs Change through the general list, then lets Keep(table, key of)
    // bring each table up to date that was valid before.
    template <typename ChangeFn, typename KeepFn> void ChangeKeepingTables(ChangeFn&& Change, KeepFn&& Keep);
    void FreeObjects();

    uint32_t FBucketsSize;
    mutable std::unique_ptr<TVSpreadStringHash> FValueHash;
    mutable std::unique_ptr<TVSpreadStringHash> FNameHash;
    mutable bool FValueHashValid = false;
    mutable bool FNameHashValid = false;
    bool FOwnsObjects = false;
    bool FAutoUpdateHash = true;
    bool FKeepEmptyValues = false;
};
