// The LV2 editor from the built bundle, in an X window (run under Xvfb), as
// a host's idle calls drive it: a call with nothing changed (most of them:
// the window's events only, a frame every 40 ms), and a frame after the five
// meter ports moved (port events, then the redraw of the meters).
#include "hostkit/lv2/Lv2UiHost.h"
#include "lv2/Lv2Identity.h"
#include "processor/TorvikFacts.h"

#include <X11/Xlib.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

namespace {

using namespace torvik;
using namespace torvik::lv2;
using namespace hostkit::lv2;

const std::string kBundle = std::string(TORVIK_LV2_BUNDLE) + "/";

// A host window with the editor open in it, painted once.
class OpenEditor {
public:
    OpenEditor() : library(kBundle + kUiBinaryName), display(XOpenDisplay(nullptr)) {
        if (!display)
            return;
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, kEditorWidth,
                                     kEditorHeight, 0, 0, 0);
        XMapWindow(display, parent);
        XSync(display, False);
        ui = std::make_unique<Lv2UiInstance>(library.Descriptor(kUiUri), kPluginUri, kBundle,
                                             parent);
        WaitForFrame();
    }
    ~OpenEditor() {
        ui.reset();
        if (display) {
            XDestroyWindow(display, parent);
            XCloseDisplay(display);
        }
    }
    bool Ready() const { return ui && ui->Created(); }
    Lv2UiInstance& Ui() { return *ui; }
    // Lets a frame fall due and takes it.
    void WaitForFrame() {
        std::this_thread::sleep_for(std::chrono::milliseconds(41));
        ui->Idle();
    }

private:
    Lv2UiLibrary library;
    Display* display = nullptr;
    Window parent = 0;
    std::unique_ptr<Lv2UiInstance> ui;
};

void BM_IdleNothingChanged(benchmark::State& state) {
    OpenEditor editor;
    if (!editor.Ready()) {
        state.SkipWithError("no X display or no editor");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(editor.Ui().Idle());
}
BENCHMARK(BM_IdleNothingChanged)->Unit(benchmark::kMicrosecond);

void BM_FrameWithMovingMeters(benchmark::State& state) {
    OpenEditor editor;
    if (!editor.Ready()) {
        state.SkipWithError("no X display or no editor");
        return;
    }
    const std::uint32_t firstMeter = FirstMeterPort(kParameterCount);
    float level = 0.0f;
    for (auto _ : state) {
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::milliseconds(41));
        level = level > 0.9f ? 0.05f : level + 0.1f;
        state.ResumeTiming();
        for (std::uint32_t m = 0; m < 5; ++m)
            editor.Ui().PortEvent(firstMeter + m, level);
        benchmark::DoNotOptimize(editor.Ui().Idle());
    }
}
BENCHMARK(BM_FrameWithMovingMeters)->Iterations(100)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
