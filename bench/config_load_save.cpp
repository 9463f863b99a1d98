// Loading and saving a configuration of many projects, each with 50 web
// pages, 20 download rules and 20 replace rules.
#include "projects/AppConfig.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

std::unique_ptr<TWebsiteProject> MakeProject(int I)
{
    auto Project = std::make_unique<TWebsiteProject>();
    const QString Site = QStringLiteral("http://site%1.example/").arg(I);
    Project->SetProjectName(QStringLiteral("Project %1").arg(I));
    Project->SetGroupName(QStringLiteral("Group %1").arg(I % 17));
    Project->SetWebsiteURL(Site);
    Project->SetDomainAliasesString(QStringLiteral("www.site%1.example;cdn.site%1.example").arg(I));
    Project->SetOutputFolder(QStringLiteral("{OutDir}/{ProjectName}"));
    Project->SetIndexFile(QStringLiteral("index.html"));
    Project->SetChecked(I % 2 == 0);
    for (int K = 0; K < 50; ++K)
        Project->StartPages().push_back({ Site + QStringLiteral("section/%1/page.html").arg(K), K % 4 });
    for (int K = 0; K < 20; ++K) {
        Project->DownloadRules().push_back(
            { Site + QStringLiteral("files/%1/").arg(K), QStringLiteral("files%1").arg(K) });
        Project->ReplaceRules().push_back(
            { QStringLiteral("<div class=\"ad%1\">(.*?)</div>").arg(K), QStringLiteral("<div>$1</div>") });
    }
    Project->SuppressURLs().Add(QStringLiteral("/tracking/"));
    return Project;
}

struct Stored {
    QTemporaryDir Dir;
    QString Path = Dir.path() + "/hrv.ini";
    TAppConfig Config { { "-config", Path }, Dir.path() };
    TWebsiteProjectList Projects;

    explicit Stored(int Count)
    {
        for (int I = 0; I < Count; ++I)
            Projects.AddProject(MakeProject(I));
    }
};

void BM_SaveConfig(benchmark::State& State)
{
    Stored S(static_cast<int>(State.range(0)));
    for (auto _ : State)
        S.Config.SaveConfig(S.Projects, QStringLiteral("Group 3"), QStringLiteral("/data/out"));
    State.counters["bytes"] = QFileInfo(S.Path).size();
}

void BM_LoadConfig(benchmark::State& State)
{
    Stored S(static_cast<int>(State.range(0)));
    S.Config.SaveConfig(S.Projects, QStringLiteral("Group 3"), QStringLiteral("/data/out"));
    for (auto _ : State) {
        TWebsiteProjectList Loaded;
        benchmark::DoNotOptimize(S.Config.LoadConfig(Loaded));
        if (Loaded.Count() != State.range(0))
            State.SkipWithError("projects lost");
    }
    State.counters["bytes"] = QFileInfo(S.Path).size();
}

} // namespace

BENCHMARK(BM_SaveConfig)->Arg(1000)->Arg(2000)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadConfig)->Arg(1000)->Arg(2000)->Arg(4000)->Unit(benchmark::kMillisecond);
