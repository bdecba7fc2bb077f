// block_profile: a fixed amount of processing for an instruction profiler.
// Runs the loud programme through the chain alone or through the built module
// (as a DAW hands over its track buffers: the block's channel pointers point
// straight into the programme, nothing is copied), with the defaults or every
// stage engaged, at any block size and at 32 or 64 bits.
//
// Usage: block_profile chain|module defaults|engaged <block frames> [32|64] [seconds, default 2]
//
// Under callgrind the inclusive counts of TORVIK::ProcessBlock (the chain),
// IEffectVST3::process (TORVIK's whole share of a host call) and
// hostkit::Instance::process (the host kit's call around it), divided by the
// frames printed at the end, give instructions per stereo frame;
// bench/profile-blocks.sh does exactly that.
#include "BenchSupport.h"
#include "hostkit/HostKit.h"
#include "support/EngagedSettings.h"
#include "support/TestTorvik.h"
#include "vst3/Vst3Identity.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace torvik;
using namespace torvik::bench;
using namespace Steinberg;
using namespace Steinberg::Vst;

struct Options {
    bool module = false;
    bool engaged = false;
    int block = kBlock;
    bool is64 = false;
    double seconds = 2.0;
};

bool Parse(int argc, char** argv, Options& o) {
    if (argc < 4)
        return false;
    const std::string where = argv[1], settings = argv[2];
    if ((where != "chain" && where != "module") ||
        (settings != "defaults" && settings != "engaged"))
        return false;
    o.module = where == "module";
    o.engaged = settings == "engaged";
    o.block = std::atoi(argv[3]);
    if (argc > 4)
        o.is64 = std::atoi(argv[4]) == 64;
    if (argc > 5)
        o.seconds = std::atof(argv[5]);
    return o.block >= 1 && o.block <= kBlock && o.seconds > 0.0;
}

// The programme cycled to `frames`, in both sample sizes: main then sidechain.
struct Material {
    std::vector<double> d[4];
    std::vector<float> f[4];
};

Material Prepare(long frames) {
    const testing::Signal& p = Programme();
    const std::vector<double>* sources[4] = {&p.left, &p.right, &p.scLeft, &p.scRight};
    Material m;
    for (int c = 0; c < 4; ++c) {
        m.d[c].resize(static_cast<std::size_t>(frames));
        m.f[c].resize(static_cast<std::size_t>(frames));
        for (long i = 0; i < frames; ++i) {
            const double v = (*sources[c])[static_cast<std::size_t>(i) % sources[c]->size()];
            m.d[c][static_cast<std::size_t>(i)] = v;
            m.f[c][static_cast<std::size_t>(i)] = static_cast<float>(v);
        }
    }
    return m;
}

long RunChain(const Options& o, Material& m, long frames) {
    testing::TestTorvik fx;
    fx.SetSampleRate(kRate);
    if (o.engaged)
        testing::EngageEverything(fx);
    fx.OnActivate(true);
    std::vector<double> outL(static_cast<std::size_t>(o.block)), outR(outL.size());
    long done = 0;
    for (; done + o.block <= frames; done += o.block) {
        const auto at = static_cast<std::size_t>(done);
        double* in[4] = {&m.d[0][at], &m.d[1][at], &m.d[2][at], &m.d[3][at]};
        double* out[2] = {outL.data(), outR.data()};
        fx.ProcessBlock(in, out, o.block);
    }
    return done;
}

long RunModule(const Options& o, Material& m, long frames) {
    std::string error;
    auto module = hostkit::Module::Load(TORVIK_BUNDLE_PATH, &error);
    const FUID classId(kClassIdWords[0], kClassIdWords[1], kClassIdWords[2], kClassIdWords[3]);
    auto instance = module ? hostkit::Instance::Create(module, classId, &error) : nullptr;
    if (!instance) {
        std::fprintf(stderr, "block_profile: %s\n", error.c_str());
        return -1;
    }
    instance->activateAllBuses();
    if (o.engaged) {
        std::vector<uint8_t> saved = *instance->getControllerState();
        for (const testing::EngagedSetting& s : testing::kEngagedSettings)
            std::memcpy(saved.data() + 8 * s.index, &s.value, sizeof s.value);
        instance->setControllerState(saved);
    }
    const int32 sampleSize = o.is64 ? kSample64 : kSample32;
    instance->startProcessing(kRate, o.block, sampleSize);
    auto buffers = instance->makeBuffers(o.block, sampleSize);
    long done = 0;
    for (; done + o.block <= frames; done += o.block) {
        ProcessData& data = buffers->prepare(o.block);
        const auto at = static_cast<std::size_t>(done);
        // The track buffers, as the host owns them.
        float* in32[2][2] = {{&m.f[0][at], &m.f[1][at]}, {&m.f[2][at], &m.f[3][at]}};
        double* in64[2][2] = {{&m.d[0][at], &m.d[1][at]}, {&m.d[2][at], &m.d[3][at]}};
        for (int bus = 0; bus < 2 && bus < data.numInputs; ++bus) {
            if (o.is64)
                data.inputs[bus].channelBuffers64 = in64[bus];
            else
                data.inputs[bus].channelBuffers32 = in32[bus];
        }
        instance->process(data);
    }
    instance->stopProcessing();
    return done;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (!Parse(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: block_profile chain|module defaults|engaged <block 1..%d> "
                     "[32|64] [seconds]\n",
                     kBlock);
        return 2;
    }
    const long frames = static_cast<long>(o.seconds * kRate);
    Material m = Prepare(frames);
    const long done = o.module ? RunModule(o, m, frames) : RunChain(o, m, frames);
    if (done < 0)
        return 1;
    std::printf("frames %ld blocks %ld\n", done, done / o.block);
    return 0;
}
