#include "engine/crawl/OutputName.h"

#include "engine/crawl/LinkRepair.h"
#include "engine/crawl/SiteFileNames.h"
#include "engine/crawl/URLFetch.h"
#include "engine/crawl/URLList.h"
#include "engine/page/URLUtils.h"
#include "engine/page/uStrUtils.h"

#include <QDir>

namespace {

bool EndsWithIndexFile(const QString& OutFile, const QString& IndexTail)
{
    return OutFile.size() >= IndexTail.size() && SameText(OutFile.right(IndexTail.size()), IndexTail);
}

} // namespace

TOutputName NameOutput(
    int Index, const TFetchResult& Result, TURLList& URLs, TLinkRepair& Repair, const TLinkSettings& Settings)
{
    // The client resolved every hop itself; its last URL is the page's base.
    TOutputName Name { Result.RedirectedURL.isEmpty() ? EncodeURLNonASCII(URLs.URL(Index))
                                                      : Result.RedirectedURL,
        URLs.OutFilePath(Index) };
    if (Settings.SiteFileNames) {
        if (Result.Outcome == TFetchOutcome::Downloaded && !Name.OutFile.isEmpty()
            && URLs.RenameForReply(Index, DocumentKindOf(Result.ContentType), Result.RedirectedURL)) {
            Repair.NoteRename(Index, Name.OutFile);
            Name.OutFile = URLs.OutFilePath(Index);
        }
    } else if (!Result.RedirectedURL.isEmpty()) {
        const QString IndexTail = QDir::separator() + Settings.IndexName;
        if (Name.BaseURL.endsWith(QLatin1Char('/')) && !Name.OutFile.isEmpty()
            && !EndsWithIndexFile(Name.OutFile, IndexTail))
            Name.OutFile += IndexTail;
    }
    return Name;
}
