#include "QuickCopy.h"

#include "engine/PerlRegEx.h"
#include "engine/uRegExExtract.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

bool IsHttpURL(const QString& URL)
{
    return URL.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
        || URL.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

// The output folder, made absolute against the current folder, created when
// missing; empty with Error when it is a file or cannot be written.
QString PrepareOutputFolder(const TQuickCopyOptions& Options, QString& Error)
{
    QString Folder = Options.OutDir;
    if (Folder.isEmpty()) {
        Folder = QUrl(Options.URLs.first()).host();
        if (Folder.isEmpty()) {
            Error = QStringLiteral("no host name in \"%1\" to name the output folder; give -o DIR")
                        .arg(Options.URLs.first());
            return QString();
        }
    }
    Folder = QDir::cleanPath(QDir::current().absoluteFilePath(Folder));
    const QFileInfo Info(Folder);
    if (Info.exists() && !Info.isDir())
        Error = QStringLiteral("the output folder \"%1\" is a file").arg(Folder);
    else if (!Info.exists() && !QDir().mkpath(Folder))
        Error = QStringLiteral("cannot create the output folder \"%1\"").arg(Folder);
    else if (!QFileInfo(Folder).isWritable())
        Error = QStringLiteral("the output folder \"%1\" is not writable").arg(Folder);
    return Error.isEmpty() ? Folder : QString();
}

} // namespace

std::unique_ptr<TWebsiteProject> MakeQuickCopyProject(const TQuickCopyOptions& Options, QString& Error)
{
    for (const QString& URL : Options.URLs)
        if (!IsHttpURL(URL)) {
            Error = QStringLiteral("\"%1\" is not an HTTP or HTTPS URL").arg(URL);
            return nullptr;
        }
    for (const auto& [Pattern, Template] : Options.Replaces) {
        try {
            CompileReplacePattern(Pattern);
        } catch (const ERegularExpressionError& E) {
            Error = QStringLiteral("--replace \"%1\": %2").arg(Pattern, E.Message());
            return nullptr;
        }
    }
    const QString OutDir = PrepareOutputFolder(Options, Error);
    if (OutDir.isEmpty())
        return nullptr;

    auto Project = std::make_unique<TWebsiteProject>();
    const QString Host = QUrl(Options.URLs.first()).host();
    Project->SetProjectName(Host.isEmpty() ? Options.URLs.first() : Host);
    Project->SetWebsiteURL(Options.URLs.first());
    Project->SetOutputFolder(OutDir);
    Project->SetOverwrite(Options.Overwrite);
    Project->SetRelativePathLinks(Options.RelativePathLinks);
    Project->SetBaseURL(Options.BaseURL);
    Project->SetIndexFile(Options.IndexFile);
    Project->SetRemoveScripts(Options.RemoveScripts);
    Project->SetRemoveNoscripts(Options.RemoveNoscripts);
    Project->SetCompletePages(Options.CompletePages);
    Project->SetChecked(true);
    for (const QString& URL : Options.URLs) {
        Project->WebPages().Add(URL);
        Project->WPExtractURLs().Add(Options.Depth);
    }
    for (const auto& [Prefix, Folder] : Options.Downloads) {
        Project->WebDocuments().Add(Prefix);
        Project->WDOutFolders().Add(Folder);
    }
    for (const auto& [Pattern, Template] : Options.Replaces) {
        Project->ReplacePatterns().Add(Pattern);
        Project->ReplaceRules().Add(Template);
    }
    for (const QString& Text : Options.Suppress)
        Project->SuppressURLs().Add(Text);
    for (const QString& Host : Options.Aliases)
        Project->WebsiteDomainAliases().Add(Host);
    return Project;
}
