#pragma once

#include "containers/Exception.h"

#include <QByteArray>
#include <QString>

HARVO_DECLARE_EXCEPTION(EFileError, Exception)
// The file system has no room left for the file (full, over quota, file too
// large) or failed to store it: every later file would fail the same way.
HARVO_DECLARE_EXCEPTION(EStorageFullError, EFileError)

// Writes Content to a temporary file in the folder of FilePath and renames it
// over FilePath, so that a failed write keeps the previous file and a Break
// or a crash never leaves a half-written file under the final name. Raises
// EFileError with the system's reason (EStorageFullError when the file system
// cannot take it). No sync to disk: a mirror is cheap to
// fetch again, and a sync per file would dominate a crawl's time.
void WriteFileReplacing(const QString& FilePath, const QByteArray& Content);
