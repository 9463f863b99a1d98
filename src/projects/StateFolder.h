#pragma once

#include <QString>

// The folder that keeps every project's crawl state: Given (the command
// line's), else Configured (the configuration's "StateDir"), else "Harvo" in
// the user's cache folder ($XDG_CACHE_HOME, by default ~/.cache). A relative
// folder is taken from the current folder.
QString CrawlStateFolder(const QString& Given, const QString& Configured);
