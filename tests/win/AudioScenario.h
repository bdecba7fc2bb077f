#pragma once
// One session rendered through a TORVIK.vst3 the same way on every platform:
// voice-like input, a sidechain, settings and automation. The Windows tests
// compare the Windows module's output with the Linux module's.
#include <string>
#include <vector>

namespace torvik::testing {

// Output frames, left and right interleaved; empty with error on failure.
std::vector<double> RenderAudioScenario(const std::string& bundle, std::string& error);

// Raw little-endian doubles on disk.
bool WriteSamples(const std::string& path, const std::vector<double>& samples);
std::vector<double> ReadSamples(const std::string& path);

} // namespace torvik::testing
