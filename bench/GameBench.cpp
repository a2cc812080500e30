// SPDX-License-Identifier: MIT
// Timings of the start-up and drawing work: decoding the shipped strip,
// dealing, and redrawing the whole board.

#include "CardStrip.h"
#include "RankFile.h"
#include "Main.h"
#include "Random.h"
#include "Clock.h"
#include "Platform.h"
#include "Rank.h"
#include "StopForm.h"
// Qt
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
// benchmark
#include <benchmark/benchmark.h>
// std
#include <memory>
// POSIX
#include <sys/resource.h>
#include <unistd.h>

namespace {

struct TGame {
    TGame()
    {
        QDir::setCurrent(QStringLiteral(NUPE_RESOURCES_DIR));
        Main = std::make_unique<TForm1>();
        Rank = std::make_unique<TForm3>();
        Stop = std::make_unique<TForm2>();
    }
    std::unique_ptr<TForm1> Main;
    std::unique_ptr<TForm3> Rank;
    std::unique_ptr<TForm2> Stop;
};

TGame& Game()
{
    static TGame game;
    return game;
}

void BM_DecodeShippedStrip(benchmark::State& state)
{
    const QString path = QStringLiteral(NUPE_RESOURCES_DIR "/Img.Dat");
    for (auto _ : state) {
        QImage strip = LoadCardStrip(path);
        benchmark::DoNotOptimize(strip.constBits());
    }
}
BENCHMARK(BM_DecodeShippedStrip)->Unit(benchmark::kMillisecond);

void BM_NewGame(benchmark::State& state)
{
    TForm1& form = *Game().Main;
    for (auto _ : state) {
        form.NewGame();
        benchmark::DoNotOptimize(form.Cards[45].Picture);
    }
}
BENCHMARK(BM_NewGame)->Unit(benchmark::kMicrosecond);

void BM_DrawBoard(benchmark::State& state)
{
    TForm1& form = *Game().Main;
    for (int32_t n = 1; n <= 45; n += 2)
        form.Cards[n].Opened = true; // half the cards face up
    for (auto _ : state) {
        form.DrawBoard();
        benchmark::DoNotOptimize(form.ImgArea->Canvas().constBits());
    }
}
BENCHMARK(BM_DrawBoard)->Unit(benchmark::kMicrosecond);

// A full table with the longest names the edit takes.
TRanking FullRanking()
{
    TRanking table;
    for (int32_t i = 1; i <= RankRows; ++i)
        table[i] = {i * 61234, QByteArray(20, char(0x82)), QByteArray("2026/12/08")};
    return table;
}

void BM_SaveRanking(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(RankFileName);
    const TRanking table = FullRanking();
    for (auto _ : state)
        benchmark::DoNotOptimize(SaveRanking(path, table));
}
BENCHMARK(BM_SaveRanking)->Unit(benchmark::kMicrosecond);

// A shared file (here one with a second name) is written in place.
void BM_SaveRankingInPlace(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(RankFileName);
    const TRanking table = FullRanking();
    SaveRanking(path, table);
    if (::link(QFile::encodeName(path).constData(),
               QFile::encodeName(dir.filePath(QStringLiteral("Copy.Dat"))).constData()) != 0)
        state.SkipWithError("no hard links here");
    for (auto _ : state)
        benchmark::DoNotOptimize(SaveRanking(path, table));
}
BENCHMARK(BM_SaveRankingInPlace)->Unit(benchmark::kMicrosecond);

// The end of a game's file work: lock, read again, insert, save.
void BM_MergeRankEntry(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(RankFileName);
    SaveRanking(path, TRanking{});
    TRanking table;
    int32_t time = 1 << 30; // each result the best yet, so each one is saved
    for (auto _ : state)
        benchmark::DoNotOptimize(MergeRankEntry(path, table, {time--, "NUPE", "2026/12/08"}));
}
BENCHMARK(BM_MergeRankEntry)->Unit(benchmark::kMicrosecond);

void BM_LoadRanking(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(RankFileName);
    SaveRanking(path, FullRanking());
    TRanking table;
    for (auto _ : state)
        benchmark::DoNotOptimize(LoadRanking(path, table));
}
BENCHMARK(BM_LoadRanking)->Unit(benchmark::kMicrosecond);

double ProcessCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// Processor time the whole process uses while the penalty card holds play:
// 300 ms showing the face, then the 2-second pause with the clock ticking.
// A pause that polled without sleeping would use a whole core.
void BM_PenaltyPauseCpu(benchmark::State& state)
{
    TForm1& form = *Game().Main;
    for (auto _ : state) {
        state.PauseTiming();
        int32_t penalty = 0;
        for (uint32_t seed = 1; penalty == 0; ++seed) {
            GameRandom().Seed = seed;
            form.BtnReStartClick();
            for (int32_t n = 1; n <= 45; ++n)
                if (form.Cards[n].Picture == 1)
                    penalty = n;
        }
        const int32_t col = (penalty - 1) % 9, row = (penalty - 1) / 9;
        state.ResumeTiming();
        const double cpuBefore = ProcessCpuMs();
        const int32_t tickBefore = Platform::TickCount();
        form.ImgAreaMouseDown(Qt::LeftButton, col * 106 + 50, row * 85 + 40);
        const double cpuMs = ProcessCpuMs() - cpuBefore;
        const int32_t wallMs = Platform::TickDiff(Platform::TickCount(), tickBefore);
        state.counters["cpu_ms"] = cpuMs;
        state.counters["wall_ms"] = wallMs;
        state.counters["cpu_percent_of_core"] = 100.0 * cpuMs / wallMs;
    }
}
BENCHMARK(BM_PenaltyPauseCpu)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Platform::TApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
