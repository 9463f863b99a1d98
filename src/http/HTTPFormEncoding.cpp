#include "http/HTTPClientUnit.h"

namespace {

TCharSet RequestParamUnsafeChars()
{
    TCharSet Set;
    for (const char C : QByteArray(" \"#%&*+,/:<=>?@[]{}"))
        Set.set(static_cast<unsigned char>(C));
    return Set;
}

} // namespace

QString THTTPClient::EncodeFormParam(const QString& AURL, const TCharSet& AUnsafeChars)
{
    QString Result;
    Result.reserve(AURL.size() * 3);
    for (int I = 0; I < AURL.size(); ++I) {
        const ushort Code = AURL[I].unicode();
        if (Code == '\n' && I > 0 && AURL[I - 1] != QLatin1Char('\r'))
            Result += QLatin1String("%0D%0A");
        else if (Code < 33 || Code > 127 || AUnsafeChars.test(Code))
            Result
                += QLatin1Char('%') + QString::number(Code, 16).toUpper().rightJustified(2, QLatin1Char('0'));
        else
            Result += AURL[I];
    }
    return Result;
}

void THTTPClient::EncodeRequestParams(TStrings& AStrings, const TCharSet& AUnsafeChars)
{
    for (int I = AStrings.Count() - 1; I >= 0; --I) {
        const QString Name = AStrings.Names(I);
        if (Name.isEmpty())
            AStrings.Delete(I);
        else
            AStrings.Put(
                I, Name + QLatin1Char('=') + EncodeFormParam(AStrings.ValueFromIndex(I), AUnsafeChars));
    }
}

QString THTTPClient::SetRequestParams(TStrings* AStrings)
{
    if (!AStrings)
        return {};
    static const TCharSet Unsafe = RequestParamUnsafeChars();
    EncodeRequestParams(*AStrings, Unsafe);
    QString Result = AStrings->Text().trimmed();
    if (AStrings->Count() >= 2)
        Result.replace(QLatin1String("\r\n"), QLatin1String("&"));
    return Result;
}
