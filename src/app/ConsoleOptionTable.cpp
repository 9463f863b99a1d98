#include "ConsoleOptionTable.h"

namespace {

const TOptionDef Options[] = {
    { oiStart, "start", 0, "-start", true, omConfiguration },
    { oiChecked, "checked", 0, "-checked", false, omConfiguration },
    { oiOutDir, "outdir", 0, "-outdir", true, omConfiguration },
    { oiConfig, "config", 0, "-config", true, omConfiguration },
    { oiSettingsDir, "settings-dir", 0, "-settingsdir", true, omConfiguration },
    { oiAppSettingsDir, "app-settings-dir", 0, "-appsettingsdir", false, omConfiguration },
    { oiUserSettingsDir, "user-settings-dir", 0, "-usersettingsdir", false, omConfiguration },
    { oiList, "list", 0, "-list", false, omConfiguration },
    { oiConnections, "connections", 0, "-connections", true, omAny },
    { oiMaxURLs, "maxurls", 0, "-maxurls", true, omAny },
    { oiStateDir, "state-dir", 0, nullptr, true, omAny },
    { oiChanges, "changes", 0, nullptr, true, omAny },
    { oiForget, "forget", 0, nullptr, false, omAny },
    { oiVersion, "version", 0, "-version", false, omAny },
    { oiHelp, "help", 'h', "-help", false, omAny },
    { oiQuiet, "quiet", 'q', nullptr, false, omAny },
    { oiOutput, "output", 'o', nullptr, true, omQuickCopy },
    { oiDepth, "depth", 'l', nullptr, true, omQuickCopy },
    { oiOverwrite, "overwrite", 0, nullptr, true, omQuickCopy },
    { oiLinks, "links", 0, nullptr, true, omQuickCopy },
    { oiIndexFile, "index-file", 0, nullptr, true, omQuickCopy },
    { oiRemoveScripts, "remove-scripts", 0, nullptr, false, omQuickCopy },
    { oiRemoveNoscript, "remove-noscript", 0, nullptr, false, omQuickCopy },
    { oiDownload, "download", 0, nullptr, true, omQuickCopy },
    { oiSuppress, "suppress", 0, nullptr, true, omQuickCopy },
    { oiAlias, "alias", 0, nullptr, true, omQuickCopy },
    { oiReplace, "replace", 0, nullptr, true, omQuickCopy },
    { oiNoCompletePages, "no-complete-pages", 0, nullptr, false, omQuickCopy },
    { oiSpecFileNames, "spec-file-names", 0, nullptr, false, omQuickCopy },
    { oiRobots, "robots", 0, nullptr, true, omQuickCopy },
    { oiWait, "wait", 0, nullptr, true, omQuickCopy },
    { oiRandomWait, "random-wait", 0, nullptr, false, omQuickCopy },
    { oiLimitRate, "limit-rate", 0, nullptr, true, omQuickCopy },
    { oiUserAgent, "user-agent", 0, nullptr, true, omQuickCopy },
    { oiTries, "tries", 0, nullptr, true, omQuickCopy },
    { oiTimeout, "timeout", 0, nullptr, true, omQuickCopy },
    { oiAcceptRegex, "accept-regex", 0, nullptr, true, omQuickCopy },
    { oiRejectRegex, "reject-regex", 0, nullptr, true, omQuickCopy },
    { oiNoCheckCertificate, "no-check-certificate", 0, nullptr, false, omQuickCopy },
    { oiCACertificate, "ca-certificate", 0, nullptr, true, omQuickCopy },
    { oiInputFile, "input-file", 'i', nullptr, true, omQuickCopy },
};

} // namespace

const TOptionDef* FindLong(const QString& Name)
{
    for (const TOptionDef& Def : Options)
        if (Name == QLatin1String(Def.Long))
            return &Def;
    return nullptr;
}

const TOptionDef* FindWord(const QString& Arg)
{
    const QString Lower = Arg.toLower();
    for (const TOptionDef& Def : Options)
        if (Def.Word && Lower == QLatin1String(Def.Word))
            return &Def;
    return nullptr;
}

const TOptionDef* FindShort(QChar Letter)
{
    for (const TOptionDef& Def : Options)
        if (Def.Short && Letter == QLatin1Char(Def.Short))
            return &Def;
    return nullptr;
}
