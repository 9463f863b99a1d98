#pragma once

#include "ConsoleOptions.h"

#include <memory>

// The one in-memory project of a quick copy: the first URL is the website
// URL, every URL a start page with the depth given. Returns null and fills
// Error when a URL is not HTTP or HTTPS, a replace pattern does not compile
// or the output folder cannot be used; the output folder is then untouched
// unless it had to be created.
std::unique_ptr<TWebsiteProject> MakeQuickCopyProject(const TQuickCopyOptions& Options, QString& Error);
