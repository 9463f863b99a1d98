#include "engine/page/LinkTargets.h"

#include "engine/page/CSSLinks.h"

QString RewriteStyleLinks(QStringView CSS, TLinkTargets& Targets)
{
    return RewriteCSSLinks(
        CSS, [&Targets](const QString& Text, bool Import) { return Targets.MapCSSLink(Text, Import); });
}

QString RewriteStyleSheet(QStringView Sheet, TLinkTargets& Targets)
{
    return DeclareCSSUTF8(RewriteStyleLinks(Sheet, Targets));
}
