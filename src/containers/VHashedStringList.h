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
};

// A bucketed table from strings to integers. Equal keys may stand more than
// once; a bucket is a chain with the newest entry first, so a lookup finds
// the key added last. The table starts with the given bucket count and
// doubles it when the entries outnumber the buckets twice over, so chains
// stay short however many lines the list holds.
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
    PVHashItem& Bucket(const QString& Key);
    PVHashItem Bucket(const QString& Key) const;
    void Grow();
    template <typename Visitor> void ForEachItem(Visitor&& Visit);

    std::vector<PVHashItem> FBuckets;
    size_t FCount = 0;
};

// The key of a text in a list that ignores case: each UTF-16 code unit
// upper-cased alone, so the key is as long as the text.
QString UpperCaseKey(const QString& S);

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
    QString KeyOf(const QString& S) const;
    // The key of the line's name; false when the line has no separator.
    bool NameKeyOf(const QString& Line, QString& Key) const;
    TVStringHash& Table(std::unique_ptr<TVStringHash>& Hash) const;
    void FreeObjects();

    uint32_t FBucketsSize;
    mutable std::unique_ptr<TVStringHash> FValueHash;
    mutable std::unique_ptr<TVStringHash> FNameHash;
    mutable bool FValueHashValid = false;
    mutable bool FNameHashValid = false;
    bool FOwnsObjects = false;
    bool FAutoUpdateHash = true;
    bool FKeepEmptyValues = false;
};
