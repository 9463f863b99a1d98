#include "engine/crawl/FileNameRegistry.h"

#include <QDir>
#include <algorithm>

QString NameVariant(const QString& Name, int N)
{
    const qsizetype Separator = std::max(Name.lastIndexOf(u'/'), Name.lastIndexOf(u'\\'));
    const qsizetype Dot = Name.lastIndexOf(u'.');
    const qsizetype At = Dot > Separator + 1 ? Dot : Name.size();
    return Name.left(At) + QLatin1Char('-') + QString::number(N) + Name.mid(At);
}

quint64 TFileNameRegistry::Key(const QString& Path)
{
    return quint64(qHash(QStringView(Path), size_t(0x9E3779B97F4A7C15ULL)));
}

QString TFileNameRegistry::Claim(const QString& Folder, const QString& Tail, int Owner,
    const std::function<bool(int Holder)>& SameDocument, int& Holder)
{
    Holder = -1;
    const QString Base = RenamedFolders(Folder, Tail);
    const quint64 BaseKey = Key(Folder + Base);
    int N = 1;
    for (;;) {
        const QString Candidate = N == 1 ? Base : NameVariant(Base, N);
        const QString Path = Folder + Candidate;
        const quint64 PathKey = Key(Path);
        if (FFolders.count(PathKey) == 0) {
            const auto Held = FFiles.find(PathKey);
            if (Held == FFiles.end()) {
                FFiles.emplace(PathKey, Owner);
                AddFolders(Folder, Candidate);
                if (N > 1)
                    FNextVariant[BaseKey] = N + 1;
                return Candidate;
            }
            if (Held->second == Owner)
                return Candidate;
            if (SameDocument(Held->second)) {
                Holder = Held->second;
                return Candidate;
            }
        }
        // Variants taken before are skipped at once.
        if (N == 1) {
            const auto Next = FNextVariant.find(BaseKey);
            N = Next == FNextVariant.end() ? 2 : Next->second;
        } else
            ++N;
    }
}

void TFileNameRegistry::Release(const QString& Folder, const QString& Tail, int Owner)
{
    const auto Held = FFiles.find(Key(Folder + Tail));
    if (Held != FFiles.end() && Held->second == Owner)
        FFiles.erase(Held);
}

QString TFileNameRegistry::RenamedFolders(const QString& Folder, QString Tail)
{
    for (qsizetype End = 0; (End = Tail.indexOf(QDir::separator(), End)) > 0; ++End) {
        const QString Prefix = Folder + Tail.left(End);
        QString Renamed = FFolderRenames.value(Prefix);
        if (Renamed.isNull() && FFiles.count(Key(Prefix)) != 0) {
            // An earlier file has this name: the folder takes a variant.
            for (int N = 2; Renamed.isNull(); ++N)
                if (FFiles.count(Key(NameVariant(Prefix, N))) == 0)
                    Renamed = NameVariant(Prefix, N);
            FFolderRenames.insert(Prefix, Renamed);
        }
        if (!Renamed.isNull()) {
            Tail = Renamed.mid(Folder.size()) + Tail.mid(End);
            End = Renamed.size() - Folder.size();
        }
    }
    return Tail;
}

void TFileNameRegistry::AddFolders(const QString& Folder, const QString& Tail)
{
    for (qsizetype End = Tail.lastIndexOf(QDir::separator()); End > 0;
         End = Tail.lastIndexOf(QDir::separator(), End - 1))
        if (!FFolders.insert(Key(Folder + Tail.left(End))).second)
            return;
}
