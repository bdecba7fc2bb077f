#pragma once
// The VST 3 binding: one object that is the plug-in base, the VST 3 component
// (buses, processing, state) and the controller (parameters, units, programs,
// editor view) at once.
#include "framework/EffectBase.h"
#include "vst3/HostParamIds.h"
#include "vst3sdk/helpers/singlecomponenteffect.h"

#include <string>
#include <vector>

namespace torvik {

class IEffectVST3View;

// The platform type string of the editor's parent window.
#if defined(_WIN32)
inline constexpr const char* kEditorPlatformType = "HWND";
#else
inline constexpr const char* kEditorPlatformType = "X11EmbedWindowID";
#endif

// The speaker arrangement for a channel count; 0 (empty) for unusual counts.
Steinberg::Vst::SpeakerArrangement SpeakerArrangementForChannels(int channels);

class IEffectVST3 : public IEffectBase, public Steinberg::Vst::SingleComponentEffect {
public:
    using tresult = Steinberg::tresult;
    using ParamID = Steinberg::Vst::ParamID;
    using ParamValue = Steinberg::Vst::ParamValue;

    explicit IEffectVST3(const PluginFacts& facts);
    ~IEffectVST3() override;

    // IPluginBase
    tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override;

    // IComponent / IAudioProcessor
    tresult PLUGIN_API setBusArrangements(Steinberg::Vst::SpeakerArrangement* inputs,
                                          Steinberg::int32 numIns,
                                          Steinberg::Vst::SpeakerArrangement* outputs,
                                          Steinberg::int32 numOuts) override;
    tresult PLUGIN_API canProcessSampleSize(Steinberg::int32 symbolicSampleSize) override;
    tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup) override;
    tresult PLUGIN_API setActive(Steinberg::TBool state) override;
    Steinberg::uint32 PLUGIN_API getLatencySamples() override;
    Steinberg::uint32 PLUGIN_API getTailSamples() override { return 0; }
    tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) override;

    // State: the component's pair answers kNotImplemented, the controller's carries it.
    tresult componentSetState(Steinberg::IBStream* state) override;
    tresult componentGetState(Steinberg::IBStream* state) override;
    tresult controllerSetState(Steinberg::IBStream* state) override;
    tresult controllerGetState(Steinberg::IBStream* state) override;
    tresult PLUGIN_API setComponentState(Steinberg::IBStream* state) override;

    // IEditController
    ParamValue PLUGIN_API getParamNormalized(ParamID id) override;
    tresult PLUGIN_API setParamNormalized(ParamID id, ParamValue value) override;
    ParamValue PLUGIN_API plainParamToNormalized(ParamID id, ParamValue plain) override;
    tresult PLUGIN_API getParamStringByValue(ParamID id, ParamValue value,
                                             Steinberg::Vst::String128 text) override;
    Steinberg::IPlugView* PLUGIN_API createView(Steinberg::FIDString name) override;

    // IEditController2
    tresult PLUGIN_API setKnobMode(Steinberg::Vst::KnobMode mode) override;
    tresult PLUGIN_API openHelp(Steinberg::TBool onlyCheck) override;
    tresult PLUGIN_API openAboutBox(Steinberg::TBool onlyCheck) override;

    // IUnitInfo
    Steinberg::int32 PLUGIN_API getUnitCount() override;
    tresult PLUGIN_API getUnitInfo(Steinberg::int32 unitIndex,
                                   Steinberg::Vst::UnitInfo& info) override;
    Steinberg::int32 PLUGIN_API getProgramListCount() override;
    tresult PLUGIN_API getProgramListInfo(Steinberg::int32 listIndex,
                                          Steinberg::Vst::ProgramListInfo& info) override;
    tresult PLUGIN_API getProgramName(Steinberg::Vst::ProgramListID listId,
                                      Steinberg::int32 programIndex,
                                      Steinberg::Vst::String128 name) override;
    tresult PLUGIN_API getProgramInfo(Steinberg::Vst::ProgramListID listId,
                                      Steinberg::int32 programIndex,
                                      Steinberg::Vst::CString attributeId,
                                      Steinberg::Vst::String128 attributeValue) override;
    tresult PLUGIN_API hasProgramPitchNames(Steinberg::Vst::ProgramListID listId,
                                            Steinberg::int32 programIndex) override;
    tresult PLUGIN_API getProgramPitchName(Steinberg::Vst::ProgramListID listId,
                                           Steinberg::int32 programIndex,
                                           Steinberg::int16 midiPitch,
                                           Steinberg::Vst::String128 name) override;
    Steinberg::Vst::UnitID PLUGIN_API getSelectedUnit() override { return 0; }
    tresult PLUGIN_API selectUnit(Steinberg::Vst::UnitID unitId) override;
    tresult PLUGIN_API getUnitByBus(Steinberg::Vst::MediaType type,
                                    Steinberg::Vst::BusDirection dir, Steinberg::int32 busIndex,
                                    Steinberg::int32 channel,
                                    Steinberg::Vst::UnitID& unitId) override;
    tresult PLUGIN_API setUnitProgramData(Steinberg::int32 listOrUnitId,
                                          Steinberg::int32 programIndex,
                                          Steinberg::IBStream* data) override;

    // Host-facing operations of the plug-in base.
    void BeginHostEdit(int index) override;
    void InformHostEdit(int index, double normalised) override;
    void EndHostEdit(int index) override;
    void ResizeEditor(int width, int height) override;
    bool HostResizesEditorWindow() const override { return true; }
    bool HostOffersParamMenu() const override { return true; }
    bool ShowHostParamMenu(int index, int x, int y) override;

    // A view going away leaves the list of views; the others stay.
    void ForgetView(IEffectVST3View* view);

    OBJ_METHODS(IEffectVST3, SingleComponentEffect)

private:
    void CreateBuses();
    void CreateParameters();
    Steinberg::Vst::UnitID UnitForGroup(const char* group);
    void ApplyParameterChanges(Steinberg::Vst::IParameterChanges* changes);
    void ProcessChunk(bool is64, int offset, int frames);
    // A run of framework channels that one host bus feeds.
    struct ChannelRange {
        int first = 0; // framework channel of the bus's first channel
        int count = 0; // channels of the bus that the framework has room for
        int End() const { return first + count; }
    };
    void WireInputs(Steinberg::Vst::ProcessData& data);
    void AttachInputBus(const Steinberg::Vst::AudioBusBuffers& buffers, ChannelRange range);
    void WireOutputs(Steinberg::Vst::ProcessData& data);
    Steinberg::Vst::AudioBus* AudioInputBus(int index) const;
    Steinberg::Vst::AudioBus* AudioOutputBus(int index) const;

    int sidechainChannels = 2;    // framework input channels that belong to the sidechain
    bool sidechainActive = false; // the sidechain bus was active in the last block
    std::vector<std::string> inputBusLabels;
    std::vector<std::string> outputBusLabels;
    std::vector<IEffectVST3View*> views; // views created and still alive (not owned)

    // Per block: which host buffer feeds each framework channel (null: its own
    // scratch buffer), as 32- or 64-bit pointers.
    std::vector<void*> inputSources;
    std::vector<void*> outputTargets;
};

} // namespace torvik
