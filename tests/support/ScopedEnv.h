#pragma once

#include <QByteArray>

// Sets an environment variable for the life of the object and then puts the
// previous value (or its absence) back.
class ScopedEnv {
public:
    ScopedEnv(const char* Name, const QByteArray& Value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    QByteArray FName;
    QByteArray FOldValue;
    bool FHadValue;
};
