#include "engine/crawl/ProcessHTML.h"

#include "engine/crawl/LinkMapper.h"
#include "engine/crawl/RunContext.h"
#include "engine/page/ScriptLinks.h"

namespace {

void LogNewURLs(TRunContext& Run, int Count)
{
    Run.Log(QString::number(Count) + QStringLiteral(" new URLs extracted."));
}

} // namespace

QString ProcessHTML(
    const QString& S, TURLList& URLs, const TPageInfo& Page, const TLinkSettings& Settings, TRunContext& Run)
{
    TLinkMapper Mapper(URLs, Page, Settings);
    QString Out = RewritePageLinks(S, Mapper, PageScanOf(Settings));
    if (Mapper.BelowLimit())
        LogNewURLs(Run, Mapper.NewURLsCount());
    return Out;
}

void ProcessScript(
    const QString& S, TURLList& URLs, const TPageInfo& Page, const TLinkSettings& Settings, TRunContext& Run)
{
    TLinkMapper Mapper(URLs, Page, Settings);
    TLinkMapper FromRoot(
        URLs, { Settings.WebsiteBase, Page.OutFile, Page.ExtractURLs, Page.URLDepth, Page.Index }, Settings);
    for (const QString& Link : ScriptLinkTexts(S)) {
        Mapper.FollowScriptLink(Link);
        if (!Link.startsWith(u'/') && !Link.contains(QLatin1String("://")))
            FromRoot.FollowScriptLink(Link);
    }
    LogNewURLs(Run, Mapper.NewURLsCount() + FromRoot.NewURLsCount());
}

QString ProcessStyleSheet(
    const QString& S, TURLList& URLs, const TPageInfo& Page, const TLinkSettings& Settings, TRunContext& Run)
{
    TLinkMapper Mapper(URLs, Page, Settings);
    QString Out = RewriteStyleSheet(S, Mapper);
    LogNewURLs(Run, Mapper.NewURLsCount());
    return Out;
}
