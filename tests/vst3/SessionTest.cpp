// A whole session as a DAW runs it: load, set up, a minute of audio in random
// blocks with automation, bypass and sidechain toggling, save, restore into a
// second instance, and both then sound the same.
#include "Block.h"
#include "TorvikHost.h"
#include "processor/TorvikFacts.h"

#include <cmath>
#include <random>

namespace torvik::testing {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr double kRate = 48000.0;
constexpr int kMaxBlock = 1024;

double Voice(int bus, int channel, long n) {
    const double t = n / kRate;
    const double env = 0.5 + 0.5 * std::sin(2.0 * M_PI * 1.3 * t);
    const double s = std::sin(2.0 * M_PI * 180.0 * t) + 0.3 * std::sin(2.0 * M_PI * 6500.0 * t);
    return (bus == 1 ? 0.6 : 0.4) * env * s * (channel == 0 ? 1.0 : 0.9);
}

std::unique_ptr<hostkit::Instance> StartSession(const std::u16string& host) {
    auto instance = NewTorvik(host);
    if (!instance)
        return nullptr;
    instance->activateAllBuses();
    EXPECT_EQ(instance->setBusArrangements({0x3, 0x3}, {0x3}), kResultOk);
    EXPECT_EQ(instance->startProcessing(kRate, kMaxBlock, kSample32), kResultOk);
    return instance;
}

TEST(Session, MinuteOfAutomatedAudioThenRestoreIntoASecondInstance) {
    auto first = StartSession(u"Ardour");
    ASSERT_NE(first, nullptr);
    BlockRunner runner(*first, kMaxBlock, kSample32);
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> blockSize(1, kMaxBlock);
    std::uniform_real_distribution<double> unit(0.0, 1.0);

    long position = 0;
    bool sidechainOn = true;
    while (position < static_cast<long>(60 * kRate)) {
        const int frames = blockSize(random);
        for (int k = 0; k < 6; ++k) {
            const ParamID id = static_cast<ParamID>(random() % kParameterCount);
            runner.Change(id, unit(random), static_cast<int>(random() % frames));
        }
        if (random() % 50 == 0)
            runner.Change(kBypassParamId, unit(random));
        if (random() % 80 == 0) {
            // Hosts switch buses only while the plug-in is inactive.
            sidechainOn = !sidechainOn;
            first->setActive(false);
            first->activateBus(kAudio, kInput, 1, sidechainOn);
            first->setActive(true);
        }
        runner.Fill(frames, [&](int bus, int ch, int i) { return Voice(bus, ch, position + i); });
        ASSERT_EQ(runner.Run(frames), kResultOk);
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < frames; ++i)
                ASSERT_TRUE(std::isfinite(runner.Output(ch, i)));
        position += frames;
    }

    const auto saved = first->getControllerState();
    ASSERT_TRUE(saved.has_value());
    auto second = StartSession(u"Ardour");
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(second->setControllerState(*saved), kResultOk);
    EXPECT_EQ(second->getControllerState(), saved);

    // Reset the first instance's memories the way a host does, with a new set-up,
    // then give both the same audio and the same bus state.
    for (auto* instance : {first.get(), second.get()}) {
        instance->setActive(false);
        instance->activateBus(kAudio, kInput, 1, true);
        instance->setActive(true);
    }
    BlockRunner a(*first, kMaxBlock, kSample32);
    BlockRunner b(*second, kMaxBlock, kSample32);
    // The bypass flag travelled with the state.
    EXPECT_EQ(first->controller()->getParamNormalized(kBypassParamId),
              second->controller()->getParamNormalized(kBypassParamId));
    // Identical memories are not part of the state; let both settle on silence first.
    for (int block = 0; block < 400; ++block) {
        a.Fill(kMaxBlock, [](int, int, int) { return 0.0; });
        b.Fill(kMaxBlock, [](int, int, int) { return 0.0; });
        a.Run(kMaxBlock);
        b.Run(kMaxBlock);
    }
    long n = 0;
    for (int block = 0; block < 50; ++block) {
        auto f = [&](int bus, int ch, int i) { return Voice(bus, ch, n + i); };
        a.Fill(kMaxBlock, f);
        b.Fill(kMaxBlock, f);
        ASSERT_EQ(a.Run(kMaxBlock), kResultOk);
        ASSERT_EQ(b.Run(kMaxBlock), kResultOk);
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < kMaxBlock; ++i)
                ASSERT_NEAR(a.Output(ch, i), b.Output(ch, i), 1e-6)
                    << "block " << block << " sample " << i;
        n += kMaxBlock;
    }
}

} // namespace
} // namespace torvik::testing
