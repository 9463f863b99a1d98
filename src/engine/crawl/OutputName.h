#pragma once

#include <QString>

class TLinkRepair;
class TURLList;
struct TFetchResult;
struct TLinkSettings;

// Where a fetched URL is saved and what the relative links of its text
// resolve against.
struct TOutputName {
    QString BaseURL; // the URL the client fetched last
    QString OutFile; // empty: nothing is saved
};

// The name of URL Index after its fetch: with the site's own names the
// reply may rename the entry (noted for Repair); otherwise a redirect to a
// folder puts the file into that folder as its index file.
TOutputName NameOutput(int Index, const TFetchResult& Result, TURLList& URLs, TLinkRepair& Repair,
    const TLinkSettings& Settings);
