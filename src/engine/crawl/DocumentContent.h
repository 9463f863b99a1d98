#pragma once

#include <QByteArray>
#include <QString>

class TReplaceRuleSet;
class TRunContext;
class TURLList;
struct TFetchResult;
struct TLinkSettings;
struct TPageInfo;

// The documents whose body is kept in memory: they are read for links.
enum class TDocumentType { Page, Script, StyleSheet };

TDocumentType DocumentTypeOf(const QString& MediaType);

// Makes the content that is saved for a document kept in memory, following
// its links into the URL list and logging how many were new.
class TDocumentContent {
public:
    TDocumentContent(TURLList& URLs, const TLinkSettings& Settings, TReplaceRuleSet& Rules, TRunContext& Run);

    // The content of Result's body, whose bytes it releases:
    // - a page decoded by its charset, its links rewritten, declared UTF-8,
    //   the replace rules applied;
    // - a style sheet decoded by its charset, its links rewritten, in UTF-8;
    // - a script as it came, the files it names followed.
    QByteArray Make(TDocumentType Type, TFetchResult& Result, const TPageInfo& Page);

private:
    QByteArray PageContent(TFetchResult& Result, const TPageInfo& Page);
    QByteArray ScriptContent(TFetchResult& Result, const TPageInfo& Page);
    QByteArray StyleSheetContent(TFetchResult& Result, const TPageInfo& Page);

    TURLList& FURLs;
    const TLinkSettings& FSettings;
    TReplaceRuleSet& FRules;
    TRunContext& FRun;
};
