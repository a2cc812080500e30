// SPDX-License-Identifier: MIT
// Timings of the LED sign: one tick of the scroll, and loading a line (its
// measuring and rendering), on the main window's about-text and font.

#include "LightStr.h"
#include "AboutText.h"
#include "Look.h"
// benchmark
#include <benchmark/benchmark.h>

namespace {

// A sign as the main window sets it up, never shown: a hidden sign skips the
// copy to the screen, so only the sign's own work is timed.
void SetUpSign(TLightStr& sign, const QStringList& lines)
{
    sign.setFont(Look::PGothic(12));
    sign.SetShowStrings(lines);
    sign.ShowStart();
}

// Scrolling one column: the shift of the display and the new column's dots.
// The whole about-text as one line, so that a line is loaded only once in
// several thousand ticks.
void BM_LightStrTick(benchmark::State& state)
{
    TLightStr sign;
    SetUpSign(sign, {AboutLines().join(QString())});
    for (auto _ : state)
        sign.TickNow();
    benchmark::DoNotOptimize(sign.DotImage().constBits());
}
BENCHMARK(BM_LightStrTick)->Unit(benchmark::kMicrosecond);

// The tick at a line boundary: the next about-text line is measured and
// rendered, and its first column drawn. The ticks between are not timed.
void BM_LightStrLoadLine(benchmark::State& state)
{
    TLightStr sign;
    SetUpSign(sign, AboutLines());
    int64_t loads = 0;
    sign.OnLineNext = [&](TLightStr*, int32_t) { ++loads; };
    sign.TickNow();
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 1; i < sign.LineImage().width(); ++i)
            sign.TickNow();
        loads = 0;
        state.ResumeTiming();
        sign.TickNow();
    }
    if (loads != 1)
        state.SkipWithError("the timed tick did not load a line");
}
BENCHMARK(BM_LightStrLoadLine)->Unit(benchmark::kMicrosecond);

} // namespace
