// Sequential GETs through one client against a local keep-alive nginx,
// compared with the curl command-line tool fetching the same URLs in one
// process; and the peak memory of a large gzip body decoded in memory.

#include "LocalNginx.h"
#include "http/HTTPClientUnit.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <zlib.h>

namespace {

constexpr int SequentialRequests = 10000;
constexpr int PageSize = 10 * 1024;
constexpr qint64 LargeBodySize = 200LL * 1024 * 1024;

LocalNginx& Server()
{
    static LocalNginx Nginx;
    static const bool Ready = [] {
        QByteArray Page = QByteArray("<p>Harvo benchmark page</p>\n").repeated(PageSize / 28 + 1);
        Page.truncate(PageSize);
        Nginx.WriteFile(QStringLiteral("www/page.html"), Page);
        return true;
    }();
    Q_UNUSED(Ready);
    return Nginx;
}

QString PageUrl(int Index)
{
    return Server().Url(QStringLiteral("/page.html?n=%1").arg(Index));
}

double CpuSeconds(int Who)
{
    rusage Usage {};
    getrusage(Who, &Usage);
    return double(Usage.ru_utime.tv_sec + Usage.ru_stime.tv_sec)
        + double(Usage.ru_utime.tv_usec + Usage.ru_stime.tv_usec) / 1e6;
}

void ReportRun(benchmark::State& State, double CpuSeconds, double WallSeconds)
{
    const auto [Connections, Requests] = Server().ConnectionsAndRequests();
    State.counters["requests_per_s"] = Requests / WallSeconds;
    State.counters["cpu_us_per_request"] = CpuSeconds * 1e6 / Requests;
    State.counters["requests"] = Requests;
    State.counters["server_connections"] = Connections;
}

void BM_ClientSequentialGets(benchmark::State& State)
{
    for (auto _ : State) {
        Server().ClearLog();
        THTTPClient Client(QString(), ptAUTO, QStringLiteral("HarvoBench/1.0"), QString(), 30, 30);
        QByteArray Body;
        QBuffer Out(&Body);
        Out.open(QIODevice::WriteOnly);
        QString ContentType;
        const double CpuBefore = CpuSeconds(RUSAGE_SELF);
        QElapsedTimer Wall;
        Wall.start();
        for (int I = 0; I < SequentialRequests; ++I) {
            Out.seek(0);
            Body.clear();
            Client.HTTPGet(PageUrl(I), Out, ContentType);
            if (Body.size() != PageSize)
                State.SkipWithError("short body");
        }
        ReportRun(State, CpuSeconds(RUSAGE_SELF) - CpuBefore, Wall.nsecsElapsed() / 1e9);
    }
}

void BM_CurlToolSequentialGets(benchmark::State& State)
{
    QByteArray Config;
    for (int I = 0; I < SequentialRequests; ++I)
        Config += "url = \"" + PageUrl(I).toUtf8() + "\"\noutput = \"/dev/null\"\n";
    Server().WriteFile(QStringLiteral("curl.config"), Config);
    for (auto _ : State) {
        Server().ClearLog();
        const double CpuBefore = CpuSeconds(RUSAGE_CHILDREN);
        QElapsedTimer Wall;
        Wall.start();
        QProcess Curl;
        Curl.start(QStringLiteral("curl"),
            { QStringLiteral("-s"), QStringLiteral("--config"),
                Server().TempPath(QStringLiteral("curl.config")) });
        if (!Curl.waitForFinished(120000) || Curl.exitCode() != 0)
            State.SkipWithError("curl failed");
        ReportRun(State, CpuSeconds(RUSAGE_CHILDREN) - CpuBefore, Wall.nsecsElapsed() / 1e9);
    }
}

// Peak resident memory of this process in bytes since the last reset.
qint64 PeakResidentBytes()
{
    QFile Status(QStringLiteral("/proc/self/status"));
    if (Status.open(QIODevice::ReadOnly))
        for (const QByteArray& Line : Status.readAll().split('\n'))
            if (Line.startsWith("VmHWM:"))
                return Line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    return 0;
}

void ResetPeakResident()
{
    QFile ClearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (ClearRefs.open(QIODevice::WriteOnly))
        ClearRefs.write("5");
}

// Writes a gzip file of LargeBodySize bytes of varied text in small pieces.
void WriteLargeGzip(const QString& Path)
{
    QDir().mkpath(QFileInfo(Path).path());
    gzFile File = gzopen(Path.toLocal8Bit().constData(), "wb6");
    QByteArray Block;
    quint32 Seed = 12345;
    for (qint64 Written = 0; Written < LargeBodySize; Written += Block.size()) {
        Block.clear();
        while (Block.size() < 65536) {
            Seed = Seed * 1664525u + 1013904223u;
            Block += "row " + QByteArray::number(Seed % 100000) + " of the large body\n";
        }
        Block.truncate(int(qMin<qint64>(Block.size(), LargeBodySize - Written)));
        gzwrite(File, Block.constData(), unsigned(Block.size()));
    }
    gzclose(File);
}

void BM_LargeGzipBodyPeakMemory(benchmark::State& State)
{
    WriteLargeGzip(Server().DocumentPath(QStringLiteral("gz/large.txt")));
    THTTPClient Client(QString(), ptAUTO, QStringLiteral("HarvoBench/1.0"), QString(), 30, 30);
    for (auto _ : State) {
        QByteArray Body;
        QBuffer Out(&Body);
        Out.open(QIODevice::WriteOnly);
        QString ContentType;
        ResetPeakResident();
        const qint64 Before = PeakResidentBytes();
        Client.HTTPGet(Server().Url(QStringLiteral("/gz/large.txt")), Out, ContentType);
        const qint64 Peak = PeakResidentBytes();
        if (Body.size() != LargeBodySize)
            State.SkipWithError("the body did not decode to its full size");
        State.counters["decoded_MB"] = double(Body.size()) / (1 << 20);
        State.counters["peak_growth_MB"] = double(Peak - Before) / (1 << 20);
        State.counters["peak_per_decoded"] = double(Peak - Before) / double(Body.size());
    }
}

} // namespace

BENCHMARK(BM_ClientSequentialGets)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CurlToolSequentialGets)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LargeGzipBodyPeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
