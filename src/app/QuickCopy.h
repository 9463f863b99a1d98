#pragma once

#include "ConsoleOptions.h"

// The in-memory projects of a quick copy, added to Projects. A URL without
// a scheme is taken as http://. Every URL is a start page that is saved: the
// URLs in the first URL's folder (or in a wider folder of a later URL) make
// the first project, named after the host and saved in the output folder;
// every other folder makes a project of its own, saved below the output
// folder in a folder named after its host and path. Returns false and fills
// Error when a URL is not HTTP or HTTPS, a replace, accept or reject pattern
// does not compile, the CA file cannot be read or the output folder cannot
// be used; the output folder is then untouched unless it had to be created.
// Without PrepareFolder the output folder is only named, neither checked nor
// created.
bool MakeQuickCopyProjects(const TQuickCopyOptions& Options, TWebsiteProjectList& Projects, QString& Error,
    bool PrepareFolder = true);
