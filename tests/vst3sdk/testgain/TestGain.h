// TestGain: a small stereo gain effect built on the VST 3 layer, used to test the layer and the
// host kit end to end through a real bundle.
#pragma once

#include "vst3sdk/helpers/pluginview.h"
#include "vst3sdk/helpers/singlecomponenteffect.h"

#include <atomic>

namespace testgain {

using namespace Steinberg;
using namespace Steinberg::Vst;

/** Parameter IDs. */
enum : ParamID { kGainId = 0, kBypassId = 1 };

/** The class ID as four words (printed text "54455354 47414E31 ..."). */
constexpr uint32 kClassWords[4] = {0x54455354, 0x4741494E, 0x00010002, 0x00030004};

/** Gain 0..2 (plain) from normalised 0..1. */
class GainParameter : public Parameter {
public:
    GainParameter();
    ParamValue toPlain(ParamValue v) const override { return v * 2.0; }
    ParamValue toNormalized(ParamValue plain) const override { return plain / 2.0; }
};

class TestGain;

/** A 300 x 200 view that ticks on the host's run loop while attached. */
class TestGainView : public CPluginView, public Linux::ITimerHandler {
public:
    explicit TestGainView(TestGain* owner);
    ~TestGainView() override;

    tresult PLUGIN_API isPlatformTypeSupported(FIDString type) override;
    tresult PLUGIN_API attached(void* parent, FIDString type) override;
    tresult PLUGIN_API removed() override;
    /** A key press sets the gain to full as a user edit (begin, perform, end). */
    tresult PLUGIN_API onKeyDown(char16 key, int16 keyCode, int16 modifiers) override;
    /** A wheel turn asks the host for a wider view. */
    tresult PLUGIN_API onWheel(float distance) override;
    tresult PLUGIN_API canResize() override { return kResultTrue; }
    void PLUGIN_API onTimer() override { ++ticks; }

    int tickCount() const { return ticks; }

    tresult PLUGIN_API queryInterface(const TUID _iid, void** obj) override;
    REFCOUNT_METHODS(CPluginView)

private:
    TestGain* effect;                   ///< counted owner
    Linux::IRunLoop* runLoop = nullptr; ///< counted while attached
    int ticks = 0;                      ///< timer callbacks received
};

class TestGain : public SingleComponentEffect {
public:
    static FUnknown* create(void*);

    tresult PLUGIN_API initialize(FUnknown* context) override;
    tresult PLUGIN_API canProcessSampleSize(int32 symbolicSampleSize) override;
    tresult PLUGIN_API setProcessing(TBool) override { return kResultOk; }
    tresult PLUGIN_API process(ProcessData& data) override;
    tresult controllerGetState(IBStream* state) override;
    tresult controllerSetState(IBStream* state) override;
    IPlugView* PLUGIN_API createView(FIDString name) override;

    /** Used by the view: a user edit of the gain. */
    void userSetsGain(ParamValue normalized);

private:
    template <class Sample> void processSamples(ProcessData& data, Sample** in, Sample** out);

    std::atomic<double> gain{1.0};     ///< linear gain 0..2
    std::atomic<bool> bypassed{false}; ///< copies input to output
};

} // namespace testgain
