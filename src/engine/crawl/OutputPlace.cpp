#include "engine/crawl/OutputPlace.h"

#include "engine/crawl/CrawlTally.h"
#include "engine/crawl/RunContext.h"
#include "engine/store/FileReplace.h"
#include "engine/store/OutputFile.h"

std::optional<QString> PlaceOutput(
    int Index, const QString& OutFile, const QString& OutDir, TCrawlTally& Tally, TRunContext& Run)
{
    const auto Fail = [&](const QString& Line) {
        Run.Log(Line);
        Tally.Fail(Index, Line);
    };
    const TOutputFile Target = LocateOutputFile(OutFile, OutDir);
    if (!Target.Inside) {
        Fail(QStringLiteral("Invalid directory ") + Target.Dir);
        return std::nullopt;
    }
    if (const int Error = Target.Dir.isEmpty() ? 0 : MakeFolders(Run.Env(), Target.Dir)) {
        Fail(QStringLiteral("Unable to create directory ") + Target.Dir);
        if (IsStorageFull(Error))
            Tally.EndForFullStorage(FolderError(Target.Dir, Error));
        return std::nullopt;
    }
    return Target.FilePath;
}
