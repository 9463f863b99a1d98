// Decoding and replace-rule throughput: gzip bodies against a plain zlib
// loop, and a project's replace rules over a page.
#include "engine/page/uRegExExtract.h"
#include "http/ZLibExGZ.h"

#include <QBuffer>
#include <benchmark/benchmark.h>
#include <zlib.h>

namespace {

// HTML-like text that compresses about as well as real pages.
QByteArray MakePage(qsizetype Size)
{
    static const char* const Pieces[] = {
        "<p class=\"note-old\">Harvo copies&nbsp;websites</p>\n",
        "<a href=\"https://www.example.com/docs/page",
        ".html\">link</a>\n",
        "<img src=\"/img/a.png\" alt=\"picture\">",
        "<!-- comment -->",
        "Updated 2024-05-17 by the team.  </p>\n",
        "<script>track('google-analytics.com')</script>\n",
        "<div><span>text text text</span></div>\n",
    };
    QByteArray Page;
    Page.reserve(Size + 128);
    for (int I = 0; Page.size() < Size; ++I) {
        Page.append(Pieces[(I * 5 + I / 8) % 8]);
        Page.append(QByteArray::number(I % 997));
    }
    Page.truncate(Size);
    return Page;
}

// The gzip container around the raw deflate data inside zlib's own format.
QByteArray GZipOf(const QByteArray& Data)
{
    uLongf Length = compressBound(static_cast<uLong>(Data.size()));
    QByteArray ZLibData(static_cast<qsizetype>(Length), '\0');
    compress2(reinterpret_cast<Bytef*>(ZLibData.data()), &Length,
        reinterpret_cast<const Bytef*>(Data.constData()), static_cast<uLong>(Data.size()),
        Z_DEFAULT_COMPRESSION);
    QByteArray Member("\x1F\x8B\x08\0\0\0\0\0\0\x03", 10);
    Member.append(ZLibData.mid(2, static_cast<qsizetype>(Length) - 6));
    const quint32 Trailer[2] = {
        static_cast<quint32>(crc32(0, reinterpret_cast<const Bytef*>(Data.constData()), Data.size())),
        static_cast<quint32>(Data.size()),
    };
    for (const quint32 Value : Trailer)
        for (int Shift = 0; Shift < 32; Shift += 8)
            Member.append(static_cast<char>(Value >> Shift));
    return Member;
}

constexpr qsizetype BodySize = 50 * 1000 * 1000;

const QByteArray& Body()
{
    static const QByteArray Plain = MakePage(BodySize);
    return Plain;
}

const QByteArray& ZippedBody()
{
    static const QByteArray Zipped = GZipOf(Body());
    return Zipped;
}

void BM_GZipDecodeStream(benchmark::State& State)
{
    QBuffer Source;
    Source.setData(ZippedBody());
    Source.open(QIODevice::ReadOnly);
    for (auto _ : State) {
        Source.seek(0);
        QByteArray Output;
        QBuffer Target(&Output);
        Target.open(QIODevice::ReadWrite);
        GZipDecodeStream(Source, Target);
        if (Output.size() != BodySize)
            State.SkipWithError("wrong size");
        benchmark::DoNotOptimize(Output.data());
    }
    State.SetBytesProcessed(State.iterations() * BodySize);
}

// zlib decoding the gzip container itself straight into an output of the
// final size, without copies: the floor for any decoder.
void BM_PlainZLibGZip(benchmark::State& State)
{
    const QByteArray& Zipped = ZippedBody();
    for (auto _ : State) {
        QByteArray Output(BodySize, Qt::Uninitialized);
        z_stream Stream {};
        inflateInit2(&Stream, MAX_WBITS + 16);
        Stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Zipped.constData()));
        Stream.avail_in = static_cast<uInt>(Zipped.size());
        Stream.next_out = reinterpret_cast<Bytef*>(Output.data());
        Stream.avail_out = static_cast<uInt>(Output.size());
        const int Result = inflate(&Stream, Z_FINISH);
        inflateEnd(&Stream);
        if (Result != Z_STREAM_END || Stream.total_out != BodySize)
            State.SkipWithError("plain zlib failed");
        benchmark::DoNotOptimize(Output.data());
    }
    State.SetBytesProcessed(State.iterations() * BodySize);
}

void BM_ReplaceRules(benchmark::State& State)
{
    const QString Page = QString::fromLatin1(MakePage(1000 * 1000));
    const std::pair<const char*, const char*> Rules[] = {
        { "https?://www\\.example\\.com/", "/" },
        { "<!--.*?-->", "" },
        { "\\s+</p>", "</p>" },
        { "(<img[^>]*?)\\s+alt=\"[^\"]*\"", "$1" },
        { "class=\"(\\w+)-old\"", "class=\"$1\"" },
        { "google-analytics\\.com", "localhost" },
        { "<meta name=\"generator\"[^>]*>", "" },
        { "(\\d{4})-(\\d{2})-(\\d{2})", "$3.$2.$1" },
        { "&nbsp;", " " },
        { "<script>[^<]*</script>", "" },
    };
    TReplaceRuleSet RuleSet;
    for (const auto& [Pattern, Template] : Rules)
        RuleSet.Add(QString::fromLatin1(Pattern), QString::fromLatin1(Template));
    for (auto _ : State)
        benchmark::DoNotOptimize(RuleSet.Apply(Page));
    State.SetBytesProcessed(State.iterations() * Page.size());
}

} // namespace

BENCHMARK(BM_GZipDecodeStream)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_PlainZLibGZip)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ReplaceRules)->Unit(benchmark::kMillisecond)->MinTime(1.0);
