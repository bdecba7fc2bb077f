// Editor drawing: one knob frame drawn through its alpha, a full repaint of
// the editor, a fresh module's first editor (decoding and first paint), a
// timer tick with every meter moving, and decoding the largest film strip.
// Counters give pixels per second where that is the measure. The editor's
// benchmarks run at each scale (the argument, percent).
#include "graphics/BitmapCache.h"
#include "graphics/Blit.h"
#include "graphics/DrawContext.h"
#include "graphics/EditorScale.h"
#include "graphics/PngDecode.h"
#include "graphics/PngFrames.h"
#include "resources/ImageResources.h"
#include "support/TestTorvik.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace torvik;

void BM_AlphaBlitKnobFrame(benchmark::State& state) {
    PIX_MemBitmap src;
    PIX_MemBitmap dst;
    src.Resize(66, 65);
    dst.Resize(1186, 644);
    for (int y = 0; y < 65; ++y)
        for (int x = 0; x < 66; ++x)
            BitmapRow(src, y)[x] =
                ((x + y) % 3 == 0 ? 0x80u : (x % 2 ? 0xFFu : 0u)) << 24 | 0x336699u;
    for (auto _ : state) {
        BlitPixels(&dst, &src, 100, 100, nullptr, 1.0f, kBlitCopy | kBlitUseAlpha);
        benchmark::DoNotOptimize(dst.PixelData());
    }
    state.counters["pixels/s"] =
        benchmark::Counter(66.0 * 65.0, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_AlphaBlitKnobFrame);

void AtEveryScale(benchmark::internal::Benchmark* b) {
    for (const int scale : EditorScales())
        b->Arg(scale);
}

void BM_FullEditorRepaint(benchmark::State& state) {
    testing::TestTorvik plug;
    auto* editor = dynamic_cast<IDrawContext*>(plug.Graphics());
    editor->SetScale(static_cast<int>(state.range(0)));
    const Rect all{0, 0, editor->Width(), editor->Height()};
    editor->DrawRegion(all); // the images are decoded on the first paint
    for (auto _ : state)
        editor->DrawRegion(all);
    state.counters["frames/s"] =
        benchmark::Counter(1.0, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_FullEditorRepaint)->Apply(AtEveryScale)->Unit(benchmark::kMillisecond);

// A fresh module's first editor: every image decoded and the whole editor
// painted once.
void BM_FirstEditorOpen(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        ClearBitmapCache();
        auto plug = std::make_unique<testing::TestTorvik>();
        auto* editor = dynamic_cast<IDrawContext*>(plug->Graphics());
        editor->SetScale(static_cast<int>(state.range(0)));
        state.ResumeTiming();
        editor->DrawRegion(Rect{0, 0, editor->Width(), editor->Height()});
        benchmark::DoNotOptimize(editor->DrawBitmap()->PixelData());
    }
}
BENCHMARK(BM_FirstEditorOpen)->Apply(AtEveryScale)->Unit(benchmark::kMillisecond);

void BM_TimerTickWithMovingMeters(benchmark::State& state) {
    testing::TestTorvik plug;
    auto* editor = dynamic_cast<IDrawContext*>(plug.Graphics());
    editor->SetScale(static_cast<int>(state.range(0)));
    editor->RedrawDirty();
    double level = 0.0;
    for (auto _ : state) {
        level = level > 0.9 ? 0.05 : level + 0.013;
        for (int meter = 40; meter < 45; ++meter)
            editor->SetControlValueFromPlug(meter, level);
        editor->RedrawDirty();
    }
}
BENCHMARK(BM_TimerTickWithMovingMeters)->Apply(AtEveryScale)->Unit(benchmark::kMicrosecond);

void BM_DecodeLargestStrip(benchmark::State& state) {
    const ImageResource* image = FindImageResource(104); // 164 x 9801 meter strip
    if (!image) {
        state.SkipWithError("no image resources in this build");
        return;
    }
    for (auto _ : state) {
        std::unique_ptr<PIX_IBitmap> bitmap(DecodePngMemory(image->data, image->size));
        if (bitmap) // the frames are stored as differences from the first
            UndoFrameDeltas(*bitmap, PngDeltaFrameCount(image->data, image->size));
        benchmark::DoNotOptimize(bitmap.get());
    }
    state.counters["pixels/s"] =
        benchmark::Counter(164.0 * 9801.0, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DecodeLargestStrip)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
