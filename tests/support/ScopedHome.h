#pragma once

#include "ScopedEnv.h"

#include <QString>
#include <QTemporaryDir>

// Points HOME and XDG_CONFIG_HOME at a fresh temporary folder for the life of
// the object, so that nothing reads or writes the real home folder.
class ScopedHome {
public:
    ScopedHome();

    QString Path() const { return FDir.path(); }
    // The user's configuration folder (XDG_CONFIG_HOME); not created.
    QString ConfigDir() const { return FDir.path() + "/config"; }

private:
    QTemporaryDir FDir;
    ScopedEnv FHome;
    ScopedEnv FConfigHome;
};
