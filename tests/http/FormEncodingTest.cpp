#include "http/HTTPClientUnit.h"

#include <gtest/gtest.h>

namespace {

TCharSet CharSetOf(const char* Chars)
{
    TCharSet Set;
    for (; *Chars; ++Chars)
        Set.set(static_cast<unsigned char>(*Chars));
    return Set;
}

} // namespace

TEST(FormEncodingTest, EncodeFormParamCases)
{
    struct Case {
        QString Input;
        const char* Unsafe;
        QString Expected;
    };
    const Case Cases[] = {
        { QString(), "", QString() },
        { QStringLiteral("abc"), "", QStringLiteral("abc") },
        { QStringLiteral("a b"), "", QStringLiteral("a%20b") },
        { QStringLiteral("a&b=c"), "&=", QStringLiteral("a%26b%3Dc") },
        { QStringLiteral("a\nb"), "", QStringLiteral("a%0D%0Ab") },
        { QStringLiteral("a\r\nb"), "", QStringLiteral("a%0D%0Ab") },
        { QStringLiteral("\nb"), "", QStringLiteral("%0Ab") },
        { QStringLiteral("\u00e9"), "", QStringLiteral("%E9") },
        { QStringLiteral("\u20ac"), "", QStringLiteral("%20AC") },
        { QStringLiteral("\u0101"), "", QStringLiteral("%101") },
        { QStringLiteral("\x7f~"), "", QStringLiteral("\x7f~") },
    };
    for (const Case& C : Cases)
        EXPECT_EQ(THTTPClient::EncodeFormParam(C.Input, CharSetOf(C.Unsafe)), C.Expected)
            << C.Input.toStdString();
}

TEST(FormEncodingTest, SetRequestParamsEncodesValuesDropsNamelessLinesAndJoins)
{
    EXPECT_EQ(THTTPClient::SetRequestParams(nullptr), QString());

    TStringList Form;
    Form.SetText(QStringLiteral("q=a b&c\n=orphan\nnovalue\nx=1/2\nname with space=v"));
    EXPECT_EQ(THTTPClient::SetRequestParams(&Form), QStringLiteral("q=a%20b%26c&x=1%2F2&name with space=v"));
    EXPECT_EQ(Form.Count(), 3);

    TStringList Single;
    Single.Add(QStringLiteral("only=  x"));
    EXPECT_EQ(THTTPClient::SetRequestParams(&Single), QStringLiteral("only=%20%20x"));
}
