#include "ScopedHome.h"

#include <QFile>

ScopedHome::ScopedHome()
    : FHome("HOME", QFile::encodeName(FDir.path()))
    , FConfigHome("XDG_CONFIG_HOME", QFile::encodeName(FDir.path() + "/config"))
{
}
