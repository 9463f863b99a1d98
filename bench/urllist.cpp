// Admission and lookup in the URL list of one run: the cost per URL must stay
// flat from a thousand to a million entries.
#include "engine/crawl/URLList.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <random>
#include <string>
#include <vector>

namespace {

// URLs of 60 to 120 characters; every tenth repeats an earlier one with other
// letter case or with a fragment, as links on real pages do.
std::vector<std::string> MakeURLs(int Distinct)
{
    std::mt19937 Random(42);
    std::vector<std::string> URLs;
    URLs.reserve(Distinct + Distinct / 10);
    const std::string Slug = "some-article-title-with-words-in-it-and-more-words-to-make-it-long";
    for (int I = 0; I < Distinct; ++I) {
        URLs.push_back("http://www.example-site.org/section" + std::to_string(I % 97) + "/"
            + Slug.substr(0, 10 + Random() % 50) + "-" + std::to_string(I) + ".html");
        if (I % 9 == 8) {
            std::string Repeat = URLs[Random() % URLs.size()];
            if (Random() % 2)
                Repeat += "#comments";
            else
                for (char& C : Repeat)
                    C = char(std::toupper(static_cast<unsigned char>(C)));
            URLs.push_back(Repeat);
        }
    }
    return URLs;
}

size_t HeapInUse()
{
    return mallinfo2().uordblks;
}

// Adds every URL to a new list, then looks each up again; returns the heap
// bytes the filled list holds per entry.
double AddAndFind(const std::vector<std::string>& URLs)
{
    const QString Website = "http://www.example-site.org/";
    const QString OutDir = "/tmp/out/";
    const size_t Before = HeapInUse();
    TURLList List;
    for (const std::string& URL : URLs)
        List.AddURL(utA, QString::fromLatin1(URL.data(), qsizetype(URL.size())), Website, "index.html",
            OutDir, 2, 1, nullptr, QString());
    int Found = 0;
    for (const std::string& URL : URLs)
        Found += List.FindURL(QString::fromLatin1(URL.data(), qsizetype(URL.size()))) >= 0;
    benchmark::DoNotOptimize(Found);
    return double(HeapInUse() - Before) / List.Count();
}

void BM_AddAndFindURL(benchmark::State& State)
{
    const std::vector<std::string> URLs = MakeURLs(int(State.range(0)));
    // One untimed run first, so that every size is measured with the heap
    // already grown, as the small sizes are after their first iteration.
    const double BytesPerEntry = AddAndFind(URLs);
    for (auto _ : State)
        AddAndFind(URLs);
    State.counters["per_url"] = benchmark::Counter(
        double(URLs.size()), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    State.counters["bytes_per_entry"] = BytesPerEntry;
}

} // namespace

BENCHMARK(BM_AddAndFindURL)->Arg(1000)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
