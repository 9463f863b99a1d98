// Throughput of the style sheet scanner over a sheet of 1 MB as real sites
// write them: rules, comments, strings and a url() every few lines.
#include "engine/page/CSSLinks.h"

#include <benchmark/benchmark.h>

namespace {

QString MakeSheet()
{
    const QString Pieces[] = {
        ".card-%1 { margin: 0 auto; padding: 12px 16px; color: #333; font: 14px/1.4 \"Helvetica Neue\", "
        "Arial, sans-serif; }\n",
        "/* section %1: layout of the header and its navigation */\n",
        ".hero-%1 { background: #fff url(\"../img/hero-%1.jpg\") no-repeat center / cover; }\n",
        "@media (max-width: 600px) { .nav-%1 > li { display: block; width: 100%; } }\n",
        ".icon-%1::before { content: \"\\f101\"; background-image: url(../icons/i-%1.svg); }\n",
    };
    QString Sheet;
    Sheet.reserve(1024 * 1024 + 256);
    for (int I = 0; Sheet.size() < 1024 * 1024; ++I)
        Sheet += Pieces[I % 5].arg(I);
    return Sheet;
}

void BM_ScanStyleSheet(benchmark::State& State)
{
    const QString Sheet = MakeSheet();
    int Links = 0;
    for (auto _ : State) {
        Links = 0;
        ScanCSSLinks(Sheet, [&Links](const TCSSLink&) { ++Links; });
        benchmark::DoNotOptimize(Links);
    }
    State.counters["links"] = Links;
    State.SetBytesProcessed(State.iterations() * Sheet.size()); // one byte a character in the source
}

void BM_RewriteStyleSheet(benchmark::State& State)
{
    const QString Sheet = MakeSheet();
    for (auto _ : State) {
        const QString Out = RewriteCSSLinks(Sheet, [](const QString& Text, bool) { return Text; });
        benchmark::DoNotOptimize(Out.size());
    }
    State.SetBytesProcessed(State.iterations() * Sheet.size());
}

} // namespace

BENCHMARK(BM_ScanStyleSheet)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RewriteStyleSheet)->Unit(benchmark::kMillisecond);
