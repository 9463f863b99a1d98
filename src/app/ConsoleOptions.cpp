#include "ConsoleOptions.h"

#include "projects/AppConfig.h"

#include <limits>

namespace {

enum TOptionId {
    oiStart,
    oiChecked,
    oiOutDir,
    oiConfig,
    oiSettingsDir,
    oiAppSettingsDir,
    oiUserSettingsDir,
    oiConnections,
    oiMaxURLs,
    oiList,
    oiVersion,
    oiHelp,
    oiQuiet,
    oiOutput,
    oiDepth,
    oiOverwrite,
    oiLinks,
    oiIndexFile,
    oiRemoveScripts,
    oiRemoveNoscript,
    oiDownload,
    oiSuppress,
    oiAlias,
    oiReplace,
    oiNoCompletePages,
};

// Where an option may be used.
enum TOptionMode { omAny, omConfiguration, omQuickCopy };

struct TOptionDef {
    TOptionId Id;
    const char* Long; // after "--"
    const char* Single; // a single-dash form, matched without case; may be null
    bool TakesValue;
    TOptionMode Mode;
};

const TOptionDef Options[] = {
    { oiStart, "start", "-start", true, omConfiguration },
    { oiChecked, "checked", "-checked", false, omConfiguration },
    { oiOutDir, "outdir", "-outdir", true, omConfiguration },
    { oiConfig, "config", "-config", true, omConfiguration },
    { oiSettingsDir, "settings-dir", "-settingsdir", true, omConfiguration },
    { oiAppSettingsDir, "app-settings-dir", "-appsettingsdir", false, omConfiguration },
    { oiUserSettingsDir, "user-settings-dir", "-usersettingsdir", false, omConfiguration },
    { oiList, "list", "-list", false, omConfiguration },
    { oiConnections, "connections", "-connections", true, omAny },
    { oiMaxURLs, "maxurls", "-maxurls", true, omAny },
    { oiVersion, "version", "-version", false, omAny },
    { oiHelp, "help", "-h", false, omAny },
    { oiHelp, "help", "-help", false, omAny },
    { oiQuiet, "quiet", "-q", false, omAny },
    { oiOutput, "output", "-o", true, omQuickCopy },
    { oiDepth, "depth", "-l", true, omQuickCopy },
    { oiOverwrite, "overwrite", nullptr, true, omQuickCopy },
    { oiLinks, "links", nullptr, true, omQuickCopy },
    { oiIndexFile, "index-file", nullptr, true, omQuickCopy },
    { oiRemoveScripts, "remove-scripts", nullptr, false, omQuickCopy },
    { oiRemoveNoscript, "remove-noscript", nullptr, false, omQuickCopy },
    { oiDownload, "download", nullptr, true, omQuickCopy },
    { oiSuppress, "suppress", nullptr, true, omQuickCopy },
    { oiAlias, "alias", nullptr, true, omQuickCopy },
    { oiReplace, "replace", nullptr, true, omQuickCopy },
    { oiNoCompletePages, "no-complete-pages", nullptr, false, omQuickCopy },
};

// The option that Arg names, with a value written as "--name=value".
const TOptionDef* FindOption(const QString& Arg, QString& InlineValue, bool& HasInlineValue)
{
    HasInlineValue = false;
    if (Arg.startsWith(QLatin1String("--"))) {
        const int Equals = Arg.indexOf(QLatin1Char('='));
        const QString Name = Arg.mid(2, Equals < 0 ? -1 : Equals - 2);
        for (const TOptionDef& Def : Options)
            if (Name == QLatin1String(Def.Long)) {
                HasInlineValue = Equals >= 0;
                InlineValue = HasInlineValue ? Arg.mid(Equals + 1) : QString();
                return &Def;
            }
        return nullptr;
    }
    const QString Lower = Arg.toLower();
    for (const TOptionDef& Def : Options)
        if (Def.Single && Lower == QLatin1String(Def.Single))
            return &Def;
    return nullptr;
}

bool ParseNumber(const QString& Text, int Min, int Max, int& Value)
{
    bool Ok = false;
    Value = Text.toInt(&Ok);
    return Ok && Value >= Min && Value <= Max;
}

// Splits "left<Separator>right" at the first separator; false without one or
// with an empty left side.
bool SplitPair(const QString& Text, const QString& Separator, std::pair<QString, QString>& Pair)
{
    const int At = Text.indexOf(Separator);
    if (At <= 0)
        return false;
    Pair = { Text.left(At), Text.mid(At + Separator.size()) };
    return true;
}

class TParser {
public:
    TConsoleOptions Options;
    QString Error;

    void Apply(const TOptionDef& Def, const QString& Name, const QString& Value)
    {
        TQuickCopyOptions& Copy = Options.QuickCopy;
        int Number = 0;
        std::pair<QString, QString> Pair;
        switch (Def.Id) {
        case oiStart:
            Options.StartNames = Value;
            break;
        case oiChecked:
            Options.RunChecked = true;
            break;
        case oiOutDir:
            Options.OutDir = Value;
            Options.OutDirGiven = true;
            break;
        case oiConfig:
            Options.SettingsArguments << QStringLiteral("-config") << Value;
            break;
        case oiSettingsDir:
            Options.SettingsArguments << QStringLiteral("-settingsdir") << Value;
            break;
        case oiAppSettingsDir:
            Options.SettingsArguments << QStringLiteral("-appsettingsdir");
            break;
        case oiUserSettingsDir:
            Options.SettingsArguments << QStringLiteral("-usersettingsdir");
            break;
        case oiList:
            Options.List = true;
            break;
        case oiConnections:
            if (!ParseNumber(Value, TRunSettings::MinConnections, TRunSettings::MaxConnections, Number))
                Fail(QStringLiteral("%1 takes a number from %2 to %3, not \"%4\"")
                         .arg(Name)
                         .arg(TRunSettings::MinConnections)
                         .arg(TRunSettings::MaxConnections)
                         .arg(Value));
            Options.Connections = Number;
            break;
        case oiMaxURLs:
            if (!ParseNumber(Value, 1, std::numeric_limits<int>::max(), Number))
                Fail(QStringLiteral("%1 takes a positive number, not \"%2\"").arg(Name, Value));
            Options.MaxURLs = Number;
            break;
        case oiVersion:
            Options.Version = true;
            break;
        case oiHelp:
            Options.Help = true;
            break;
        case oiQuiet:
            Options.Quiet = true;
            break;
        case oiOutput:
            Copy.OutDir = Value;
            if (Value.isEmpty())
                Fail(QStringLiteral("%1 needs a folder").arg(Name));
            break;
        case oiDepth:
            if (!ParseNumber(Value, 0, std::numeric_limits<int>::max(), Copy.Depth))
                Fail(QStringLiteral("%1 takes a number of 0 or more, not \"%2\"").arg(Name, Value));
            break;
        case oiOverwrite:
            if (Value == QLatin1String("never"))
                Copy.Overwrite = ofNone;
            else if (Value == QLatin1String("always"))
                Copy.Overwrite = ofAll;
            else if (Value == QLatin1String("changed"))
                Copy.Overwrite = ofChanged;
            else
                Fail(QStringLiteral("%1 takes never, always or changed, not \"%2\"").arg(Name, Value));
            break;
        case oiLinks:
            Copy.RelativePathLinks = Value == QLatin1String("relative");
            Copy.BaseURL.clear();
            if (Value.startsWith(QLatin1String("base=")) && Value.size() > 5)
                Copy.BaseURL = Value.mid(5);
            else if (!Copy.RelativePathLinks && Value != QLatin1String("files"))
                Fail(QStringLiteral("%1 takes relative, files or base=URL, not \"%2\"").arg(Name, Value));
            break;
        case oiIndexFile:
            Copy.IndexFile = Value;
            break;
        case oiRemoveScripts:
            Copy.RemoveScripts = true;
            break;
        case oiRemoveNoscript:
            Copy.RemoveNoscripts = true;
            break;
        case oiDownload:
            if (!SplitPair(Value, QStringLiteral("="), Pair))
                Fail(QStringLiteral("%1 takes PREFIX=FOLDER, not \"%2\"").arg(Name, Value));
            Copy.Downloads << Pair;
            break;
        case oiSuppress:
            if (!Value.isEmpty())
                Copy.Suppress << Value;
            break;
        case oiAlias:
            if (!Value.isEmpty())
                Copy.Aliases << Value;
            break;
        case oiReplace:
            if (!SplitPair(Value, QStringLiteral("=>"), Pair))
                Fail(QStringLiteral("%1 takes PATTERN=>TEMPLATE, not \"%2\"").arg(Name, Value));
            Copy.Replaces << Pair;
            break;
        case oiNoCompletePages:
            Copy.CompletePages = false;
            break;
        }
    }

    void Fail(const QString& Text)
    {
        if (Error.isEmpty())
            Error = Text;
    }
};

} // namespace

TConsoleOptions ParseConsoleOptions(const QStringList& Arguments, QString& Error)
{
    TParser Parser;
    QString ConfigurationOption, QuickCopyOption;
    bool OptionsEnded = false;
    for (int I = 0; I < Arguments.size() && Parser.Error.isEmpty(); ++I) {
        const QString& Arg = Arguments[I];
        if (OptionsEnded || !Arg.startsWith(QLatin1Char('-')) || Arg == QLatin1String("-")) {
            Parser.Options.QuickCopy.URLs << Arg;
            continue;
        }
        if (Arg == QLatin1String("--")) {
            OptionsEnded = true;
            continue;
        }
        QString Value;
        bool HasInlineValue = false;
        const TOptionDef* Def = FindOption(Arg, Value, HasInlineValue);
        const QString Name = HasInlineValue ? Arg.left(Arg.indexOf(QLatin1Char('='))) : Arg;
        if (!Def) {
            Parser.Fail(QStringLiteral("unknown option \"%1\"").arg(Name));
            break;
        }
        if (HasInlineValue && !Def->TakesValue) {
            Parser.Fail(QStringLiteral("%1 takes no value").arg(Name));
            break;
        }
        if (Def->TakesValue && !HasInlineValue) {
            if (I + 1 >= Arguments.size()) {
                Parser.Fail(QStringLiteral("%1 needs a value").arg(Name));
                break;
            }
            Value = Arguments[++I];
        }
        if (Def->Mode == omConfiguration && ConfigurationOption.isEmpty())
            ConfigurationOption = Name;
        if (Def->Mode == omQuickCopy && QuickCopyOption.isEmpty())
            QuickCopyOption = Name;
        Parser.Apply(*Def, Name, Value);
    }

    TConsoleOptions& Options = Parser.Options;
    const bool QuickCopy = !Options.QuickCopy.URLs.isEmpty();
    if (Parser.Error.isEmpty() && !Options.Help && !Options.Version) {
        if (QuickCopy && !ConfigurationOption.isEmpty())
            Parser.Fail(QStringLiteral(
                "%1 belongs to runs of the configuration's projects, not to a quick copy of URLs")
                            .arg(ConfigurationOption));
        else if (!QuickCopy && !QuickCopyOption.isEmpty())
            Parser.Fail(
                QStringLiteral("%1 applies to a quick copy: give the URLs to copy").arg(QuickCopyOption));
        else if (!QuickCopy && !Options.List) {
            const bool StartGiven = !Options.StartNames.isEmpty();
            if (StartGiven == Options.RunChecked)
                Parser.Fail(Options.RunChecked
                        ? QStringLiteral("give either -start or -checked, not both")
                        : QStringLiteral("give URLs to copy, -start NAMES or -checked"));
        } else if (Options.List && (Options.RunChecked || !Options.StartNames.isEmpty()))
            Parser.Fail(QStringLiteral("--list runs nothing; give it without -start and -checked"));
    }
    Error = Parser.Error;
    return Options;
}
