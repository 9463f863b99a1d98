#pragma once

#include "containers/Exception.h"

#include <QString>

// A store that failed to read or write (full disk, damage found mid-run):
// the run goes on without it.
HARVO_DECLARE_EXCEPTION(EStateError, Exception)

// The text that tells one project's store from another's: its website URL
// and output folder.
QString CrawlStateKey(const QString& WebsiteURL, const QString& OutputFolder);
// The store of that project in StateFolder: a file named after the site's
// host and a digest of its key.
QString CrawlStatePath(const QString& StateFolder, const QString& WebsiteURL, const QString& OutputFolder);
// Where the partial downloads of the store at StorePath wait to be resumed.
QString PartsFolderOf(const QString& StorePath);
// Deletes the store at StorePath with its journal files and partial
// downloads; true when there was one. Raises EStateError when one stays.
bool ForgetCrawlState(const QString& StorePath);
// Gives the files of the store at Path the name of its damaged copy, in
// place of an older one, so that a new store starts from nothing; Reason
// is why it cannot be used. Returns the copy's name; raises EStateError
// when the store stays.
QString SetAsideCrawlState(const QString& Path, const QString& Reason);
