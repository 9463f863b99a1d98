#include "http/URLSplit.h"

#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

struct TSplitCase {
    const char* URL;
    const char* Scheme;
    bool HasAuthority;
    const char* Authority;
    const char* Path;
    const char* Query; // nullptr: no "?"
    const char* Fragment; // nullptr: no "#"
};

const TSplitCase SplitCases[] = {
    { "http://h/a/b?q=1#f", "http", true, "h", "/a/b", "q=1", "f" },
    { "https://user@h:8443", "https", true, "user@h:8443", "", nullptr, nullptr },
    { "http://h?x=/y", "http", true, "h", "", "x=/y", nullptr },
    { "/go?next=http://x/", "", false, "", "/go", "next=http://x/", nullptr },
    { "a/b#c?d", "", false, "", "a/b", nullptr, "c?d" },
    { "//cdn.example/x.js", "", true, "cdn.example", "/x.js", nullptr, nullptr },
    { "mailto:a@b", "mailto", false, "", "a@b", nullptr, nullptr },
    { "1http://x/", "", false, "", "1http://x/", nullptr, nullptr },
    { "", "", false, "", "", nullptr, nullptr },
    { "?", "", false, "", "", "", nullptr },
};

TEST(URLSplitTest, SplitsEveryPartAndJoinsBackToTheSameText)
{
    for (const TSplitCase& Case : SplitCases) {
        const QString URL = QString::fromUtf8(Case.URL);
        const TURLParts Parts = SplitURL(URL);
        SCOPED_TRACE(Case.URL);
        EXPECT_EQ(Parts.Scheme, QString::fromUtf8(Case.Scheme));
        EXPECT_EQ(Parts.HasAuthority, Case.HasAuthority);
        EXPECT_EQ(Parts.Authority, QString::fromUtf8(Case.Authority));
        EXPECT_EQ(Parts.Path, QString::fromUtf8(Case.Path));
        EXPECT_EQ(Parts.HasQuery, Case.Query != nullptr);
        EXPECT_EQ(Parts.Query, QString::fromUtf8(Case.Query ? Case.Query : ""));
        EXPECT_EQ(Parts.HasFragment, Case.Fragment != nullptr);
        EXPECT_EQ(Parts.Fragment, QString::fromUtf8(Case.Fragment ? Case.Fragment : ""));
        EXPECT_EQ(Parts.Join(), URL);
    }
}

TEST(URLSplitTest, AbsoluteOnlyWithALeadingScheme)
{
    const std::pair<const char*, bool> Cases[] = {
        { "http://x/", true },
        { "HTTPS://x/", true },
        { "svn+ssh://x", true },
        { "data:image/png;base64,AA", true },
        { "/go?next=http://x/", false },
        { "go?next=http://x/", false },
        { "a b:c", false },
        { "1a:b", false },
        { ":x", false },
        { "", false },
    };
    for (const auto& [URL, Absolute] : Cases)
        EXPECT_EQ(IsAbsoluteURL(QString::fromUtf8(URL)), Absolute) << URL;
}

} // namespace
