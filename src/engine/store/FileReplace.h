#pragma once

#include "containers/Exception.h"
#include "engine/store/Environment.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryFile>
#include <exception>

HARVO_DECLARE_EXCEPTION(EFileError, Exception)
// The file system has no room left for the file (full, over quota, file too
// large) or failed to store it: every later file would fail the same way.
HARVO_DECLARE_EXCEPTION(EStorageFullError, EFileError)

// Writes Content to a temporary file in the folder of FilePath and renames it
// over FilePath, so that a failed write keeps the previous file and a Break
// or a crash never leaves a half-written file under the final name. Raises
// EFileError with the system's reason (EStorageFullError when the file system
// cannot take it). No sync to disk: a mirror is cheap to
// fetch again, and a sync per file would dominate a crawl's time. Every file
// operation that can fail for want of room goes through Env.
void WriteFileReplacing(TEnvironment& Env, const QString& FilePath, const QByteArray& Content);

// The error for a file that could not be written for the system's reason
// ErrorCode (EStorageFullError when the file system cannot take it).
std::exception_ptr FileWriteError(const QString& FilePath, int ErrorCode);

// Writes Size bytes straight to the open descriptor Handle, so that the
// system's reason for a short write is seen at once; raises as above.
void WriteAllTo(TEnvironment& Env, int Handle, const char* Data, qint64 Size, const QString& FilePath);

// Creates and opens Temp from its template, for the file FilePath; raises
// EFileError with the system's reason (EStorageFullError when the file
// system has no room for one more file).
void OpenTemporary(TEnvironment& Env, QTemporaryFile& Temp, const QString& FilePath);

// Gives the finished temporary file Temp the name FilePath in one step, in
// place of any file there; across file systems it is copied next to
// FilePath first. The previous file stays whole if anything fails, and Temp
// goes away with its object unless it became FilePath.
void PublishReplacing(TEnvironment& Env, QTemporaryFile& Temp, const QString& FilePath);
// The same for the finished file From, which is gone once it became
// FilePath and stays as it was if anything fails.
void PublishReplacing(TEnvironment& Env, const QString& From, const QString& FilePath);

// Copies the file Source over FilePath as PublishReplacing would publish
// it; Source stays.
void CopyFileReplacing(TEnvironment& Env, const QString& Source, const QString& FilePath);

// Creates Folder and the folders above it that are missing; returns 0, or
// the system's reason why one could not be made.
int MakeFolders(TEnvironment& Env, const QString& Folder);
// True when ErrorCode means the file system can take no more.
bool IsStorageFull(int ErrorCode);
// The error for a folder that could not be made for the reason ErrorCode.
std::exception_ptr FolderError(const QString& Folder, int ErrorCode);
