#pragma once

#include <QChar>
#include <QString>

// The options of harvo-cli: their names, forms and where they may be used.
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
    oiStateDir,
    oiChanges,
    oiForget,
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
    oiSpecFileNames,
    oiRobots,
    oiWait,
    oiRandomWait,
    oiLimitRate,
    oiUserAgent,
    oiTries,
    oiTimeout,
    oiAcceptRegex,
    oiRejectRegex,
    oiNoCheckCertificate,
    oiCACertificate,
    oiInputFile,
};

// Where an option may be used.
enum TOptionMode { omAny, omConfiguration, omQuickCopy };

struct TOptionDef {
    TOptionId Id;
    const char* Long; // after "--"
    char Short; // a GNU short option, matched with its case; 0 for none
    const char* Word; // a single-dash word, matched without case; may be null
    bool TakesValue;
    TOptionMode Mode;
};

// The option named Name after "--", the single-dash word Arg (any case),
// or the short option Letter; nullptr when there is none.
const TOptionDef* FindLong(const QString& Name);
const TOptionDef* FindWord(const QString& Arg);
const TOptionDef* FindShort(QChar Letter);
