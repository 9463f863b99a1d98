#pragma once

#include "NginxServer.h"

#include <QString>

// The small site under $HARVO_TEST_DATA/site for whole-crawl tests; its
// README.md says what each page exercises.

// Written in the pages where an absolute or scheme-relative link needs the
// server's own "127.0.0.1:<port>"; the server substitutes it in HTML replies.
inline constexpr char FixtureHostPlaceholder[] = "@HOST@";

// The site's folder.
QString FixtureSiteFolder();

// How the site is served: the host placeholder substituted, "/ru/" in
// windows-1251, "/old-about" redirected (301) to "/about.html", no gzip.
// Tests may change the result before starting the server.
NginxOptions FixtureSiteOptions();
