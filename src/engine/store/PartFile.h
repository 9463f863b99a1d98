#pragma once

#include <QString>

// A file download that was cut waits in a part file of its own, with the
// validators of the reply it came from beside it, so that the next attempt
// or run asks only for the rest (and only if the file is still the same).
struct TPartValidators {
    QString ETag;
    QString LastModified;
};

// The part file of URL in PartsFolder.
QString PartFileFor(const QString& PartsFolder, const QString& URL);
// Notes the validators of the reply that PartFile holds the start of; a
// failure only costs the resume.
void WritePartValidators(const QString& PartFile, const TPartValidators& Validators);
// The If-Range value for what PartFile holds: its strong ETag, else its
// Last-Modified date; empty when the part cannot be resumed safely.
QString PartIfRange(const QString& PartFile);
// The part file and its validators go.
void RemovePart(const QString& PartFile);
