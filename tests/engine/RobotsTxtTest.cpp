#include "engine/page/RobotsTxt.h"

#include <gtest/gtest.h>

namespace {

struct AllowsCase {
    const char* Path;
    bool Allowed;
};

void ExpectAllows(const TRobotsTxt& Robots, std::initializer_list<AllowsCase> Cases, const char* File)
{
    for (const AllowsCase& Case : Cases)
        EXPECT_EQ(Robots.Allows(QString::fromUtf8(Case.Path)), Case.Allowed)
            << File << "\npath: " << Case.Path;
}

} // namespace

TEST(RobotsTxt, TheGroupIsTheMostSpecificAgentThatOurTokenContainsElseTheStar)
{
    const char* File = "User-agent: *\n"
                       "Disallow: /star\n"
                       "\n"
                       "User-agent: harv\n"
                       "Disallow: /short\n"
                       "\n"
                       "User-agent: otherbot\n"
                       "User-agent: HARVO/2.0\n"
                       "Disallow: /long\n"
                       "\n"
                       "user-agent: harvo\n"
                       "disallow: /second-harvo-group\n";
    struct Case {
        const char* Agent;
        const char* Refused; // the one path of the three the group refuses
    };
    const Case Cases[] = {
        { "harvo/1.2", "/long" },
        { "Harvo", "/long" },
        { "harv/0.1 (compatible)", "/short" },
        { "Mozilla/5.0 (X11)", "/star" },
        { "", "/star" },
        { "otherbot", "/long" },
    };
    for (const Case& C : Cases) {
        const TRobotsTxt Robots(File, QString::fromUtf8(C.Agent));
        for (const char* Path : { "/star", "/short", "/long" })
            EXPECT_EQ(Robots.Allows(Path), QByteArray(Path) != C.Refused) << C.Agent << " " << Path;
    }
    // Two groups naming the same agent are one.
    EXPECT_FALSE(TRobotsTxt(File, "harvo/1.2").Allows("/second-harvo-group"));
    EXPECT_TRUE(TRobotsTxt(File, "harvo/1.2").Allows("/star"));
}

TEST(RobotsTxt, TheLongestMatchDecidesAndAllowWinsATie)
{
    const TRobotsTxt Robots("User-agent: *\n"
                            "Disallow: /shop\n"
                            "Allow: /shop/open\n"
                            "Disallow: /shop/open/closed\n"
                            "Allow: /tie\n"
                            "Disallow: /tie\n"
                            "Disallow: /page\n"
                            "Allow: /*.css\n",
        "harvo");
    ExpectAllows(Robots,
        {
            { "/", true },
            { "/shop", false },
            { "/shopping", false },
            { "/shop/open", true },
            { "/shop/open/x", true },
            { "/shop/open/closed/y", false },
            { "/tie", true },
            { "/page/site.css", true }, // "/*.css" is longer than "/page"
            { "/page?x.css", true },
            { "/page.html", false },
        },
        "longest match");
}

TEST(RobotsTxt, WildcardsEndAnchorsAndEscapes)
{
    const TRobotsTxt Robots("User-agent: *\n"
                            "Disallow: /*.php$\n"
                            "Disallow: /a*b*c\n"
                            "Disallow: /exact$\n"
                            "Disallow: /%7euser\n"
                            "Disallow: /caf%c3%a9\n"
                            "Disallow: /q?id=\n"
                            "Disallow: /slash%2fpart\n"
                            "Disallow: nolead\n",
        "harvo");
    ExpectAllows(Robots,
        {
            { "/index.php", false },
            { "/index.php?x=1", true },
            { "/dir/x.php", false },
            { "/axxbyyc", false },
            { "/axxcyyb", true },
            { "/abc/more", false },
            { "/exact", false },
            { "/exact/", true },
            { "/~user/page", false },
            { "/%7Euser/page", false },
            { "/café", false },
            { "/CAF%C3%A9", true }, // paths keep their case
            { "/q?id=5", false },
            { "/q?other=5", true },
            { "/slash%2Fpart", false },
            { "/slash/part", true }, // an escaped "/" is no separator
            { "/nolead", false },
        },
        "wildcards");
}

TEST(RobotsTxt, ReadsTheFileAsWrittenInTheWild)
{
    struct Case {
        const char* Name;
        QByteArray File;
        bool PrivateAllowed;
        std::optional<double> Delay;
    };
    const Case Cases[] = {
        { "no file", "", true, std::nullopt },
        { "crlf, comments, a bom",
            "\xEF\xBB\xBFUser-Agent: * # all\r\nDISALLOW: /private # no\r\nCrawl-Delay: 2.5\r\n", false,
            2.5 },
        { "empty disallow allows all", "User-agent: *\nDisallow:\n", true, std::nullopt },
        { "garbage lines are skipped", "User-agent: *\nthis is no field\n<html>\n:\nDisallow: /private\n",
            false, std::nullopt },
        { "rules before any agent belong to none", "Disallow: /private\nUser-agent: *\nAllow: /\n", true,
            std::nullopt },
        { "a sitemap does not end the agents",
            "User-agent: x\nSitemap: /s.xml\nUser-agent: *\nDisallow: /private\n", false, std::nullopt },
        { "blank lines do not end a group", "User-agent: *\n\nDisallow: /private\n\nCrawl-delay: 10\n", false,
            10.0 },
        { "a bad delay is none", "User-agent: *\nCrawl-delay: soon\nCrawl-delay: -1\n", true, std::nullopt },
        { "another agent's rules", "User-agent: otherbot\nDisallow: /\nCrawl-delay: 5\n", true,
            std::nullopt },
        { "nothing but a disallowed root", "User-agent: *\nDisallow: /\n", false, std::nullopt },
    };
    for (const Case& C : Cases) {
        const TRobotsTxt Robots(C.File, "harvo/1.0");
        EXPECT_EQ(Robots.Allows("/private/x.html"), C.PrivateAllowed) << C.Name;
        EXPECT_EQ(Robots.CrawlDelay(), C.Delay) << C.Name;
    }
}

TEST(RobotsTxt, TheProductTokenIsTheAgentsFirstWord)
{
    EXPECT_EQ(ProductTokenOf("harvo/1.2"), "harvo");
    EXPECT_EQ(ProductTokenOf("  Mozilla/5.0 (Windows NT 6.1)"), "Mozilla");
    EXPECT_EQ(ProductTokenOf("plain words"), "plain");
    EXPECT_EQ(ProductTokenOf(""), "");
}
