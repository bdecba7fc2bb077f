#include "framework/EffectBase.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>
#include <vector>

namespace torvik::testing {
namespace {

// True when another thread cannot take the instance lock right now.
bool LockHeldElsewhere(RecursiveLock& m) {
    return std::async(std::launch::async,
                      [&m] {
                          if (!m.try_lock())
                              return true;
                          m.unlock();
                          return false;
                      })
        .get();
}

// A product the framework has never heard of: everything it reports about
// itself comes from these facts.
constexpr PluginFacts kProbeFacts{
    .effectName = "Probe",
    .productName = "Probe Suite",
    .makerName = "Probe Works",
    .uniqueId = MakeFourCC('P', 'R', 'B', '1'),
    .makerId = MakeFourCC('P', 'r', 'b', 'w'),
    .version = 0x00020301,
    .versionText = "2.3.1",
    .channelConfig = "2-2 4-2",
    .parameterCount = 40,
};

class RecordingEffect : public IEffectBase {
public:
    RecordingEffect() : IEffectBase(kProbeFacts) {
        ParamAt(0)->DefineContinuous("Gain", 0, -30, 30, 0.01, "%");
        ParamAt(1)->DefineStepped("Switch", 1, 0, 1);
    }
    void HandleParamChange(int index) override {
        calls.push_back("change " + std::to_string(index) +
                        (LockHeldElsewhere(Mutex()) ? " locked" : " unlocked"));
    }
    void BeginHostEdit(int) override {}
    void InformHostEdit(int index, double normalised) override {
        calls.push_back("inform " + std::to_string(index) + " " + std::to_string(normalised) +
                        (LockHeldElsewhere(Mutex()) ? " locked" : " unlocked"));
    }
    void EndHostEdit(int) override {}
    void ResizeEditor(int, int) override {}
    std::vector<std::string> calls;
};

class FakeGraphics : public IEditorGraphics {
public:
    explicit FakeGraphics(std::vector<std::string>& logTo) : log(logTo) {}
    ~FakeGraphics() override { log.push_back("destroyed"); }
    void ApplyParamToControls(int i, double v) override {
        log.push_back("apply " + std::to_string(i) + " " + std::to_string(v));
    }
    void SetParamValueFromPlug(int i, double v, bool normalised) override {
        log.push_back("set " + std::to_string(i) + " " + std::to_string(v) +
                      (normalised ? " n" : " r"));
    }
    void SetControlValueFromPlug(int, double) override {}
    int ControlCount() const override { return 0; }
    void PrepareDrawing() override { log.push_back("prepare"); }
    std::vector<std::string>& log;
};

TEST(EffectBase, IdentityAndConfiguration) {
    RecordingEffect fx;
    EXPECT_STREQ(fx.EffectName(), "Probe");
    EXPECT_STREQ(fx.MakerName(), "Probe Works");
    EXPECT_STREQ(fx.ProductName(), "Probe Suite");
    EXPECT_EQ(fx.UniqueId(), 0x50524231u); // 'PRB1'
    EXPECT_EQ(fx.MakerId(), 0x50726277u);  // 'Prbw'
    EXPECT_EQ(fx.VersionText(), "v2.3.1");
    EXPECT_EQ(fx.QueryHost(), -1);
    EXPECT_EQ(fx.SampleRate(), 44100.0);
    EXPECT_EQ(fx.BlockSize(), 0);
    EXPECT_EQ(fx.ParamCount(), 40);
    EXPECT_EQ(fx.PresetCount(), 1);
    EXPECT_EQ(fx.PresetAt(0)->name, "empty");
    EXPECT_FALSE(fx.PresetAt(0)->initialised);
    ASSERT_EQ(fx.ChannelConfigs().size(), 2u);
    EXPECT_EQ(fx.InputChannelCount(), 4);
    EXPECT_EQ(fx.OutputChannelCount(), 2);
    EXPECT_EQ(fx.ParamAt(40), nullptr);
    EXPECT_EQ(fx.ParamAt(-1), nullptr);
    EXPECT_NE(fx.ParamAt(39), nullptr);
}

TEST(EffectBase, LegalIO) {
    RecordingEffect fx;
    const struct {
        int in, out;
        bool legal;
    } cases[] = {{2, 2, true},  {4, 2, true},   {1, 1, false},  {2, 4, false}, {-1, 2, true},
                 {4, -1, true}, {3, -1, false}, {-1, -1, true}, {0, 0, false}};
    for (const auto& c : cases)
        EXPECT_EQ(fx.LegalIO(c.in, c.out), c.legal) << c.in << "-" << c.out;
}

TEST(EffectBase, BlockSizeResizesAndZeroesScratchBuffers) {
    RecordingEffect fx;
    fx.ApplyBlockSize(512);
    fx.InputChannel(0).scratch[3] = 1.0;
    fx.ApplyBlockSize(1024);
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(fx.InputChannel(i).scratch.size(), 1024u);
        for (double v : fx.InputChannel(i).scratch)
            ASSERT_EQ(v, 0.0);
    }
    EXPECT_EQ(fx.OutputChannel(1).scratch.size(), 1024u);
    fx.OutputChannel(1).scratch[5] = 2.0;
    const double* before = fx.OutputChannel(1).scratch.data();
    fx.ApplyBlockSize(1024); // same size: nothing happens
    EXPECT_EQ(fx.OutputChannel(1).scratch.data(), before);
    EXPECT_EQ(fx.OutputChannel(1).scratch[5], 2.0);
    fx.ClearChannelBuffers();
    EXPECT_EQ(fx.OutputChannel(1).scratch[5], 0.0);
}

TEST(EffectBase, ConvertBypassAndConvertBack) {
    RecordingEffect fx;
    const int frames = 4;
    fx.ApplyBlockSize(8);
    for (int i = 0; i < 4; ++i)
        fx.InputChannel(i).connected = true;
    for (int i = 0; i < 2; ++i) {
        fx.OutputChannel(i).connected = true;
        *fx.OutputChannel(i).slot = fx.OutputChannel(i).scratch.data();
    }
    float in[4][frames] = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 9, 9, 9}, {-9, -9, -9, -9}};
    float* inPtrs[4] = {in[0], in[1], in[2], in[3]};
    fx.ConvertInputBlock(0, 2, inPtrs, frames);
    fx.ConvertInputBlock(2, 2, inPtrs + 2, frames);
    EXPECT_EQ(fx.InputData()[3][1], -9.0);

    float out[2][frames] = {};
    fx.OutputChannel(0).hostDestination = out[0];
    fx.OutputChannel(1).hostDestination = out[1];
    fx.BypassBlock(frames); // the sidechain never reaches the outputs
    fx.ConvertOutputBlock(frames);
    for (int i = 0; i < frames; ++i) {
        EXPECT_EQ(out[0][i], in[0][i]);
        EXPECT_EQ(out[1][i], in[1][i]);
    }

    // An unconnected channel keeps its previous slot; a block longer than the
    // scratch buffers never writes past them.
    fx.InputChannel(1).connected = false;
    float longBlock[64] = {};
    float* longPtrs[2] = {longBlock, longBlock};
    fx.ConvertInputBlock(0, 2, longPtrs, 64);
    EXPECT_EQ(fx.InputData()[1][0], 5.0);
}

TEST(EffectBase, EditorChangeIsHandledUnderTheLockAndTheHostHearsOfItAfter) {
    RecordingEffect fx;
    fx.SetParameterFromEditor(0, 0.75);
    EXPECT_DOUBLE_EQ(fx.ParamAt(0)->Value(), 15.0);
    ASSERT_EQ(fx.calls.size(), 2u);
    EXPECT_EQ(fx.calls[0], "change 0 locked");
    EXPECT_EQ(fx.calls[1], "inform 0 0.750000 unlocked");
    fx.calls.clear();
    fx.SetParameterFromEditor(77, 0.5); // unknown index: ignored
    EXPECT_TRUE(fx.calls.empty());
}

TEST(EffectBase, AttachPushesNormalisedValuesRefreshPushesRealOnes) {
    std::vector<std::string> log;
    {
        RecordingEffect fx;
        fx.AttachEditorGraphics(nullptr); // nothing
        EXPECT_EQ(fx.Graphics(), nullptr);
        auto* g = new FakeGraphics(log);
        fx.AttachEditorGraphics(g);
        EXPECT_EQ(fx.Graphics(), g);
        ASSERT_EQ(log.size(), 41u);
        EXPECT_EQ(log[0], "apply 0 0.500000");
        EXPECT_EQ(log[1], "apply 1 1.000000");
        EXPECT_EQ(log[40], "prepare");
        log.clear();
        fx.RefreshParamControls();
        ASSERT_EQ(log.size(), 40u);
        EXPECT_EQ(log[0], "set 0 0.000000 r");
        log.clear();
    }
    // The plug-in owns its editor from attach on and destroys it.
    EXPECT_EQ(log, std::vector<std::string>{"destroyed"});
}

} // namespace
} // namespace torvik::testing
