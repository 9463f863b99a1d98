#include "engine/page/ScriptLinks.h"

#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

struct ScriptCase {
    const char* Script;
    QStringList Links;
    const char* Why;
};

void ExpectLinks(const ScriptCase& C)
{
    EXPECT_EQ(ScriptLinkTexts(QString::fromUtf8(C.Script)), C.Links) << C.Script << "\n  " << C.Why;
}

} // namespace

TEST(ScriptLinks, FileURLsInStringsAreFoundAndOtherStringsAreNot)
{
    const ScriptCase Cases[] = {
        { "Search.loadIndex(\"searchindex.js\");", { "searchindex.js" }, "a search index" },
        { "fetch('search/search_index.json')", { "search/search_index.json" }, "a relative path" },
        { "var logo = \"_static/logo.png\";", { "_static/logo.png" }, "an image" },
        { "src: '../fonts/a.woff2?v=4.7.0'", { "../fonts/a.woff2?v=4.7.0" }, "a query after the extension" },
        { "load(\"/static/app.css\")", { "/static/app.css" }, "root-relative" },
        { "get(\"https://example.org/data/x.json\")", { "https://example.org/data/x.json" }, "absolute" },
        { "a = `img/a.svg`;", { "img/a.svg" }, "a template without substitutions" },
        { "'//cdn.example.org/lib/a.min.js'", { "//cdn.example.org/lib/a.min.js" }, "network-path" },
        { "['./x.MJS', 'HTTP://Example.org/A.PNG']", { "./x.MJS", "HTTP://Example.org/A.PNG" }, "any case" },
        { "['a.jpg','b.jpeg','c.gif','d.webp','e.avif','f.ico','g.bmp','h.woff','i.ttf','j.otf','k.eot']",
            { "a.jpg", "b.jpeg", "c.gif", "d.webp", "e.avif", "f.ico", "g.bmp", "h.woff", "i.ttf", "j.otf",
                "k.eot" },
            "every image and font extension" },
        { "['a.png#x?y', 'img/%E4.png', 'x/..png', 'a/b:c.png', '1:2.png']",
            { "a.png#x?y", "img/%E4.png", "x/..png", "a/b:c.png", "1:2.png" },
            "fragments, escapes and colons after the first segment" },
        { "\"\xc3\xa4/\xc3\xb6.png\"", { "\xc3\xa4/\xc3\xb6.png" }, "non-ASCII names" },

        { "\"use strict\"; x = 'application/json'; y = 'notes.txt';", {}, "words, types, other extensions" },
        { "['.js', 'x/.png', 'a.png/', 'png', '']", {}, "no name before the extension" },
        { "['a.js.map', 'a.pngx', 'a.js/x']", {}, "the extension is not at the end of the path" },
        { "['#top.png', 'data:image/png;base64,AA.png', 'javascript:a.js', 'mailto:a@b.js']", {},
            "fragments and other schemes" },
        { "['blob:https://x.org/a.png', 'chrome-extension://id/a.js', 'C:/a.png', 'a:b/c.png', 'http:a.png']",
            {}, "not a file of the site" },
        { "['http://example.org', '//host.js', 'https://cdn.example.org?x.js', '///a.js']", {},
            "a host without a path" },
        { "['a b.png', '<img src=a.png>', 'a>b.png', 'a\tb.png']", {}, "white space and tags" },
        { "['img/{0}.png', 'img/%s.png', '*.png', 'a|b.png', 'x^2.png', '100%.png']", {},
            "placeholders, globs and bad escapes" },
        { "x = `img/${name}.png`;", {}, "a template with a substitution" },
        { "['it\\'s.png', 'img\\/a.png', 'a\\u002ejs']", {}, "escapes" },
        { "x = \"a.png\ny = \"b.png\"", { "b.png" }, "a string left open ends at its line" },
        { "x = 'a.png", {}, "a string left open at the end" },
        { "x = `a.png", {}, "a template left open" },
    };
    for (const ScriptCase& C : Cases)
        ExpectLinks(C);
}

TEST(ScriptLinks, CommentsRegularExpressionsAndEscapesKeepQuotesPaired)
{
    const ScriptCase Cases[] = {
        { "// \"no.png\" it's\n\"yes.png\"", { "yes.png" }, "a line comment" },
        { "/* 'no.png' it's */ \"yes.png\"", { "yes.png" }, "a block comment" },
        { "\"a.png\" /* never closed 'no.png'", { "a.png" }, "an open block comment ends the scan" },
        { "<!-- it's hidden\n\"a.png\"", { "a.png" }, "an HTML comment opener" },
        { "['a\\\"b.png', \"c.png\"]", { "c.png" }, "an escaped quote" },
        { "['\\\\', \"x.png\"]", { "x.png" }, "an escaped backslash" },
        { "x = 'a\\\nb.png'; y = 'c.png'", { "c.png" }, "an escaped line end continues the string" },
        { "s.replace(/\"/g, ''); var a = \"a.png\";", { "a.png" }, "a quote in a regular expression" },
        { "if (/[/\"]/.test(x)) y = 'a.png'", { "a.png" }, "a slash and quote in a class" },
        { "return /'/.test(s) ? 'a.png' : \"b.png\"", { "a.png", "b.png" },
            "a regular expression after a keyword" },
        { "total = a / b; src = \"/img/a.png\"", { "/img/a.png" }, "division after a name" },
        { "w = (a + b) / 2; u = \"/x.png\"", { "/x.png" }, "division after a parenthesis" },
        { "i++ / 2; u = \"/y.png\"", { "/y.png" }, "division after an increment" },
        { "x = a / b\ny = '/it/s.png'", { "/it/s.png" },
            "a slash that closes no expression on its line divides" },
        { "x = `a${ `b${ \"c.png\" }` }d`; y = \"e.png\"", { "c.png", "e.png" }, "nested templates" },
        { "x = `${ {a: \"g.png\"}.a }`; y = `h.png`", { "g.png", "h.png" }, "braces in a substitution" },
        { "x = `a\\`b.png`; y = 'c.png'", { "c.png" }, "an escaped backtick" },
        { "u = 'http://a.org/x.js'; // 'no.png'", { "http://a.org/x.js" }, "two slashes in a string" },
    };
    for (const ScriptCase& C : Cases)
        ExpectLinks(C);
}

TEST(ScriptLinks, LinksComeInOrderWithTheirPositionsInsideTheQuotes)
{
    const QString Script = "a('x.js'); b(\"y/z.css\"); c(`w.svg`);";
    QList<TScriptLink> Links;
    ScanScriptLinks(Script, [&](const TScriptLink& Link) { Links << Link; });
    ASSERT_EQ(Links.size(), 3);
    const qsizetype Starts[] = { 3, 14, 28 };
    const QString Texts[] = { "x.js", "y/z.css", "w.svg" };
    for (int K = 0; K < 3; ++K) {
        EXPECT_EQ(Links[K].Start, Starts[K]);
        EXPECT_EQ(Script.mid(Links[K].Start, Links[K].End - Links[K].Start), Texts[K]);
    }
}

TEST(ScriptLinks, LinksUpTo2048CharactersAreFound)
{
    const QString Longest = QString(2044, u'a') + ".png";
    EXPECT_EQ(ScriptLinkTexts("'" + Longest + "'"), QStringList { Longest });
    EXPECT_EQ(ScriptLinkTexts("'a" + Longest + "'"), QStringList());
}
