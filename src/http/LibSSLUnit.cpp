#include "http/LibSSLUnit.h"

#include "containers/Exception.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>
#include <dlfcn.h>

namespace {

constexpr int MaxTitleLength = 511;
constexpr int MaxTextLength = 1024;

void* CryptoLibrary = nullptr;
void* SSLLibrary = nullptr;

// Loads the first of ANames that exists in AFolder and loads, unless AHandle
// is already set.
void PreloadLibrary(void*& AHandle, const QString& AFolder, const QStringList& ANames)
{
    // Without a folder a bare name would make dlopen search the system.
    if (AFolder.isEmpty())
        return;
    for (const QString& Name : ANames) {
        if (AHandle)
            return;
        const QString Path = AFolder + Name;
        if (QFileInfo(Path).isFile())
            AHandle = dlopen(QFile::encodeName(Path).constData(), RTLD_NOW | RTLD_GLOBAL);
    }
}

void Unload(void*& AHandle)
{
    if (AHandle)
        dlclose(AHandle);
    AHandle = nullptr;
}

QString ProgramName()
{
    if (!QCoreApplication::instance())
        return QStringLiteral("harvo");
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

QString FailureDescription(const QString& AClassName, const QString& AMessage)
{
    return QStringLiteral("Exception %1 in module %2.\n%3").arg(AClassName, ProgramName(), AMessage);
}

} // namespace

void ReportModuleErrorToStandardError(const QString& ATitle, const QString& AText)
{
    std::fprintf(stderr, "%s\n%s\n", qPrintable(ATitle), qPrintable(AText));
    std::fflush(stderr);
}

void RunModuleStep(const QString& ATitleFormat, const QString& AModuleName,
    const std::function<void()>& AStep, const TModuleErrorReporter& AReport)
{
    QString Text;
    try {
        AStep();
        return;
    } catch (const Exception& E) {
        Text = FailureDescription(E.ClassName(), E.Message());
    } catch (const std::exception& E) {
        Text = FailureDescription(QStringLiteral("std::exception"), QString::fromLocal8Bit(E.what()));
    }
    AReport(ATitleFormat.arg(AModuleName).left(MaxTitleLength), Text.left(MaxTextLength));
}

QString LibSSLFolder()
{
    if (!QCoreApplication::instance())
        return QString();
    return QCoreApplication::applicationDirPath() + QStringLiteral("/libssl/");
}

void PreloadCryptoLibrary(const QString& AFolder)
{
    PreloadLibrary(
        CryptoLibrary, AFolder, { QStringLiteral("libcrypto.so.3"), QStringLiteral("libcrypto.so") });
}

void PreloadSSLLibrary(const QString& AFolder)
{
    PreloadLibrary(SSLLibrary, AFolder, { QStringLiteral("libssl.so.3"), QStringLiteral("libssl.so") });
}

void UnloadTLSLibraries()
{
    Unload(CryptoLibrary);
    Unload(SSLLibrary);
}

void* CryptoLibraryHandle()
{
    return CryptoLibrary;
}

void* SSLLibraryHandle()
{
    return SSLLibrary;
}

void InitializeLibSSLUnit(const TModuleErrorReporter& AReport)
{
    RunModuleStep(
        QStringLiteral("InitException in %1"), QStringLiteral("LibSSLUnit"),
        [] {
            const QString Folder = LibSSLFolder();
            PreloadCryptoLibrary(Folder);
            PreloadSSLLibrary(Folder);
        },
        AReport);
}

void FinalizeLibSSLUnit(const TModuleErrorReporter& AReport)
{
    RunModuleStep(
        QStringLiteral("FinalException in %1"), QStringLiteral("LibSSLUnit"), UnloadTLSLibraries, AReport);
}
