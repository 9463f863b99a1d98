#include "engine/crawl/DocumentContent.h"

#include "engine/crawl/ProcessHTML.h"
#include "engine/crawl/URLFetch.h"
#include "engine/page/CharsetDeclaration.h"
#include "engine/page/uRegExExtract.h"
#include "engine/page/uStrUtils.h"

#include "http/ResponseCharset.h"

namespace {

bool IsUTF8(const QString& Charset)
{
    return SameText(Charset, QStringLiteral("utf-8")) || SameText(Charset, QStringLiteral("utf8"));
}

} // namespace

TDocumentType DocumentTypeOf(const QString& MediaType)
{
    if (MediaType.toLower() == QLatin1String("text/html"))
        return TDocumentType::Page;
    return IsScriptType(MediaType) ? TDocumentType::Script : TDocumentType::StyleSheet;
}

TDocumentContent::TDocumentContent(
    TURLList& URLs, const TLinkSettings& Settings, TReplaceRuleSet& Rules, TRunContext& Run)
    : FURLs(URLs)
    , FSettings(Settings)
    , FRules(Rules)
    , FRun(Run)
{
}

QByteArray TDocumentContent::Make(TDocumentType Type, TFetchResult& Result, const TPageInfo& Page)
{
    switch (Type) {
    case TDocumentType::Page:
        return PageContent(Result, Page);
    case TDocumentType::Script:
        return ScriptContent(Result, Page);
    case TDocumentType::StyleSheet:
        return StyleSheetContent(Result, Page);
    }
    return QByteArray();
}

QByteArray TDocumentContent::PageContent(TFetchResult& Result, const TPageInfo& Page)
{
    const QString Text = DecodeText(Result.Body->Bytes(), Result.Charset);
    Result.Body->ReleaseBytes();
    QString Html = ProcessHTML(Text, FURLs, Page, FSettings, FRun);
    if (!IsUTF8(Result.Charset))
        Html = DeclareUTF8(Html);
    return FRules.Apply(Html).toUtf8();
}

QByteArray TDocumentContent::ScriptContent(TFetchResult& Result, const TPageInfo& Page)
{
    const QByteArray Content = Result.Body->Bytes();
    Result.Body->ReleaseBytes();
    ProcessScript(QString::fromUtf8(Content), FURLs, Page, FSettings, FRun);
    return Content;
}

QByteArray TDocumentContent::StyleSheetContent(TFetchResult& Result, const TPageInfo& Page)
{
    const QByteArray& Bytes = Result.Body->Bytes();
    const QString Text
        = DecodeText(Bytes, StyleSheetCharset(Bytes, Result.Charset, Result.ContentTypeHeader));
    Result.Body->ReleaseBytes();
    return ProcessStyleSheet(Text, FURLs, Page, FSettings, FRun).toUtf8();
}
