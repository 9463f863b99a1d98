#include "http/ProxyString.h"

namespace {

// Where host and port text begin: one past the first "@", else the start.
int HostStart(const QString& ProxyText)
{
    return ProxyText.indexOf(QLatin1Char('@')) + 1;
}

bool IsProxyDelimiter(QChar C)
{
    return C == QLatin1Char('\t') || C == QLatin1Char(',') || C == QLatin1Char(':') || C == QLatin1Char(';');
}

// Length of the run at From (0-based) up to the first TAB, ",", ":" or ";".
int ProxyTokenLength(const QString& ProxyText, int From)
{
    int End = From;
    while (End < ProxyText.size() && !IsProxyDelimiter(ProxyText[End]))
        ++End;
    return End - From;
}

} // namespace

QString ProxyHostOf(const QString& ProxyText)
{
    const int Start = HostStart(ProxyText);
    const int Colon = ProxyText.indexOf(QLatin1Char(':'), Start);
    QString Host = Colon >= 0 ? ProxyText.mid(Start, Colon - Start)
                              : ProxyText.mid(Start, ProxyTokenLength(ProxyText, Start));
    if (!Host.isEmpty()
        && (Host[0] == QLatin1Char('#') || Host[0] == QLatin1Char('+') || Host[0] == QLatin1Char('*')))
        Host.remove(0, 1);
    return Host;
}

int ProxyPortOf(const QString& ProxyText)
{
    const int Colon = ProxyText.indexOf(QLatin1Char(':'), HostStart(ProxyText));
    if (Colon < 0)
        return 0;
    bool Ok = false;
    const int Port = ProxyText.mid(Colon + 1, ProxyTokenLength(ProxyText, Colon + 1)).toInt(&Ok);
    return Ok ? Port : 0;
}

TProxySettings ResolveProxy(const QString& ProxyText, TProxyType Type)
{
    TProxySettings Result;
    if (ProxyText.isEmpty() || Type == ptNoProxy)
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
        Result.Kind = ProxyText[0] == QLatin1Char('+') ? TProxyKind::SOCKS4
            : ProxyText[0] == QLatin1Char('*')         ? TProxyKind::SOCKS5
                                                       : TProxyKind::HTTP;
        break;
    }
    Result.Host = ProxyHostOf(ProxyText);
    Result.Port = ProxyPortOf(ProxyText);
    return Result;
}
