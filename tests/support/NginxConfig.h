#pragma once

#include <QString>

struct NginxOptions;

// The exact-match path that answers 204 without an access log line; a request
// to it proves that every earlier request has been logged.
inline constexpr char NginxLogSyncPath[] = "/.request-log-sync";

// The configuration of a foreground, single-process nginx that keeps all its
// files under PrefixFolder and serves Options on 127.0.0.1:Port.
QString RenderNginxConfig(const NginxOptions& Options, const QString& PrefixFolder, quint16 Port);
