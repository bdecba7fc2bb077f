#pragma once
// The built TORVIK.clap loaded through the CLAP host kit, once per test
// program, and what the tests share: the plug-in's ID, signals, settings as
// the host sends them, and renders through TORVIK.vst3 for comparison.
#include "hostkit/clap/ClapHost.h"
#include "processor/ParameterTable.h"
#include "processor/Parameters.h"
#include "support/EngagedSettings.h"
#include "vst3/Block.h"
#include "vst3/TorvikHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace torvik::testing {

inline constexpr const char* kTorvikClapId = "com.quellmark.torvik";

inline hostkit::clap::ClapModule& TorvikClap() {
    static hostkit::clap::ClapModule module(TORVIK_CLAP_PATH);
    EXPECT_TRUE(module.Loaded()) << module.Error();
    return module;
}

// A VST 3 host's normalised value for a real value, and the plain value a CLAP
// host sends for the same position: min + (max - min) * n, as the record maps it.
inline double NormalisedFor(int index, double real) {
    const ParamRow& param = ParamRowAt(index);
    return (real - param.min) / (param.max - param.min);
}
inline double PlainFor(int index, double real) {
    const ParamRow& param = ParamRowAt(index);
    return param.min + (param.max - param.min) * NormalisedFor(index, real);
}

// Input sample i of channel ch (0/1 main, 2/3 sidechain): a swelling voice
// with sibilant bursts, a pulsing key on the sidechain.
inline double Signal(int ch, long i, double rate) {
    const double t = static_cast<double>(i) / rate;
    const double swell = 0.5 + 0.5 * std::sin(2 * std::numbers::pi * 1.7 * t);
    if (ch >= 2)
        return 0.7 * (std::fmod(t, 0.25) < 0.1 ? 1.0 : 0.0) *
               std::sin(2 * std::numbers::pi * (110.0 + 20.0 * ch) * t);
    const double hiss =
        std::fmod(t, 0.3) < 0.05 ? 0.3 * std::sin(2 * std::numbers::pi * 7000 * t) : 0;
    return swell * (0.6 * std::sin(2 * std::numbers::pi * (220.0 + 3.0 * ch) * t) + hiss);
}

// One automation point: at the start of block `block`, parameter `index` moves to `real`.
struct Automation {
    int block;
    int index;
    double real;
};

struct ClapRender {
    double rate = 48000.0;
    int block = 256;
    int blocks = 40;
    bool is64 = false;
    bool sidechain = true; // the sidechain port or bus carries the key
    std::vector<Automation> automation;
};

// Left then right output, every block, through TORVIK.clap.
inline std::vector<double> RenderClap(const ClapRender& param) {
    hostkit::clap::ClapHost host;
    hostkit::clap::ClapInstance plugin(TorvikClap(), host, kTorvikClapId);
    EXPECT_TRUE(plugin.Created());
    EXPECT_TRUE(plugin.Activate(param.rate, 1, static_cast<std::uint32_t>(param.block)));
    const auto frames = static_cast<std::uint32_t>(param.block);
    std::vector<double> out;
    for (int b = 0; b < param.blocks; ++b) {
        hostkit::clap::InputEvents events;
        for (const Automation& a : param.automation)
            if (a.block == b)
                events.AddValue(static_cast<clap_id>(a.index), PlainFor(a.index, a.real));
        auto run = [&](auto zero) {
            using T = decltype(zero);
            hostkit::clap::PortBuffers<T> main(2, frames), side(2, frames), output(2, frames);
            for (std::uint32_t i = 0; i < frames; ++i)
                for (int ch = 0; ch < 4; ++ch)
                    (ch < 2 ? main : side)[ch % 2][i] = static_cast<T>(
                        Signal(ch, static_cast<long>(b) * param.block + i, param.rate));
            std::vector<clap_audio_buffer> ins{main.Buffer()};
            if (param.sidechain)
                ins.push_back(side.Buffer());
            EXPECT_EQ(plugin.Process(frames, ins, {output.Buffer()}, &events),
                      CLAP_PROCESS_CONTINUE);
            for (int ch = 0; ch < 2; ++ch)
                out.insert(out.end(), output[ch].begin(), output[ch].end());
        };
        if (param.is64)
            run(0.0);
        else
            run(0.0f);
    }
    return out;
}

// The same through TORVIK.vst3.
inline std::vector<double> RenderVst3(const ClapRender& param) {
    using namespace Steinberg::Vst;
    auto instance = NewTorvik();
    EXPECT_NE(instance, nullptr);
    if (param.sidechain)
        instance->activateAllBuses();
    else
        instance->activateDefaultBuses();
    instance->startProcessing(param.rate, param.block, param.is64 ? kSample64 : kSample32);
    BlockRunner runner(*instance, param.block, param.is64 ? kSample64 : kSample32);
    std::vector<double> out;
    for (int b = 0; b < param.blocks; ++b) {
        for (const Automation& a : param.automation)
            if (a.block == b)
                runner.Change(static_cast<ParamID>(a.index), NormalisedFor(a.index, a.real));
        runner.Fill(param.block, [&](int bus, int ch, int i) {
            return Signal(bus * 2 + ch, static_cast<long>(b) * param.block + i, param.rate);
        });
        EXPECT_EQ(runner.Run(param.block), Steinberg::kResultOk);
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < param.block; ++i)
                out.push_back(runner.Output(ch, i));
    }
    return out;
}

// Every engaged setting as automation of the first block.
inline std::vector<Automation> EngagedAtStart() {
    std::vector<Automation> a;
    for (const EngagedSetting& s : kEngagedSettings)
        a.push_back({0, s.index, s.value});
    return a;
}

} // namespace torvik::testing
