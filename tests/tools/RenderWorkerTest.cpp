// A batch worker that throws (memory running out, above all) fails its own file, never the
// process, and leaves no unfinished files behind; the other files of the batch carry on.
#include "ToolTestSupport.h"

#include "RenderJob.h"

#include <atomic>
#include <new>

namespace {

using namespace torvik::testing;
using torvik::render::FileResult;
using torvik::render::RenderSetup;

class RenderWorker : public ToolTest {};

TEST_F(RenderWorker, AThrowingWorkerFailsItsFileOnlyAndCleansUp) {
    constexpr int kRate = 48000;
    for (const char* name : {"a.wav", "b.wav", "c.wav"})
        WriteAudio(dir / name, SF_FORMAT_WAV | SF_FORMAT_FLOAT, kRate,
                   {Sine(3 * kRate, 440, 0.3, kRate)});
    RenderSetup setup;
    setup.pluginPath = TESTGAIN_BUNDLE;
    // Normalising parks the render in a spool file too: both must go.
    setup.normalizeLufs = -20.0;
    const std::vector<std::string> names = {"a", "b", "c"};
    std::vector<FileResult> results(names.size());
    torvik::render::RunInParallel(names.size(), 2, [&](std::size_t i) {
        std::atomic<int> calls{0};
        results[i] = torvik::render::RenderFile(setup, P(names[i] + ".wav"),
                                                P(names[i] + "-out.wav"), [&](double) {
                                                    // The second file runs out of memory halfway
                                                    // through.
                                                    if (i == 1 && ++calls == 2)
                                                        throw std::bad_alloc();
                                                });
    });
    EXPECT_TRUE(results[0].ok) << results[0].error;
    EXPECT_FALSE(results[1].ok);
    EXPECT_NE(results[1].error.find("b.wav: the render stopped"), std::string::npos)
        << results[1].error;
    EXPECT_TRUE(results[2].ok) << results[2].error;
    EXPECT_EQ(Files(),
              (std::vector<std::string>{"a-out.wav", "a.wav", "b.wav", "c-out.wav", "c.wav"}));
}

} // namespace
