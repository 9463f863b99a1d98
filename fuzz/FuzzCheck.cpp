#include "FuzzCheck.h"

#include <cstdio>
#include <cstdlib>

void FuzzCheck(bool Holds, const char* Message, const QString& Value)
{
    if (Holds)
        return;
    std::fprintf(stderr, "fuzz check failed: %s\n%s\n", Message, Value.toUtf8().constData());
    std::abort();
}
