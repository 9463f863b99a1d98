#pragma once

#include "engine/crawl/DownloadProject.h"
#include "engine/store/FileReplace.h"

#include "FaultyEnvironment.h"
#include "RecordingRunLog.h"
#include "support/Files.h"
#include "support/GZipFixture.h"
#include "support/QStringPrinter.h"
#include "support/ScopedEnv.h"
#include "support/ScriptedHttpServer.h"

#include "http/HTTPClientUnit.h"
#include "projects/WebsiteUnit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

// A missing file reads as "<missing>", so it never passes for an empty one.
inline QByteArray SavedContent(const QString& Path)
{
    QFile File(Path);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray("<missing>");
}

// A crawl of one project against a scripted server, into a temporary folder,
// with pauses that take no time and a disk that fails on cue.
class DownloadProjectTest : public ::testing::Test {
protected:
    DownloadProjectTest()
        : FThread(FLog, FControl)
    {
        FControl.FHTTPRetries = 2;
        FThread.SetEnv(FEnv);
        FOutDir = QDir::toNativeSeparators(FTemp.path() + "/out");
        FProject.SetWebsiteURL(FServer.Url("/"));
    }

    QStringList Crawl(qint64 MaxBodySize = DefaultMaxBodySize)
    {
        THTTPClient Client(QString(), ptAUTO, "test", QString(), 5, 5);
        Client.SetMaxBodySize(MaxBodySize);
        if (FConfigureClient)
            FConfigureClient(Client);
        DownloadProject(FOutDir, FProject, Client, FThread);
        return FLog.Lines();
    }

    QString OutPath(const QString& Relative) const
    {
        return QDir::toNativeSeparators(FOutDir + "/" + Relative);
    }

    ScriptedHttpServer FServer;
    QTemporaryDir FTemp;
    QString FOutDir;
    RecordingRunLog FLog;
    TRunControl FControl;
    TFaultyEnvironment FEnv;
    ScriptedThread FThread;
    TWebsiteProject FProject;
    std::function<void(THTTPClient&)> FConfigureClient;
};
