#include "ConsoleOptions.h"

#include "ConsoleOptionTable.h"
#include "InputFile.h"

#include "projects/RequestOptionLimits.h"

#include <QRegularExpression>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

namespace {

constexpr int NoLimit = std::numeric_limits<int>::max();

// The numbers an option takes, as its usage message says them.
QString NumberRangeText(int Min, int Max)
{
    if (Max != NoLimit)
        return QStringLiteral("a number from %1 to %2").arg(Min).arg(Max);
    if (Min == 1)
        return QStringLiteral("a positive number");
    return QStringLiteral("a number of %1 or more").arg(Min);
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

// Bytes a second: a number, fractions allowed, with an optional k (KiB) or
// M (MiB); -1 for a text that is none.
qint64 ParseRate(const QString& Text)
{
    static const QRegularExpression Rate(QStringLiteral("^(\\d+(?:\\.\\d*)?|\\.\\d+)([kKmM]?)$"));
    const QRegularExpressionMatch Match = Rate.match(Text);
    if (!Match.hasMatch())
        return -1;
    const QString Unit = Match.captured(2).toLower();
    const double Factor = Unit == QLatin1String("k") ? 1024 : (Unit == QLatin1String("m") ? 1048576 : 1);
    const double Bytes = Match.captured(1).toDouble() * Factor;
    // Far beyond any link, and within what the byte count can hold.
    constexpr double MaxRate = 1e15;
    return Bytes <= MaxRate ? std::llround(Bytes) : -1;
}

class TParser {
public:
    TConsoleOptions Options;
    QString Error;

    void Parse(const QStringList& Arguments)
    {
        FArguments = Arguments;
        bool OptionsEnded = false;
        for (FNext = 0; FNext < FArguments.size() && Error.isEmpty();) {
            const QString& Arg = FArguments[FNext++];
            if (OptionsEnded || !Arg.startsWith(QLatin1Char('-')) || Arg == QLatin1String("-"))
                Options.QuickCopy.URLs << Arg;
            else if (Arg == QLatin1String("--"))
                OptionsEnded = true;
            else if (Arg.startsWith(QLatin1String("--")))
                ParseLong(Arg);
            else if (const TOptionDef* Def = FindWord(Arg))
                Use(*Def, Arg, std::nullopt);
            else
                ParseShortOptions(Arg);
        }
        ReadInputFiles();
        CheckCombination();
    }

private:
    void Fail(const QString& Text)
    {
        if (Error.isEmpty())
            Error = Text;
    }

    // Value of option Name, failing when it is empty; What is what it names.
    QString NonEmpty(const QString& Name, const QString& Value, const char* What)
    {
        if (Value.isEmpty())
            Fail(QStringLiteral("%1 needs a %2").arg(Name, QLatin1String(What)));
        return Value;
    }

    // The number Value of option Name, failing when it is none from Min to Max.
    int ParseNumberOption(int Min, int Max, const QString& Name, const QString& Value)
    {
        bool Ok = false;
        const int Number = Value.toInt(&Ok);
        if (!Ok || Number < Min || Number > Max)
            Fail(QStringLiteral("%1 takes %2, not \"%3\"").arg(Name, NumberRangeText(Min, Max), Value));
        return Number;
    }

    double ParseWait(const QString& Name, const QString& Value)
    {
        bool Ok = false;
        const double Seconds = Value.toDouble(&Ok);
        if (!Ok || !(Seconds >= 0 && Seconds <= MaxWaitSeconds))
            Fail(QStringLiteral("%1 takes seconds from 0 to %2, not \"%3\"")
                     .arg(Name)
                     .arg(MaxWaitSeconds)
                     .arg(Value));
        return Seconds;
    }

    qint64 ParseRateOption(const QString& Name, const QString& Value)
    {
        const qint64 Rate = ParseRate(Value);
        if (Rate < 0)
            Fail(QStringLiteral("%1 takes bytes a second, with k or M for KiB or MiB (such as 200k or 1.5M), "
                                "not \"%2\"")
                     .arg(Name, Value));
        return Rate;
    }

    int ParseSetting(const TRunSettingDef& Setting, const QString& Name, const QString& Value)
    {
        return ParseNumberOption(Setting.Min, Setting.Max, Name, Value);
    }

    void Apply(const TOptionDef& Def, const QString& Name, const QString& Value)
    {
        TQuickCopyOptions& Copy = Options.QuickCopy;
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
            Options.Connections = ParseSetting(ConnectionsSetting, Name, Value);
            break;
        case oiMaxURLs:
            Options.MaxURLs = ParseSetting(MaxURLsSetting, Name, Value);
            break;
        case oiStateDir:
            Options.StateDir = NonEmpty(Name, Value, "folder");
            break;
        case oiChanges:
            Options.ChangesFile = NonEmpty(Name, Value, "file name");
            break;
        case oiForget:
            Options.Forget = true;
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
            Copy.OutDir = NonEmpty(Name, Value, "folder");
            break;
        case oiDepth:
            Copy.Depth = ParseNumberOption(0, NoLimit, Name, Value);
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
            Copy.Downloads.push_back({ Pair.first, Pair.second });
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
            Copy.Replaces.push_back({ Pair.first, Pair.second });
            break;
        case oiNoCompletePages:
            Copy.CompletePages = false;
            break;
        case oiSpecFileNames:
            Copy.SiteFileNames = false;
            break;
        case oiRobots:
            if (Value != QLatin1String("on") && Value != QLatin1String("off"))
                Fail(QStringLiteral("%1 takes on or off, not \"%2\"").arg(Name, Value));
            Copy.Requests.Robots = Value == QLatin1String("on");
            break;
        case oiWait:
            Copy.Requests.WaitSeconds = ParseWait(Name, Value);
            break;
        case oiRandomWait:
            Copy.Requests.RandomWait = true;
            break;
        case oiLimitRate:
            Copy.Requests.LimitRate = ParseRateOption(Name, Value);
            break;
        case oiUserAgent:
            Copy.Requests.UserAgent = NonEmpty(Name, Value, "text");
            break;
        case oiTries:
            Copy.Requests.Tries = ParseNumberOption(1, TriesSetting.Max, Name, Value);
            break;
        case oiTimeout:
            Copy.Requests.TimeoutSeconds = ParseNumberOption(1, TimeoutSetting.Max, Name, Value);
            break;
        case oiAcceptRegex:
            Copy.Requests.Accept << NonEmpty(Name, Value, "regular expression");
            break;
        case oiRejectRegex:
            Copy.Requests.Reject << NonEmpty(Name, Value, "regular expression");
            break;
        case oiNoCheckCertificate:
            Copy.Requests.VerifyTLS = false;
            break;
        case oiCACertificate:
            Copy.Requests.CACertificate = NonEmpty(Name, Value, "file name");
            break;
        case oiInputFile:
            FInputFiles << NonEmpty(Name, Value, "file name");
            break;
        }
    }

    // "--name" or "--name=value".
    void ParseLong(const QString& Arg)
    {
        const int Equals = Arg.indexOf(QLatin1Char('='));
        const QString Name = Equals < 0 ? Arg : Arg.left(Equals);
        const TOptionDef* Def = FindLong(Name.mid(2));
        if (!Def)
            Fail(QStringLiteral("unknown option \"%1\"").arg(Name));
        else if (Equals >= 0 && !Def->TakesValue)
            Fail(QStringLiteral("%1 takes no value").arg(Name));
        else
            Use(*Def, Name, Equals < 0 ? std::nullopt : std::optional<QString>(Arg.mid(Equals + 1)));
    }

    // "-qo DIR", "-l2": letters each naming a short option; the first that
    // takes a value takes the rest of the argument, or the next one.
    void ParseShortOptions(const QString& Arg)
    {
        for (int At = 1; At < Arg.size() && Error.isEmpty(); ++At) {
            const QString Name = QStringLiteral("-") + Arg[At];
            const TOptionDef* Def = FindShort(Arg[At]);
            if (!Def) {
                Fail(QStringLiteral("unknown option \"%1\"").arg(At == 1 ? Arg : Name));
                return;
            }
            const bool ValueAttached = Def->TakesValue && At + 1 < Arg.size();
            Use(*Def, Name, ValueAttached ? std::optional<QString>(Arg.mid(At + 1)) : std::nullopt);
            if (Def->TakesValue)
                return;
        }
    }

    // Applies the option, with the next argument as its value when it takes
    // one and none came with it.
    void Use(const TOptionDef& Def, const QString& Name, std::optional<QString> Value)
    {
        if (Def.TakesValue && !Value) {
            if (FNext >= FArguments.size()) {
                Fail(QStringLiteral("%1 needs a value").arg(Name));
                return;
            }
            Value = FArguments[FNext++];
        }
        if (Def.Mode == omConfiguration && FConfigurationOption.isEmpty())
            FConfigurationOption = Name;
        if (Def.Mode == omQuickCopy && FQuickCopyOption.isEmpty())
            FQuickCopyOption = Name;
        Apply(Def, Name, Value.value_or(QString()));
    }

    // The URLs of the input files follow those of the command line.
    void ReadInputFiles()
    {
        if (!Error.isEmpty() || Options.Help || Options.Version)
            return;
        for (const QString& FileName : FInputFiles)
            if (!ReadInputFile(FileName, Options.QuickCopy.URLs, Error))
                return;
        if (!FInputFiles.isEmpty() && Options.QuickCopy.URLs.isEmpty())
            Fail(QStringLiteral("the input file \"%1\" lists no URL")
                     .arg(FInputFiles.join(QStringLiteral("\", \""))));
    }

    void CheckCombination()
    {
        const bool QuickCopy = !Options.QuickCopy.URLs.isEmpty();
        if (!Error.isEmpty() || Options.Help || Options.Version)
            return;
        if (QuickCopy && !FConfigurationOption.isEmpty())
            Fail(QStringLiteral(
                "%1 belongs to runs of the configuration's projects, not to a quick copy of URLs")
                     .arg(FConfigurationOption));
        else if (!QuickCopy && !FQuickCopyOption.isEmpty())
            Fail(QStringLiteral("%1 applies to a quick copy: give the URLs to copy").arg(FQuickCopyOption));
        else if (Options.Forget
            && (Options.List || Options.RunChecked || (!QuickCopy && Options.StartNames.isEmpty())))
            Fail(QStringLiteral("--forget takes -start NAMES or the URLs of a quick copy"));
        else if (!QuickCopy && !Options.List) {
            const bool StartGiven = !Options.StartNames.isEmpty();
            if (StartGiven == Options.RunChecked)
                Fail(Options.RunChecked ? QStringLiteral("give either -start or -checked, not both")
                                        : QStringLiteral("give URLs to copy, -start NAMES or -checked"));
        } else if (Options.List && (Options.RunChecked || !Options.StartNames.isEmpty()))
            Fail(QStringLiteral("--list runs nothing; give it without -start and -checked"));
    }

    QStringList FArguments;
    QStringList FInputFiles;
    int FNext = 0;
    QString FConfigurationOption, FQuickCopyOption; // the first of each kind given
};

} // namespace

TConsoleOptions ParseConsoleOptions(const QStringList& Arguments, QString& Error)
{
    TParser Parser;
    Parser.Parse(Arguments);
    Error = Parser.Error;
    return Parser.Options;
}
