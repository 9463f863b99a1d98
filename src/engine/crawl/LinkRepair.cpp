#include "engine/crawl/LinkRepair.h"

#include "engine/crawl/LinkMapper.h"
#include "engine/crawl/URLList.h"
#include "engine/page/URLUtils.h"
#include "engine/store/FileReplace.h"
#include "engine/store/OutputFile.h"

#include <QFile>
#include <QHash>
#include <algorithm>

namespace {

// Rewrites the links of one saved page whose text names a file as Old: to New.
class TLinkFixes : public TLinkTargets {
public:
    explicit TLinkFixes(QHash<QString, QString> Fixes)
        : FFixes(std::move(Fixes))
    {
    }
    QString MapLink(const QString& Raw, TURLTag, const QString&, bool) override { return Fixed(Raw); }
    QString MapCSSLink(const QString& Text, bool) override { return Fixed(Text); }

private:
    QString Fixed(const QString& Raw) const
    {
        const qsizetype Fragment = Raw.indexOf(u'#');
        const auto Fix = FFixes.constFind(Fragment < 0 ? Raw : Raw.left(Fragment));
        if (Fix == FFixes.constEnd())
            return QString();
        // A link made absolute keeps this link's fragment, not the entry's.
        return Fragment < 0 ? *Fix : *Fix + Raw.mid(Fragment);
    }

    QHash<QString, QString> FFixes;
};

} // namespace

void TLinkRepair::Settle(int Index, TFate Fate)
{
    if (size_t(Index) >= FFates.size())
        FFates.resize(size_t(Index) + 1, TFate::Pending);
    FFates[size_t(Index)] = Fate;
}

void TLinkRepair::NoteLink(int Page, int Target)
{
    if (Page >= 0 && Fate(Target) == TFate::Pending)
        FLinks.emplace_back(Page, Target);
}

void TLinkRepair::NoteRewritable(int Page, bool StyleSheet)
{
    if (size_t(Page) >= FRewritable.size())
        FRewritable.resize(size_t(Page) + 1, 0);
    FRewritable[size_t(Page)] = StyleSheet ? 2 : 1;
}

int TLinkRepair::Repair(TEnvironment& Env, const TURLList& URLs, const TLinkSettings& Settings,
    const QString& OutDir, const TRepaired& OnRepaired) const
{
    std::vector<std::pair<int, int>> Broken;
    for (const auto& [Page, Target] : FLinks)
        if (Fate(Target) != TFate::Saved || FOldPaths.count(Target) != 0)
            if (size_t(Page) < FRewritable.size() && FRewritable[size_t(Page)] != 0)
                Broken.emplace_back(Page, Target);
    std::sort(Broken.begin(), Broken.end());
    int Repaired = 0;
    for (size_t First = 0; First < Broken.size();) {
        const int Page = Broken[First].first;
        const QString PageFile = URLs.OutFilePath(Page);
        QHash<QString, QString> Fixes;
        for (; First < Broken.size() && Broken[First].first == Page; ++First) {
            const int Target = Broken[First].second;
            const QString URL = RemoveURLFragment(URLs.URL(Target));
            const auto Old = FOldPaths.find(Target);
            const QString Written = Old != FOldPaths.end() ? Old->second : URLs.OutFilePath(Target);
            Fixes.insert(LinkToFile(Settings, PageFile, Written, URL),
                Fate(Target) == TFate::Saved ? LinkToFile(Settings, PageFile, URLs.OutFilePath(Target), URL)
                                             : URL);
        }
        const TOutputFile Target = LocateOutputFile(PageFile, OutDir);
        QFile File(Target.FilePath);
        if (!Target.Inside || !File.open(QIODevice::ReadOnly))
            continue;
        const QString Saved = QString::fromUtf8(File.readAll());
        File.close();
        TLinkFixes Rewrite(std::move(Fixes));
        QString Text;
        if (FRewritable[size_t(Page)] == 2)
            Text = RewriteStyleLinks(Saved, Rewrite);
        else {
            // What the run dropped is gone from the saved page already.
            TPageScan AsSaved = PageScanOf(Settings);
            AsSaved.RemoveScripts = AsSaved.RemoveNoscripts = false;
            Text = RewritePageLinks(Saved, Rewrite, AsSaved);
        }
        if (Text == Saved)
            continue;
        const QByteArray Content = Text.toUtf8();
        WriteFileReplacing(Env, Target.FilePath, Content);
        OnRepaired(Page, Target.FilePath, Content);
        ++Repaired;
    }
    return Repaired;
}
