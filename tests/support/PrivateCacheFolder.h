#pragma once

// Points XDG_CACHE_HOME at a temporary folder of this test program, so that
// the crawl state of its runs (and of the programs it starts) never lands
// in the user's cache; the folder goes when the program ends.
void UsePrivateCacheFolder();
