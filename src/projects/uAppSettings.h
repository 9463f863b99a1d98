#pragma once

#include "containers/Exception.h"
#include "containers/Object.h"
#include "containers/VHashedStringList.h"

#include <QString>

HARVO_DECLARE_EXCEPTION(EFOpenError, Exception)
HARVO_DECLARE_EXCEPTION(EFCreateError, Exception)
HARVO_DECLARE_EXCEPTION(EEncodingError, Exception)

// The name=value lines of the configuration file, held in a hashed list so
// that reading and setting names costs one lookup each. The file is UTF-8
// with a byte-order mark and CR LF after every line.
class TAppSettings : public TObject {
public:
    TAppSettings();

    // Replaces the lines with those of the file; the lines stay as they were
    // when the file cannot be read or is not valid UTF-8.
    void LoadFromFile(const QString& AFileName);
    // Writes a temporary file and renames it over AFileName, so a failed
    // save leaves the previous file whole.
    void SaveToFile(const QString& AFileName) const;

    TStrings& Strings() { return FStrings; }
    const TStrings& Strings() const { return FStrings; }

private:
    TVHashedStringList FStrings;
};
