#pragma once

#include "Exception.h"
#include "Object.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

HARVO_DECLARE_EXCEPTION(EStringListError, Exception)

enum TDuplicates { dupIgnore, dupAccept, dupError };

// The general string list: ordered lines, each with an optional object that
// the list does not own; name=value access through the "=" separator; not
// case-sensitive unless told otherwise. Every single-line change goes
// through a virtual hook and ends with the virtual Changed notification, so
// that subclasses can keep indexes beside the lines.
class TStringList {
public:
    using TNotifyEvent = std::function<void()>;

    TStringList() = default;
    TStringList(const TStringList&) = delete;
    TStringList& operator=(const TStringList&) = delete;
    virtual ~TStringList() = default;

    int Count() const { return static_cast<int>(FItems.size()); }
    const QString& Strings(int Index) const;
    const QString& operator[](int Index) const { return Strings(Index); }
    TObject* Objects(int Index) const;

    virtual void Put(int Index, const QString& S);
    virtual void PutObject(int Index, TObject* AObject);

    int Add(const QString& S);
    int AddObject(const QString& S, TObject* AObject);
    void AddStrings(const TStringList& Strings);
    void Insert(int Index, const QString& S);
    void InsertObject(int Index, const QString& S, TObject* AObject);
    virtual void Delete(int Index);
    virtual void Clear();
    void Exchange(int Index1, int Index2);
    void Move(int CurIndex, int NewIndex);
    void Sort();
    // Copies the lines and their object references, not the settings.
    void Assign(const TStringList& Source);

    virtual int IndexOf(const QString& S) const;
    virtual int IndexOfName(const QString& Name) const;
    int IndexOfObject(const TObject* AObject) const;

    // The text before the first separator; empty for a line without one.
    QString Names(int Index) const;
    QString ValueFromIndex(int Index) const;
    QString Values(const QString& Name) const;
    // Appends, replaces or (for an empty value) deletes the named line.
    void SetValues(const QString& Name, const QString& Value);

    // Lines joined with CR LF after each; reading splits at CR LF, CR or LF.
    QString Text() const;
    void SetText(const QString& Value);
    QStringList ToQStringList() const;

    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value);
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
    QChar NameValueSeparator() const { return QLatin1Char('='); }
    void SetOnChange(TNotifyEvent Event) { FOnChange = std::move(Event); }

    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();

    // Compares two texts by the list's case rule (ASCII and beyond).
    int CompareStrings(const QString& S1, const QString& S2) const;

protected:
    virtual void InsertItem(int Index, const QString& S, TObject* AObject);
    virtual void Changed();
    void CheckIndex(int Index, int Limit) const;
    // Binary search of a sorted list; true when found, Index is the place.
    bool Find(const QString& S, int& Index) const;

private:
    struct Item {
        QString Text;
        TObject* Object = nullptr;
    };

    std::vector<Item> FItems;
    bool FCaseSensitive = false;
    bool FSorted = false;
    TDuplicates FDuplicates = dupIgnore;
    int FUpdateCount = 0;
    TNotifyEvent FOnChange;
};

using TStrings = TStringList;
