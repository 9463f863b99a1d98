// harvo-cli against a site that tries to break out of the output folder, to
// exhaust memory or to hold the run forever. Each case must end with a line
// in the log while the crawl goes on to its summary.
#include "support/ChildProcess.h"
#include "support/FileSizeLimit.h"
#include "support/Files.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedHttpServer.h"

#include "projects/AppConfig.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <gtest/gtest.h>
#include <iostream>
#include <zlib.h>

namespace {

constexpr int RunTimeoutMs = 120000;
// What the crawl may hold at once: a body at its size limit, once as
// received and once as saved, with the program around it. The address
// sanitizer keeps freed blocks in quarantine and adds its shadow memory.
#ifdef __SANITIZE_ADDRESS__
constexpr long PeakRssBoundKiB = 2048 * 1024;
#else
constexpr long PeakRssBoundKiB = 900 * 1024;
#endif
constexpr int ManyLinks = 200000;

// A gzip body of about 10 MB that inflates to Mebibytes MiB of zeros: one
// fully flushed block of compressed zeros, repeated. Decoding must stop at
// its limit long before the trailer, which is left blank.
QByteArray GZipBomb(int Mebibytes)
{
    QByteArray Zeros(1 << 20, '\0');
    QByteArray Block(1 << 16, '\0');
    z_stream Stream {};
    deflateInit2(&Stream, 9, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    Stream.next_in = reinterpret_cast<Bytef*>(Zeros.data());
    Stream.avail_in = uInt(Zeros.size());
    Stream.next_out = reinterpret_cast<Bytef*>(Block.data());
    Stream.avail_out = uInt(Block.size());
    deflate(&Stream, Z_FULL_FLUSH);
    Block.truncate(Block.size() - Stream.avail_out);
    deflateEnd(&Stream);
    return QByteArray("\x1f\x8b\x08\0\0\0\0\0\0\x03", 10) + Block.repeated(Mebibytes)
        + QByteArray("\x03\0", 2) + QByteArray(8, '\0');
}

class HostileSiteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FTemp.isValid());
        FToken = QFileInfo(FTemp.path()).fileName();
        FProjectDir = FTemp.path() + "/out/Site";
        FOutside = FTemp.path() + "/outside";
        ASSERT_TRUE(QDir().mkpath(FProjectDir) && QDir().mkpath(FOutside));
        WriteFile(FOutside + "/secret.txt", Secret());
    }

    QByteArray Secret() const { return "SECRET-" + FToken.toUtf8(); }

    // Saves a configuration with one project "Site" that copies /site/ and
    // the pages linked from it (to the given depth).
    void SaveProject(TOverwriteFile Policy, int Depth = 1, bool SiteFileNames = false)
    {
        TWebsiteProjectList Projects;
        auto Project = std::make_unique<TWebsiteProject>();
        Project->SetProjectName("Site");
        Project->SetWebsiteURL(FServer.Url("/site/"));
        Project->StartPages().push_back({ FServer.Url("/site/"), Depth });
        Project->SetOutputFolder("{OutDir}/{ProjectName}");
        Project->SetRelativePathLinks(true);
        Project->SetOverwrite(Policy);
        Project->SetSiteFileNames(SiteFileNames);
        Projects.AddProject(std::move(Project));
        TAppConfig Config({ "-config", ConfigPath() }, FTemp.path());
        ASSERT_TRUE(Config.SaveConfig(Projects, QString(), FTemp.path() + "/out"));
    }

    QString ConfigPath() const { return FTemp.path() + "/hrv.ini"; }

    std::unique_ptr<ChildProcess> StartRun(const QStringList& Options = {})
    {
        return std::make_unique<ChildProcess>(HARVO_CLI_PATH,
            QStringList { "-config", ConfigPath(), "-start", "Site" } + Options, FTemp.path() + "/log");
    }

    // Every file below the temporary folder, links not followed, that is
    // not where the test or the project may put files.
    QStringList FilesOutOfPlace() const
    {
        QStringList Found;
        QDirIterator Files(
            FTemp.path(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (Files.hasNext()) {
            const QString Path = Files.next();
            if (!Path.startsWith(FProjectDir + "/") && Path != ConfigPath()
                && !Path.startsWith(FTemp.path() + "/log") && Path != FOutside + "/secret.txt")
                Found << Path;
        }
        for (const QString& Folder : { QStringLiteral("/"), QDir::tempPath(), FTemp.path() + "/out" })
            for (const QString& Name : QDir(Folder).entryList({ "*" + FToken + "*" }, QDir::Files))
                Found << Folder + "/" + Name;
        return Found;
    }

    QTemporaryDir FTemp;
    QString FToken, FProjectDir, FOutside;
    ScriptedHttpServer FServer;
};

TEST_F(HostileSiteTest, TheCrawlStaysInItsFolderBoundedInTimeAndMemory)
{
    const QString Escape = "escape-" + FToken;
    const QStringList Climbing {
        "../../../../" + Escape + "-1.txt",
        "%2e%2e/%2e%2e/%2e%2e/" + Escape + "-2.txt",
        "a%2f..%2f..%2f..%2f" + Escape + "-3.txt",
        "..%5c..%5c..%5c" + Escape + "-4.txt",
        "..\\..\\..\\" + Escape + "-5.txt",
        "a\\..\\..\\..\\..\\" + Escape + "-6.txt",
        "%u002e%u002e/%u002e%u002e/%u002e%u002e/" + Escape + "-7.txt",
        "a%00/%2e%2e/%2e%2e/%2e%2e/%2e%2e/" + Escape + "-8.txt",
        QString("zero") + QChar(0) + "%2f%2e%2e%2f%2e%2e%2f%2e%2e%2f" + Escape + "-9.txt",
        "q.txt?x=%2F..%2F..%2F..%2F..%2F" + Escape + "-10.txt",
        "q.txt?/etc/passwd",
        "q.txt?file=C:\\Windows\\win.ini",
        "//" + FServer.Url("/site/").mid(7) + "%2e%2e%2f%2e%2e%2f%2e%2e%2f" + Escape + "-11.txt",
        "/site/%2E%2E%2F%2E%2E%2F%2E%2E%2F" + Escape + "-12.txt",
    };
    const QStringList Other { QString(296, 'n') + ".png", QString(4996, 'm') + ".png", "Case.png", "case.png",
        "DIR/a.png", "dir/b.png", "to-file.png", "to-ftp.png", "loop.png", "bomb.bin", "planted/p1.png",
        "planted/new/p2.png", "esc.png", "ctl&#10;Completed.&#27;[2J.png" };
    QString Index = "<html><body>\n<a href=\"many.html\">many</a>\n<a href=\"" + QString(300, 'd')
        + "\">d</a>\n"
          "<a href=\"about\">about</a><a href=\"search?..\">s</a><a "
          "href=\"blog/post?..%2F..%2Fabout\">b</a>\n";
    for (const QString& Link : Climbing + Other)
        Index += "<img src=\"" + Link + "\">\n";
    QByteArray Many;
    for (int I = 0; I < ManyLinks; ++I)
        Many += "<a href=\"m/" + QByteArray::number(I) + ".html\">" + QByteArray::number(I) + "</a>\n";

    FServer.On("/site/", ScriptedReply::Ok(Index.toLatin1()));
    FServer.On("/site/many.html", ScriptedReply::Ok(Many));
    FServer.On("/site/to-file.png",
        ScriptedReply::Redirect(302, "file://" + QFile::encodeName(FOutside) + "/secret.txt"));
    FServer.On("/site/to-ftp.png",
        ScriptedReply::Redirect(
            302, "ftp://127.0.0.1:" + QByteArray::number(FServer.Port()) + "/secret.txt"));
    FServer.On("/site/loop.png", ScriptedReply::Redirect(302, "/site/loop.png"));
    FServer.On("/site/esc.png",
        ScriptedReply::Raw("HTTP/1.1 500 \x1B[2J\x07"
                           "Bad\x9B\r\nContent-Length: 0\r\n\r\n"));
    FServer.On("/site/bomb.bin",
        ScriptedReply::Status(200, "OK",
            { "Content-Type: application/octet-stream", "Content-Encoding: gzip" }, GZipBomb(10 << 10)));
    FServer.SetFallback(
        [](const RecordedRequest& Request) { return ScriptedReply::Ok(Request.Path, "image/png"); });
    ASSERT_TRUE(QFile::link(FOutside, FProjectDir + "/planted"));
    SaveProject(ofAll);

    auto Run = StartRun();
    ASSERT_TRUE(Run->Wait(RunTimeoutMs));
    const QStringList Lines = Run->OutputLines();
    const QString Log = Lines.join('\n');
    std::cout << "harvo-cli peak RSS: " << Run->PeakRssKiB() / 1024 << " MiB\n";
    // The hostile URLs fail, and a run with failed URLs ends with status 3.
    ASSERT_EQ(Run->ExitCode(), 3) << Run->Errors().toStdString();
    ASSERT_GE(Lines.size(), 2);
    EXPECT_EQ(Lines.last(), "Completed.");
    EXPECT_TRUE(Lines.at(Lines.size() - 2).startsWith("Downloaded: ")) << Log.toStdString();

    EXPECT_EQ(FilesOutOfPlace(), QStringList());
    EXPECT_EQ(
        QDir(FOutside).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList { "secret.txt" });
    EXPECT_EQ(ReadFile(FOutside + "/secret.txt"), Secret());
    QDirIterator Saved(FProjectDir, QDir::Files, QDirIterator::Subdirectories);
    while (Saved.hasNext()) {
        const QString Path = Saved.next();
        EXPECT_FALSE(ReadFile(Path).contains(Secret())) << Path.toStdString();
    }
    EXPECT_GE(Lines.filter("Invalid directory ").size(), 10) << Log.toStdString();
    // Nothing from the network reaches the log raw or forges a line.
    EXPECT_EQ(Lines.count("Completed."), 1) << Log.toStdString();
    for (const QString& Line : Lines)
        EXPECT_FALSE(std::any_of(Line.begin(), Line.end(), [](QChar C) {
            return (C.unicode() < 0x20 && C != u'\t') || (C.unicode() >= 0x7F && C.unicode() <= 0x9F);
        })) << Line.toStdString();
    EXPECT_TRUE(Log.contains("HTTP/1.1 500 \\x1B[2J\\x07Bad")) << Log.toStdString();
    EXPECT_TRUE(Log.contains("ctl%0ACompleted.%1B[2J.png")) << Log.toStdString();
    // A query of dots never lands on another URL's file.
    EXPECT_TRUE(ReadFile(FProjectDir + "/index.html").startsWith("<html><body>"));
    EXPECT_EQ(ReadFile(FProjectDir + "/about/index.html"), "/site/about");

    // Names too long for the file system fail alone, with the system's reason.
    EXPECT_EQ(Lines.filter("File name too long").size(), 2) << Log.toStdString();
    EXPECT_EQ(Lines.filter("Unable to create directory " + FProjectDir + "/ddd").size(), 1);
    EXPECT_TRUE(QFile::exists(FProjectDir + "/Case.png"));
    EXPECT_TRUE(QFile::exists(FProjectDir + "/DIR/a.png") && QFile::exists(FProjectDir + "/dir/b.png"));

    // Redirects to other schemes are logged and never followed; a loop ends
    // at the client's limit.
    EXPECT_TRUE(Lines.contains("Redirect to: file://" + FOutside + "/secret.txt"));
    EXPECT_TRUE(Log.contains("Protocol \"file\" not supported")) << Log.toStdString();
    EXPECT_TRUE(Log.contains("Protocol \"ftp\" not supported")) << Log.toStdString();
    EXPECT_EQ(Lines.filter("Too many redirects (15)").size(), 1) << Log.toStdString();

    // The bomb stops at the crawl's limit, once.
    EXPECT_EQ(Lines.filter("The decoded body exceeds the limit of 268435456 bytes").size(), 1);
    EXPECT_FALSE(QFile::exists(FProjectDir + "/bomb.bin"));

    EXPECT_EQ(
        QString::fromUtf8(ReadFile(FProjectDir + "/many.html/index.html")).count("<a href="), ManyLinks);
    EXPECT_LT(Run->PeakRssKiB(), PeakRssBoundKiB);
}

TEST_F(HostileSiteTest, NoTwoURLsShareAFileAndNoneClimbsOutWithEitherMapping)
{
    const QStringList Links { "about.html", "about%FF.html", "ab%FEout.html", "%ff%fe.html", ".html", "?",
        "x.png", "%78.png", "a%09b.png", "a%2509b.png", "100%25.png", "100%.png", "p?a=1&b=2", "p?a=1_b=2",
        "about", "about/x", "docs.pdf", "docs.pdf/x.png", "../../x-" + FToken + ".png",
        "%2e%2e/%2e%2e/y-" + FToken + ".png" };
    QByteArray Index = "<html><body>";
    for (const QString& Link : Links)
        Index += "<a href=\"" + Link.toUtf8() + "\">l</a><img src=\"" + Link.toUtf8() + "\">";
    FServer.On("/site/", ScriptedReply::Ok(Index));
    FServer.On("/site/docs.pdf", ScriptedReply::Ok("%PDF", "application/pdf"));
    // Every other URL answers with its own path and query, as a page or a file.
    FServer.SetFallback([](const RecordedRequest& Request) {
        return ScriptedReply::Ok(Request.Target, Request.Target.endsWith(".png") ? "image/png" : "text/html");
    });
    for (const bool SiteFileNames : { false, true }) {
        SCOPED_TRACE(SiteFileNames ? "site file names" : "folders per page");
        QDir(FProjectDir).removeRecursively();
        SaveProject(ofAll, 1, SiteFileNames);
        auto Run = StartRun();
        ASSERT_TRUE(Run->Wait(RunTimeoutMs));
        EXPECT_EQ(FilesOutOfPlace(), QStringList());
        std::map<QByteArray, QStringList> FilesByContent;
        QDirIterator Saved(FProjectDir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (Saved.hasNext()) {
            const QString Path = Saved.next();
            FilesByContent[ReadFile(Path).left(40)] << Path;
        }
        // Each URL that was saved has a file of its own.
        for (const auto& [Content, Paths] : FilesByContent)
            EXPECT_EQ(Paths.size(), 1) << Content.constData() << ": " << Paths.join(", ").toStdString();
        for (const char* Target : { "/site/about%FF.html", "/site/ab%FEout.html", "/site/%ff%fe.html",
                 "/site/a%09b.png", "/site/a%2509b.png", "/site/p?a=1&b=2", "/site/p?a=1_b=2" })
            EXPECT_EQ(FilesByContent.count(Target), 1u) << Target;
        // "/site/?" has a file of its own beside the start page.
        EXPECT_TRUE(QFileInfo(FProjectDir + (SiteFileNames ? "/index@.html" : "/?/index.html")).isFile());
    }
}

TEST_F(HostileSiteTest, AKilledRunLeavesEachFileWholeForTheNextRunUnderEveryPolicy)
{
    constexpr int BigSize = 16 << 20;
    std::atomic<char> Generation { 'o' };
    FServer.On("/site/", ScriptedReply::Ok("<img src=\"big.bin\">"));
    FServer.SetFallback([&](const RecordedRequest&) {
        return ScriptedReply::Ok(QByteArray(BigSize, Generation.load()), "application/octet-stream");
    });
    const QString Big = FProjectDir + "/big.bin";
    auto WholeCopyOf = [&](char Content) {
        const QByteArray Bytes = ReadFile(Big);
        return Bytes.size() == BigSize && Bytes.count(Content) == BigSize;
    };
    auto RunToTheEnd = [&] {
        auto Run = StartRun();
        ASSERT_TRUE(Run->Wait(RunTimeoutMs));
        ASSERT_EQ(Run->OutputLines().value(Run->OutputLines().size() - 1), "Completed.");
    };

    for (const TOverwriteFile Policy : { ofNone, ofAll, ofChanged }) {
        ASSERT_TRUE(QDir(FProjectDir).removeRecursively());
        Generation = 'o';
        SaveProject(ofAll);
        RunToTheEnd();
        ASSERT_TRUE(WholeCopyOf('o'));

        // Killed while it writes the new copy of the large file.
        Generation = 'n';
        {
            auto Run = StartRun();
            ASSERT_TRUE(Run->WaitForOutput("Saving: " + Big.toUtf8(), RunTimeoutMs));
            Run->Kill(SIGKILL);
            ASSERT_TRUE(Run->Wait(RunTimeoutMs));
            EXPECT_EQ(Run->ExitCode(), -1);
        }
        const bool OldCopyKept = WholeCopyOf('o');
        EXPECT_TRUE(OldCopyKept || WholeCopyOf('n')) << Policy;

        SaveProject(Policy);
        RunToTheEnd();
        EXPECT_TRUE(WholeCopyOf(Policy == ofNone && OldCopyKept ? 'o' : 'n')) << Policy;
    }
}

TEST_F(HostileSiteTest, AFullDiskEndsTheRunWithTheSystemsReasonAndKeepsEveryOldCopy)
{
    constexpr int BigSize = 1 << 20;
    std::atomic<char> Generation { 'o' };
    FServer.On("/site/", ScriptedReply::Ok("<img src=\"big.bin\"><img src=\"small.bin\">"));
    FServer.SetFallback([&](const RecordedRequest& Request) {
        const int Size = Request.Path.endsWith("big.bin") ? BigSize : 10;
        return ScriptedReply::Ok(QByteArray(Size, Generation.load()), "application/octet-stream");
    });
    SaveProject(ofAll);
    {
        auto Run = StartRun();
        ASSERT_TRUE(Run->Wait(RunTimeoutMs));
        ASSERT_EQ(Run->ExitCode(), 0) << Run->Errors().toStdString();
    }

    Generation = 'n';
    std::unique_ptr<ChildProcess> Run;
    {
        // The child keeps the limit it starts with.
        ScopedFileSizeLimit Limit(256 << 10);
        Run = StartRun();
    }
    ASSERT_TRUE(Run->Wait(RunTimeoutMs));
    QStringList Lines = Run->OutputLines();
    EXPECT_EQ(Lines.filter(QRegularExpression("^Changed: ")).size(), 1) << Lines.join('\n').toStdString();
    Lines = Lines.filter(QRegularExpression("^(?!Changed: )"));
    const QString Big = FProjectDir + "/big.bin";
    const QString Reason = "Cannot create file \"" + Big + "\". File too large";
    EXPECT_EQ(Run->ExitCode(), 1);
    EXPECT_TRUE(Run->Errors().contains(Reason)) << Run->Errors().toStdString();
    EXPECT_EQ(Lines.mid(Lines.size() - 3),
        // The file streams to disk as it arrives, so the disk fails it
        // before it is due to be saved.
        QStringList({ "Downloading [ 2 / 3 ]: " + FServer.Url("/site/big.bin"), Reason + ".",
            "Downloaded: 1, already existed: 0, not changed: 0, empty: 0, failed: 1." }))
        << Lines.join('\n').toStdString();
    EXPECT_EQ(ReadFile(Big), QByteArray(BigSize, 'o'));
    EXPECT_EQ(ReadFile(FProjectDir + "/small.bin"), QByteArray(10, 'o'));
    EXPECT_EQ(QDir(FProjectDir).entryList(QDir::Files | QDir::Hidden),
        QStringList({ "big.bin", "index.html", "small.bin" }));
}

TEST_F(HostileSiteTest, ACrawlTrapStopsGrowingAtTheURLLimit)
{
    constexpr int LinksPerPage = 20000;
    constexpr int MaxURLs = 100000;
    FServer.SetFallback([](const RecordedRequest& Request) {
        const QByteArray Page = QByteArray::number(qHash(Request.Path), 36);
        QByteArray Body;
        Body.reserve(LinksPerPage * 32);
        for (int I = 0; I < LinksPerPage; ++I)
            Body += "<a href=\"/site/" + Page + "/" + QByteArray::number(I) + "\">x</a>\n";
        return ScriptedReply::Ok(Body);
    });
    SaveProject(ofAll, 1000);

    auto Run = StartRun({ "-maxurls", QString::number(MaxURLs) });
    // Past the pages that fill the list; the run goes on with what it has,
    // and Ctrl+C ends it as usual.
    ASSERT_TRUE(Run->WaitForOutput(
        "Downloading [ " + QByteArray::number(MaxURLs / LinksPerPage + 5) + " / ", RunTimeoutMs));
    Run->Kill(SIGINT);
    ASSERT_TRUE(Run->Wait(RunTimeoutMs));
    const QStringList Lines = Run->OutputLines();
    const QString Log = Lines.join('\n');
    std::cout << "harvo-cli peak RSS with a full URL list: " << Run->PeakRssKiB() / 1024 << " MiB\n";
    EXPECT_EQ(Run->ExitCode(), 130) << Run->Errors().toStdString();
    EXPECT_EQ(Lines.filter("URL limit reached").size(), 1) << Log.toStdString();
    EXPECT_TRUE(Lines.contains("URL limit reached (100000): no more URLs are added.")) << Log.toStdString();
    EXPECT_EQ(Lines.value(Lines.size() - 1), "Terminated.");
    EXPECT_TRUE(Lines.filter("Downloading [ ").last().contains(" / " + QString::number(MaxURLs) + " ]: "));
    EXPECT_LT(Run->PeakRssKiB(), PeakRssBoundKiB);
}

} // namespace
