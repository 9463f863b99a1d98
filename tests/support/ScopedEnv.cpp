#include "ScopedEnv.h"

#include <QtGlobal>

ScopedEnv::ScopedEnv(const char* Name, const QByteArray& Value)
    : FName(Name)
    , FOldValue(qgetenv(Name))
    , FHadValue(qEnvironmentVariableIsSet(Name))
{
    qputenv(Name, Value);
}

ScopedEnv::~ScopedEnv()
{
    if (FHadValue)
        qputenv(FName.constData(), FOldValue);
    else
        qunsetenv(FName.constData());
}
