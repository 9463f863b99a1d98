#include "support/PrivateCacheFolder.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

void UsePrivateCacheFolder()
{
    static QTemporaryDir Cache;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(Cache.path()));
}
