// The object itself: construction and the host's initialisation, which
// creates the buses and the host-facing parameters.
#include "vst3/EffectVST3.h"

#include "framework/HostIdentification.h"
#include "vst3/EffectParameter.h"
#include "vst3sdk/pluginterfaces/vst/ivsthostapplication.h"

namespace torvik {

using namespace Steinberg;
using namespace Steinberg::Vst;

IEffectVST3::IEffectVST3(const PluginFacts& facts) : IEffectBase(facts) {
    for (int i = 0; i < InputChannelCount(); ++i)
        InputChannel(i).connected = true;
    for (int i = 0; i < OutputChannelCount(); ++i)
        OutputChannel(i).connected = true;
    inputBusLabels.emplace_back("Main Input");
    if (sidechainChannels != 0)
        inputBusLabels.emplace_back("Aux Input");
    outputBusLabels.emplace_back("Output");
    inputSources.assign(static_cast<std::size_t>(InputChannelCount()), nullptr);
    outputTargets.assign(static_cast<std::size_t>(OutputChannelCount()), nullptr);
    // Scratch buffers for the host's default block size exist from the start,
    // so a host that processes before setting up never meets empty buffers.
    ApplyBlockSize(processSetup.maxSamplesPerBlock);
}

IEffectVST3::~IEffectVST3() {
    views.clear(); // the views hold references to us; nothing of theirs is touched here
}

tresult PLUGIN_API IEffectVST3::initialize(FUnknown* context) {
    const tresult result = SingleComponentEffect::initialize(context);

    IHostApplication* host = nullptr;
    if (context &&
        context->queryInterface(IHostApplication::iid, reinterpret_cast<void**>(&host)) ==
            kResultOk &&
        host) {
        String128 wideName = {};
        host->getName(wideName);
        wideName[127] = 0;
        char name[128];
        NarrowFromString16(wideName, name, 127);
        SetHostIdentity(IdentifyHost(name), 0);
    } else {
        host = nullptr;
    }

    if (result == kResultOk) {
        if (sidechainChannels > 2)
            sidechainChannels = 2;
        CreateBuses();
        CreateParameters();
    }
    OnHostIdentified();
    RecallPreset(0);
    if (host)
        host->release();
    return result;
}

} // namespace torvik
