#include "WebsiteUnit.h"

#include "HarvoVersion.h"
#include "SemicolonList.h"

TWebsiteProject::TWebsiteProject(const TWebsiteProject* Project)
{
    if (Project)
        *this = *Project;
}

QString TWebsiteProject::DomainAliasesString() const
{
    QString Result;
    for (int I = 0; I < FWebsiteDomainAliases.Count(); ++I) {
        const QString& Alias = FWebsiteDomainAliases.Strings(I);
        if (Alias.isEmpty())
            continue;
        if (!Result.isEmpty())
            Result += u';';
        Result += Alias;
    }
    return Result;
}

void TWebsiteProject::SetDomainAliasesString(const QString& Value)
{
    FWebsiteDomainAliases.Clear();
    for (const QString& Alias : SplitSemicolonList(Value))
        FWebsiteDomainAliases.Add(Alias);
}

TRequestOptions TRequestOptions::ForNewProject()
{
    TRequestOptions Options;
    Options.Robots = true;
    Options.VerifyTLS = true;
    Options.UserAgent = QStringLiteral("harvo/" HARVO_VERSION);
    return Options;
}
