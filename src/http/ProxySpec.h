#pragma once

#include <QString>

enum TProxyType { ptNoProxy = 0, ptHTTPS = 1, ptSOCKS4 = 2, ptSOCKS5 = 3, ptAUTO = 4 };

enum class TProxyKind { None, HTTP, SOCKS4, SOCKS5 };

struct TProxySettings {
    TProxyKind Kind = TProxyKind::None;
    QString Host;
    int Port = 0;
};

// Length of the run at From (0-based) up to the first TAB, ",", ":" or ";".
int ProxyTokenLength(const QString& Spec, int From);
QString ProxyHostOf(const QString& Spec);
int ProxyPortOf(const QString& Spec);

// The proxy a specification string and kind stand for; an empty string or
// ptNoProxy gives a direct connection.
TProxySettings ResolveProxy(const QString& Spec, TProxyType Type);
