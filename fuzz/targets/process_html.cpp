// One page copied with its links followed and rewritten, in each of the three
// rewriting modes, with script removal switched by the input.
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "engine/crawl/HrvThread.h"
#include "engine/crawl/ProcessHTML.h"
#include "engine/crawl/URLList.h"

#include <QDir>

namespace {

class SilentLog : public TRunLog {
public:
    void LogMsg(const QString&) override { }
};

// Never started: ProcessHTML only logs through it.
class IdleThread : public THrvThread {
public:
    using THrvThread::THrvThread;

protected:
    void Execute() override { }
};

const QString OutFolder = QDir::toNativeSeparators(QStringLiteral("/fuzz-out/"));

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    static SilentLog Log;
    static TRunControl Control;
    static IdleThread Thread(Log, Control);

    FuzzInput In(Data, Size);
    const uint8_t Mode = In.TakeByte();
    const std::vector<TDownloadRule> DownloadRules { { QStringLiteral("http://files/"),
        QStringLiteral("files") } };
    TStringList Aliases, Suppress;
    Suppress.Add(QStringLiteral("/private/"));

    TLinkSettings Settings;
    Settings.WebsiteBase = QStringLiteral("http://host/");
    Settings.RemoveScripts = Mode & 4;
    Settings.RemoveNoscripts = Mode & 8;
    Settings.RelativePathLinks = Mode % 3 == 0;
    Settings.TargetBase = Mode % 3 == 1 ? QStringLiteral("https://mirror/site/") : QString();
    Settings.IndexName = QStringLiteral("index.html");
    Settings.OutFolder = OutFolder;
    Settings.DownloadRules = &DownloadRules;
    Settings.DomainAliases = &Aliases;
    Settings.SuppressURLs = &Suppress;

    TPageInfo Page;
    Page.URL = QStringLiteral("http://host/") + In.TakeField();
    Page.ExtractURLs = In.TakeByte() % 3;
    Page.URLDepth = 0;
    TURLList URLs;
    const int PageIndex = URLs.AddURL(utA, Page.URL, Settings.WebsiteBase, Settings.IndexName, OutFolder,
        Page.ExtractURLs, 0, nullptr, QString());
    Page.OutFile = URLs.OutFilePath(PageIndex);

    ProcessHTML(In.TakeRest(), URLs, Page, Settings, Thread);
    for (int I = 0; I < URLs.Count(); ++I) {
        const QString File = URLs.OutFilePath(I);
        FuzzCheck(File.isEmpty() || File.startsWith(OutFolder),
            "a followed link is filed outside the output folder", File);
    }
    return 0;
}
