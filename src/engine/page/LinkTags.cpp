#include "engine/page/LinkTags.h"

namespace {

std::vector<TLinkTag> BasicTags()
{
    return {
        { "a", utA, { { "href" } }, false },
        { "img", utImg, { { "src" } }, true },
        { "link", utLink, { { "href" } }, true },
        { "script", utScript, { { "src" } }, true },
        { "noscript", utNoscript, {}, false },
        { "iframe", utIFrame, { { "src" } }, false },
    };
}

std::vector<TLinkTag> CompleteTags()
{
    std::vector<TLinkTag> Tags = BasicTags();
    const TLinkAttribute Lazy { "data-src" };
    const TLinkAttribute SrcSet { "srcset", lfSrcSet };
    const TLinkAttribute LazySet { "data-srcset", lfSrcSet };
    Tags[1].Attributes = { { "src" }, SrcSet, Lazy, LazySet };
    const std::vector<TLinkAttribute> Media { { "src" }, Lazy };
    const std::vector<TLinkAttribute> Background { { "background" } };
    const std::vector<TLinkAttribute> SvgHref { { "href" }, { "xlink:href" } };
    const std::vector<TLinkTag> More {
        { "source", utMedia, { { "src" }, SrcSet, Lazy, LazySet }, true },
        { "video", utMedia, { { "src" }, { "poster" }, Lazy }, true },
        { "audio", utMedia, Media, true },
        { "track", utMedia, Media, true },
        { "embed", utMedia, Media, true },
        { "input", utImg, { { "src" } }, true },
        { "object", utMedia, { { "data" } }, true },
        { "body", utImg, Background, true },
        { "table", utImg, Background, true },
        { "td", utImg, Background, true },
        { "image", utImg, SvgHref, true },
        { "use", utImg, SvgHref, true },
        { "meta", utA, { { "content", lfRefresh } }, false },
        { "style", utUndefined, {}, true },
    };
    Tags.insert(Tags.end(), More.begin(), More.end());
    return Tags;
}

} // namespace

const std::vector<TLinkTag>& LinkTagTable(bool CompletePages)
{
    static const std::vector<TLinkTag> Basic = BasicTags();
    static const std::vector<TLinkTag> Complete = CompleteTags();
    return CompletePages ? Complete : Basic;
}
