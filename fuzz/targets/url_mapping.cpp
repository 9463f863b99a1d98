// A link resolved on a page, admitted to the URL list and placed under the
// output folder: no path that the containment check accepts may leave it.
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "engine/crawl/URLList.h"
#include "engine/page/URLUtils.h"
#include "engine/store/OutputFile.h"

#include <QDir>

namespace {

const QString OutDir = QDir::toNativeSeparators(QStringLiteral("/fuzz-out/site"));

// Checks what an accepted path must be: below OutDir and already normal.
void CheckContained(const QString& OutFilePath)
{
    const TOutputFile Target = LocateOutputFile(OutFilePath, OutDir);
    if (!Target.Inside)
        return;
    const QString Path = QDir::fromNativeSeparators(Target.FilePath);
    const QString Root = QDir::fromNativeSeparators(OutDir) + QLatin1Char('/');
    FuzzCheck(
        Path.startsWith(Root) && Path.size() > Root.size(), "accepted path leaves the output folder", Path);
    FuzzCheck(QDir::cleanPath(Path) == Path, "accepted path keeps dot segments", Path);
    FuzzCheck(!Path.contains(QChar(0)), "accepted path holds a NUL", Path);
    FuzzCheck(QDir::fromNativeSeparators(Target.Dir) == Path.left(Path.lastIndexOf(QLatin1Char('/'))),
        "folder of an accepted path is not its parent", Path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    FuzzInput In(Data, Size);
    const auto Tag = static_cast<TURLTag>(In.TakeByte() % (utIFrame + 1));
    const QString Website = QStringLiteral("http://host/") + In.TakeField();
    const QString Base = In.TakeField();
    const QString LinkType = In.TakeField();
    const QString Link = In.TakeRest();

    CheckContained(Link);
    const QString URL = ResolveURL(Link, Base);
    if (URL.isEmpty())
        return 0;
    TURLList URLs;
    const int Index = URLs.AddURL(
        Tag, URL, Website, QStringLiteral("index.html"), OutDir + QDir::separator(), 1, 0, nullptr, LinkType);
    FuzzCheck(Index == 0, "first URL of an empty list is not entry 0", URL);
    FuzzCheck(URLs.FindURL(RemoveURLFragment(URL)) == 0, "an admitted URL is not found again", URL);
    CheckContained(URLs.OutFilePath(Index));
    return 0;
}
