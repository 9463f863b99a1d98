#include "http/ProxySpec.h"

#include <gtest/gtest.h>

TEST(ProxySpecTest, HostAndPortOfSpecificationStrings)
{
    struct Case {
        const char* Spec;
        const char* Host;
        int Port;
    };
    const Case Cases[] = {
        { "proxy.example:3128", "proxy.example", 3128 },
        { "user:pw@proxy.example:3128", "proxy.example", 3128 },
        { "a@b@proxy.example:8080", "b@proxy.example", 8080 },
        { "+socks.example:1080", "socks.example", 1080 },
        { "*socks.example:1080", "socks.example", 1080 },
        { "#web.example:80", "web.example", 80 },
        { "bare.example", "bare.example", 0 },
        { "host.example;other:1", "host.example;other", 1 },
        { "host.example,x", "host.example", 0 },
        { "host:", "host", 0 },
        { "host:12ab", "host", 0 },
        { "host:81;more", "host", 81 },
        { "host:82\tmore", "host", 82 },
        { "", "", 0 },
        { "#", "", 0 },
    };
    for (const Case& C : Cases) {
        EXPECT_EQ(ProxyHostOf(QString::fromLatin1(C.Spec)), QString::fromLatin1(C.Host)) << C.Spec;
        EXPECT_EQ(ProxyPortOf(QString::fromLatin1(C.Spec)), C.Port) << C.Spec;
    }
}

TEST(ProxySpecTest, KindFollowsTypeAndFirstCharacter)
{
    struct Case {
        const char* Spec;
        TProxyType Type;
        TProxyKind Kind;
    };
    const Case Cases[] = {
        { "", ptHTTPS, TProxyKind::None },
        { "p:1", ptNoProxy, TProxyKind::None },
        { "p:1", ptHTTPS, TProxyKind::HTTP },
        { "+p:1", ptHTTPS, TProxyKind::HTTP },
        { "p:1", ptSOCKS4, TProxyKind::SOCKS4 },
        { "p:1", ptSOCKS5, TProxyKind::SOCKS5 },
        { "+p:1", ptAUTO, TProxyKind::SOCKS4 },
        { "*p:1", ptAUTO, TProxyKind::SOCKS5 },
        { "#p:1", ptAUTO, TProxyKind::HTTP },
        { "p:1", ptAUTO, TProxyKind::HTTP },
        { "u@+p:1", ptAUTO, TProxyKind::HTTP },
    };
    for (const Case& C : Cases)
        EXPECT_EQ(ResolveProxy(QString::fromLatin1(C.Spec), C.Type).Kind, C.Kind) << C.Spec << " " << C.Type;
}
