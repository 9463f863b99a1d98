#pragma once

#include <QString>

enum TProxyType { ptNoProxy = 0, ptHTTPS = 1, ptSOCKS4 = 2, ptSOCKS5 = 3, ptAUTO = 4 };

// Environment: the proxy that http_proxy, https_proxy, all_proxy and
// no_proxy name for each URL, as other command-line clients take it.
enum class TProxyKind { None, HTTP, SOCKS4, SOCKS5, Environment };

struct TProxySettings {
    TProxyKind Kind = TProxyKind::None;
    QString Host;
    int Port = 0;
};

QString ProxyHostOf(const QString& ProxyText);
int ProxyPortOf(const QString& ProxyText);

// The proxy a proxy string and kind stand for; an empty string or
// ptNoProxy gives a direct connection.
TProxySettings ResolveProxy(const QString& ProxyText, TProxyType Type);
