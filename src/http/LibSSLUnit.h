#pragma once

#include <QString>
#include <functional>

// Shows the failure of a module's start-up or shut-down step: a title such as
// "InitException in LibSSLUnit" and the failure's description.
using TModuleErrorReporter = std::function<void(const QString& ATitle, const QString& AText)>;

// The default reporter: both texts on standard error.
void ReportModuleErrorToStandardError(const QString& ATitle, const QString& AText);

// Runs AStep; a failure is reported with the title formatted from ATitleFormat
// ("InitException in %1") and AModuleName, and is not passed on.
void RunModuleStep(const QString& ATitleFormat, const QString& AModuleName,
    const std::function<void()>& AStep, const TModuleErrorReporter& AReport);

// "libssl" beside the executable, with a trailing separator; empty before
// the application object exists.
QString LibSSLFolder();

// Load the TLS libraries from AFolder when they are there and not loaded yet;
// a missing file or one that does not load is passed over silently, and the
// TLS layer then finds the system's copies.
void PreloadCryptoLibrary(const QString& AFolder);
void PreloadSSLLibrary(const QString& AFolder);
void UnloadTLSLibraries();

// Handles of the preloaded libraries, null when none was loaded.
void* CryptoLibraryHandle();
void* SSLLibraryHandle();

// Start-up (before any window or request) and shut-down of the preload.
void InitializeLibSSLUnit(const TModuleErrorReporter& AReport = ReportModuleErrorToStandardError);
void FinalizeLibSSLUnit(const TModuleErrorReporter& AReport = ReportModuleErrorToStandardError);
