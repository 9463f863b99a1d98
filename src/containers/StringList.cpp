#include "StringList.h"

#include "LineBreaks.h"

#include <algorithm>

void TStringList::CheckIndex(int Index, int Limit) const
{
    if (Index < 0 || Index >= Limit)
        throw EStringListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
}

const QString& TStringList::Strings(int Index) const
{
    CheckIndex(Index, Count());
    return FItems[Index].Text;
}

TObject* TStringList::Objects(int Index) const
{
    CheckIndex(Index, Count());
    return FItems[Index].Object;
}

void TStringList::Put(int Index, const QString& S)
{
    if (FSorted)
        throw EStringListError(QStringLiteral("Operation not allowed on sorted list"));
    CheckIndex(Index, Count());
    FItems[Index].Text = S;
    Changed();
}

void TStringList::PutObject(int Index, TObject* AObject)
{
    CheckIndex(Index, Count());
    FItems[Index].Object = AObject;
    Changed();
}

int TStringList::Add(const QString& S)
{
    return AddObject(S, nullptr);
}

int TStringList::AddObject(const QString& S, TObject* AObject)
{
    int Index = Count();
    if (FSorted && Find(S, Index)) {
        if (FDuplicates == dupIgnore)
            return Index;
        if (FDuplicates == dupError)
            throw EStringListError(QStringLiteral("String list does not allow duplicates"));
    }
    InsertItem(Index, S, AObject);
    return Index;
}

void TStringList::AddStrings(const TStringList& Strings)
{
    BeginUpdate();
    for (int I = 0; I < Strings.Count(); ++I)
        AddObject(Strings.Strings(I), Strings.Objects(I));
    EndUpdate();
}

void TStringList::Insert(int Index, const QString& S)
{
    InsertObject(Index, S, nullptr);
}

void TStringList::InsertObject(int Index, const QString& S, TObject* AObject)
{
    if (FSorted)
        throw EStringListError(QStringLiteral("Operation not allowed on sorted list"));
    CheckIndex(Index, Count() + 1);
    InsertItem(Index, S, AObject);
}

void TStringList::InsertItem(int Index, const QString& S, TObject* AObject)
{
    FItems.insert(FItems.begin() + Index, Item { S, AObject });
    Changed();
}

void TStringList::Delete(int Index)
{
    CheckIndex(Index, Count());
    FItems.erase(FItems.begin() + Index);
    Changed();
}

void TStringList::Clear()
{
    if (FItems.empty())
        return;
    FItems.clear();
    FItems.shrink_to_fit();
    Changed();
}

void TStringList::Exchange(int Index1, int Index2)
{
    if (FSorted)
        throw EStringListError(QStringLiteral("Operation not allowed on sorted list"));
    CheckIndex(Index1, Count());
    CheckIndex(Index2, Count());
    std::swap(FItems[Index1], FItems[Index2]);
    Changed();
}

void TStringList::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    if (FSorted)
        throw EStringListError(QStringLiteral("Operation not allowed on sorted list"));
    CheckIndex(CurIndex, Count());
    CheckIndex(NewIndex, Count());
    Item Moved = std::move(FItems[CurIndex]);
    FItems.erase(FItems.begin() + CurIndex);
    FItems.insert(FItems.begin() + NewIndex, std::move(Moved));
    Changed();
}

void TStringList::Sort()
{
    std::stable_sort(FItems.begin(), FItems.end(),
        [this](const Item& A, const Item& B) { return CompareStrings(A.Text, B.Text) < 0; });
    Changed();
}

void TStringList::Assign(const TStringList& Source)
{
    if (&Source == this)
        return;
    BeginUpdate();
    Clear();
    AddStrings(Source);
    EndUpdate();
}

int TStringList::CompareStrings(const QString& S1, const QString& S2) const
{
    return QString::compare(S1, S2, FCaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
}

bool TStringList::Find(const QString& S, int& Index) const
{
    int L = 0, H = Count() - 1;
    bool Found = false;
    while (L <= H) {
        const int I = L + (H - L) / 2;
        const int C = CompareStrings(FItems[I].Text, S);
        if (C < 0) {
            L = I + 1;
        } else {
            H = I - 1;
            if (C == 0)
                Found = true;
        }
    }
    Index = L;
    return Found;
}

int TStringList::IndexOf(const QString& S) const
{
    if (FSorted) {
        int Index;
        return Find(S, Index) ? Index : -1;
    }
    for (int I = 0; I < Count(); ++I)
        if (CompareStrings(FItems[I].Text, S) == 0)
            return I;
    return -1;
}

int TStringList::IndexOfName(const QString& Name) const
{
    for (int I = 0; I < Count(); ++I) {
        const QString& Line = FItems[I].Text;
        const int P = Line.indexOf(NameValueSeparator());
        if (P >= 0 && CompareStrings(Line.left(P), Name) == 0)
            return I;
    }
    return -1;
}

int TStringList::IndexOfObject(const TObject* AObject) const
{
    for (int I = 0; I < Count(); ++I)
        if (FItems[I].Object == AObject)
            return I;
    return -1;
}

QString TStringList::Names(int Index) const
{
    const QString& Line = Strings(Index);
    const int P = Line.indexOf(NameValueSeparator());
    return P >= 0 ? Line.left(P) : QString();
}

QString TStringList::ValueFromIndex(int Index) const
{
    const QString& Line = Strings(Index);
    const int P = Line.indexOf(NameValueSeparator());
    return P >= 0 ? Line.mid(P + 1) : QString();
}

QString TStringList::Values(const QString& Name) const
{
    const int I = IndexOfName(Name);
    return I >= 0 ? Strings(I).mid(Name.length() + 1) : QString();
}

void TStringList::SetValues(const QString& Name, const QString& Value)
{
    int I = IndexOfName(Name);
    if (Value.isEmpty()) {
        if (I >= 0)
            Delete(I);
        return;
    }
    if (I < 0)
        I = Add(QString());
    Put(I, Name + NameValueSeparator() + Value);
}

QString TStringList::Text() const
{
    QString Result;
    qsizetype Size = 0;
    for (const Item& It : FItems)
        Size += It.Text.size() + 2;
    Result.reserve(Size);
    for (const Item& It : FItems) {
        Result += It.Text;
        Result += QLatin1String("\r\n");
    }
    return Result;
}

void TStringList::SetText(const QString& Value)
{
    BeginUpdate();
    Clear();
    ForEachLine(Value, [&](qsizetype Start, qsizetype Length) { Add(Value.mid(Start, Length)); });
    EndUpdate();
}

QStringList TStringList::ToQStringList() const
{
    QStringList Result;
    Result.reserve(Count());
    for (const Item& It : FItems)
        Result.append(It.Text);
    return Result;
}

void TStringList::SetCaseSensitive(bool Value)
{
    if (Value == FCaseSensitive)
        return;
    FCaseSensitive = Value;
    // Keys derived from the lines change with the case rule.
    if (FSorted)
        Sort();
    else
        Changed();
}

void TStringList::SetSorted(bool Value)
{
    if (Value == FSorted)
        return;
    if (Value)
        Sort();
    FSorted = Value;
}

void TStringList::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        Changed();
}

void TStringList::Changed()
{
    if (FUpdateCount == 0 && FOnChange)
        FOnChange();
}
