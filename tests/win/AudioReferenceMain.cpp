// Renders the comparison session through the Linux TORVIK.vst3 into a raw
// file that the Windows tests compare their module's output with.
#include "AudioScenario.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: torvik_audio_reference OUTPUT.raw\n");
        return 2;
    }
    std::string error;
    const std::vector<double> samples =
        torvik::testing::RenderAudioScenario(TORVIK_BUNDLE_PATH, error);
    if (samples.empty() || !torvik::testing::WriteSamples(argv[1], samples)) {
        std::fprintf(stderr, "torvik_audio_reference: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %zu frames\n", argv[1], samples.size() / 2);
    return 0;
}
