#pragma once

#include <QString>

#include <optional>

class TCrawlTally;
class TRunContext;

// The path the output file OutFile of URL Index is written at, its folders
// made. None when it would leave the output folder OutDir or a folder
// cannot be made: the URL fails with a logged line, and a full disk ends
// the run.
std::optional<QString> PlaceOutput(
    int Index, const QString& OutFile, const QString& OutDir, TCrawlTally& Tally, TRunContext& Run);
