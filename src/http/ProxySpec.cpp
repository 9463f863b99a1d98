#include "http/ProxySpec.h"

namespace {

// Where host and port text begin: one past the first "@", else the start.
int SpecStart(const QString& Spec)
{
    return Spec.indexOf(QLatin1Char('@')) + 1;
}

bool IsProxyDelimiter(QChar C)
{
    return C == QLatin1Char('\t') || C == QLatin1Char(',') || C == QLatin1Char(':') || C == QLatin1Char(';');
}

} // namespace

int ProxyTokenLength(const QString& Spec, int From)
{
    int End = From;
    while (End < Spec.size() && !IsProxyDelimiter(Spec[End]))
        ++End;
    return End - From;
}

QString ProxyHostOf(const QString& Spec)
{
    const int Start = SpecStart(Spec);
    const int Colon = Spec.indexOf(QLatin1Char(':'), Start);
    QString Host
        = Colon >= 0 ? Spec.mid(Start, Colon - Start) : Spec.mid(Start, ProxyTokenLength(Spec, Start));
    if (!Host.isEmpty()
        && (Host[0] == QLatin1Char('#') || Host[0] == QLatin1Char('+') || Host[0] == QLatin1Char('*')))
        Host.remove(0, 1);
    return Host;
}

int ProxyPortOf(const QString& Spec)
{
    const int Colon = Spec.indexOf(QLatin1Char(':'), SpecStart(Spec));
    if (Colon < 0)
        return 0;
    bool Ok = false;
    const int Port = Spec.mid(Colon + 1, ProxyTokenLength(Spec, Colon + 1)).toInt(&Ok);
    return Ok ? Port : 0;
}

TProxySettings ResolveProxy(const QString& Spec, TProxyType Type)
{
    TProxySettings Result;
    if (Spec.isEmpty() || Type == ptNoProxy)
        return Result;
    switch (Type) {
    case ptHTTPS:
        Result.Kind = TProxyKind::HTTP;
        break;
    case ptSOCKS4:
        Result.Kind = TProxyKind::SOCKS4;
        break;
    case ptSOCKS5:
        Result.Kind = TProxyKind::SOCKS5;
        break;
    default:
        Result.Kind = Spec[0] == QLatin1Char('+') ? TProxyKind::SOCKS4
            : Spec[0] == QLatin1Char('*')         ? TProxyKind::SOCKS5
                                                  : TProxyKind::HTTP;
        break;
    }
    Result.Host = ProxyHostOf(Spec);
    Result.Port = ProxyPortOf(Spec);
    return Result;
}
