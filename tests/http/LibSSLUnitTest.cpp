#include "http/LibSSLUnit.h"

#include "containers/Exception.h"
#include "support/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>
#include <zlib.h>

namespace {

// A real shared library that is safe to load twice: the process's own zlib.
QString LoadableLibrary()
{
    Dl_info Info {};
    dladdr(reinterpret_cast<void*>(&zlibVersion), &Info);
    return QFile::decodeName(Info.dli_fname);
}

QString LoadedPath(void* Handle)
{
    if (!Handle)
        return QString();
    link_map* Map = nullptr;
    dlinfo(Handle, RTLD_DI_LINKMAP, &Map);
    return QFile::decodeName(Map->l_name);
}

class LibSSLUnitTest : public ::testing::Test {
protected:
    void TearDown() override { UnloadTLSLibraries(); }

    QString Folder() const { return FDir.path() + QLatin1Char('/'); }

    // Puts a loadable library under Name, or a file that does not load.
    void Place(const QString& Name, bool Loadable = true)
    {
        const QString Path = Folder() + Name;
        if (Loadable) {
            ASSERT_TRUE(QFile::copy(LoadableLibrary(), Path));
        } else {
            WriteFile(Path, "not a library");
        }
    }

    QTemporaryDir FDir;
};

} // namespace

TEST_F(LibSSLUnitTest, LoadsTheFirstNameThatExistsAndLoads)
{
    struct Case {
        const char* Name;
        QStringList Loadable;
        QStringList Broken;
        const char* Crypto; // file loaded, empty for none
        const char* SSL;
    };
    const Case Cases[] = {
        { "nothing there", {}, {}, "", "" },
        { "versioned", { "libcrypto.so.3", "libssl.so.3" }, {}, "libcrypto.so.3", "libssl.so.3" },
        { "both names", { "libcrypto.so.3", "libcrypto.so", "libssl.so.3", "libssl.so" }, {},
            "libcrypto.so.3", "libssl.so.3" },
        { "unversioned only", { "libcrypto.so", "libssl.so" }, {}, "libcrypto.so", "libssl.so" },
        { "broken first name", { "libssl.so" }, { "libssl.so.3", "libcrypto.so.3" }, "", "libssl.so" },
    };
    for (const Case& C : Cases) {
        QTemporaryDir Dir;
        FDir.swap(Dir);
        for (const QString& Name : C.Loadable)
            Place(Name);
        for (const QString& Name : C.Broken)
            Place(Name, false);
        PreloadCryptoLibrary(Folder());
        PreloadSSLLibrary(Folder());
        const QString Crypto = QString::fromLatin1(C.Crypto);
        const QString SSL = QString::fromLatin1(C.SSL);
        EXPECT_EQ(LoadedPath(CryptoLibraryHandle()), Crypto.isEmpty() ? QString() : Folder() + Crypto)
            << C.Name;
        EXPECT_EQ(LoadedPath(SSLLibraryHandle()), SSL.isEmpty() ? QString() : Folder() + SSL) << C.Name;
        UnloadTLSLibraries();
        EXPECT_EQ(CryptoLibraryHandle(), nullptr);
        EXPECT_EQ(SSLLibraryHandle(), nullptr);
    }
}

TEST_F(LibSSLUnitTest, LoadedLibraryIsKept)
{
    Place(QStringLiteral("libssl.so.3"));
    PreloadSSLLibrary(Folder());
    void* First = SSLLibraryHandle();
    ASSERT_NE(First, nullptr);

    QTemporaryDir Other;
    ASSERT_TRUE(QFile::copy(LoadableLibrary(), Other.path() + QStringLiteral("/libssl.so.3")));
    PreloadSSLLibrary(Other.path() + QLatin1Char('/'));
    EXPECT_EQ(SSLLibraryHandle(), First);
}

TEST_F(LibSSLUnitTest, NoFolderMeansNoSearch)
{
    PreloadCryptoLibrary(QString());
    PreloadSSLLibrary(QString());
    EXPECT_EQ(CryptoLibraryHandle(), nullptr);
    EXPECT_EQ(SSLLibraryHandle(), nullptr);
}

TEST_F(LibSSLUnitTest, StartUpLoadsFromTheFolderBesideTheProgram)
{
    int Argc = 1;
    char Name[] = "harvo_http_tests";
    char* Argv[] = { Name, nullptr };
    QCoreApplication Application(Argc, Argv);
    int Reports = 0;
    const TModuleErrorReporter Count = [&Reports](const QString&, const QString&) { ++Reports; };

    const QString Folder = QCoreApplication::applicationDirPath() + QStringLiteral("/libssl");
    ASSERT_FALSE(QFileInfo::exists(Folder)) << "left over from an earlier run";
    EXPECT_EQ(LibSSLFolder(), Folder + QLatin1Char('/'));
    InitializeLibSSLUnit(Count);
    EXPECT_EQ(CryptoLibraryHandle(), nullptr);
    EXPECT_EQ(SSLLibraryHandle(), nullptr);

    ASSERT_TRUE(QDir().mkpath(Folder));
    const bool Copied = QFile::copy(LoadableLibrary(), Folder + QStringLiteral("/libssl.so"));
    if (Copied)
        InitializeLibSSLUnit(Count);
    const QString Loaded = LoadedPath(SSLLibraryHandle());
    FinalizeLibSSLUnit(Count);
    QDir(Folder).removeRecursively();

    ASSERT_TRUE(Copied);
    EXPECT_EQ(Loaded, Folder + QStringLiteral("/libssl.so"));
    EXPECT_EQ(SSLLibraryHandle(), nullptr);
    EXPECT_EQ(Reports, 0);
}

TEST(ModuleStep, FailureIsReportedAndNotPassedOn)
{
    HARVO_DECLARE_EXCEPTION(EStepError, Exception)
    QStringList Seen;
    const TModuleErrorReporter Record
        = [&Seen](const QString& Title, const QString& Text) { Seen << Title << Text; };
    RunModuleStep(
        QStringLiteral("InitException in %1"), QStringLiteral("LibSSLUnit"), [] {}, Record);
    EXPECT_TRUE(Seen.isEmpty());

    RunModuleStep(
        QStringLiteral("FinalException in %1"), QStringLiteral("LibSSLUnit"),
        [] { throw EStepError(QStringLiteral("could not unload")); }, Record);
    ASSERT_EQ(Seen.size(), 2);
    EXPECT_EQ(Seen[0], QStringLiteral("FinalException in LibSSLUnit"));
    EXPECT_TRUE(Seen[1].startsWith(QStringLiteral("Exception EStepError in module "))) << qPrintable(Seen[1]);
    EXPECT_TRUE(Seen[1].endsWith(QStringLiteral("\ncould not unload")));

    Seen.clear();
    RunModuleStep(
        QStringLiteral("InitException in %1"), QString(600, QLatin1Char('M')),
        [] { throw std::runtime_error(std::string(3000, 'x')); }, Record);
    ASSERT_EQ(Seen.size(), 2);
    EXPECT_EQ(Seen[0].size(), 511);
    EXPECT_EQ(Seen[1].size(), 1024);
}
