// Throughput of the script link scanner over a script of 1 MB as sites write
// them: code, comments, strings, regular expressions, templates and a file
// name every few lines.
#include "engine/page/ScriptLinks.h"

#include <benchmark/benchmark.h>

namespace {

QString MakeScript()
{
    const QString Pieces[] = {
        "function render%1(items, options) { var total = items.length / 2, label = \"Item count\"; }\n",
        "// section %1: loads the search index and the icons of the toolbar\n",
        "Search.loadIndex(\"_static/searchindex-%1.js\"); icon.src = '../img/icon-%1.svg';\n",
        "if (/^[a-z]+\\/\\d+$/.test(path)) { el.innerHTML = `<span class=\"c-%1\">${name}</span>`; }\n",
        "fetch('/api/data-%1.json', { method: 'GET', headers: { 'Accept': 'application/json' } });\n",
    };
    QString Script;
    Script.reserve(1024 * 1024 + 256);
    for (int I = 0; Script.size() < 1024 * 1024; ++I)
        Script += Pieces[I % 5].arg(I);
    return Script;
}

void BM_ScanScript(benchmark::State& State)
{
    const QString Script = MakeScript();
    int Links = 0;
    for (auto _ : State) {
        Links = 0;
        ScanScriptLinks(Script, [&Links](const TScriptLink&) { ++Links; });
        benchmark::DoNotOptimize(Links);
    }
    State.counters["links"] = Links;
    State.SetBytesProcessed(State.iterations() * Script.size()); // one byte a character in the source
}

} // namespace

BENCHMARK(BM_ScanScript)->Unit(benchmark::kMillisecond);
