#pragma once
// The host-neutral core of one plug-in instance: parameter records, preset
// slots, channel configurations and buffers, the instance lock, the plug-in's
// facts (handed over by the plug-in) and the attached editor graphics. Knows
// nothing of any plug-in API or product.
#include "framework/Channels.h"
#include "framework/EditorGraphics.h"
#include "framework/EditorHost.h"
#include "framework/ParamRecord.h"
#include "framework/PluginFacts.h"
#include "framework/RecursiveLock.h"
#include "framework/StateChunk.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace torvik {

class IEffectBase : public IEditorHost {
public:
    explicit IEffectBase(const PluginFacts& facts);
    IEffectBase(const IEffectBase&) = delete;
    IEffectBase& operator=(const IEffectBase&) = delete;

    // Virtual operations, in slot order.
    ~IEffectBase() override;
    virtual void OnReset();
    virtual void HandleParamChange(int index);
    virtual void ProcessBlock(double** inputs, double** outputs, int frames);
    virtual void OnEditorOpen() {}
    virtual void OnEditorClose() {}
    virtual void OnActivate(bool active);
    virtual bool WriteState(IStateChunk& chunk);
    virtual int ReadState(const IStateChunk& chunk, int position);
    virtual void OnEditorResized() {}
    virtual void OnHostIdentified() {}
    void SetParameterFromEditor(int index, double normalised) override;
    virtual void InformHostEdit(int index, double normalised) = 0;
    virtual int QueryHost() { return hostCode; }
    virtual void AttachEditorGraphics(IEditorGraphics* editorGraphics);
    virtual void RefreshParamControls();
    virtual void OnPresetRestored() {}
    virtual void ApplyBlockSize(int n);
    // Meters for hosts that show them: how many, and each one's level, 0 to 1.
    virtual int MeterCount() const { return 0; }
    virtual double MeterLevel(int /*meter*/) const { return 0.0; }

    // Parameters.
    int ParamCount() const { return static_cast<int>(params.size()); }
    IParamRecord* ParamAt(int index) override;
    const IParamRecord* ParamAt(int index) const override;

    // Channel configurations.
    bool LegalIO(int inputs, int outputs) const;
    const std::vector<IChannelConfig>& ChannelConfigs() const { return channelConfigs; }
    int InputChannelCount() const { return static_cast<int>(inputChannels.size()); }
    int OutputChannelCount() const { return static_cast<int>(outputChannels.size()); }
    IInputChannel& InputChannel(int i) { return inputChannels[static_cast<std::size_t>(i)]; }
    IOutputChannel& OutputChannel(int i) { return outputChannels[static_cast<std::size_t>(i)]; }
    double** InputData() { return inputData.data(); }
    double** OutputData() { return outputData.data(); }

    // Buffers, per block: convert in, process or bypass, convert out.
    void ConvertInputBlock(int firstChannel, int count, float* const* hostBuffers, int frames);
    void ConvertOutputBlock(int frames);
    void BypassBlock(int frames);
    void ClearChannelBuffers();

    // State and presets.
    bool SerializeParams(IStateChunk& chunk);
    int UnserializeParams(const IStateChunk& chunk, int start);
    void FillDefaultPresets(const char* name);
    bool RecallPreset(int index);
    int PresetCount() const { return static_cast<int>(presets.size()); }
    IPresetRecord* PresetAt(int index);
    int CurrentPresetIndex() const { return currentPresetIndex; }

    // Identity and plain state.
    const char* EffectName() const { return facts.effectName; }
    const char* SettingsName() const override { return facts.effectName; }
    const char* ProductName() const { return facts.productName; }
    const char* MakerName() const { return facts.makerName; }
    std::uint32_t UniqueId() const { return facts.uniqueId; }
    std::uint32_t MakerId() const { return facts.makerId; }
    std::int32_t Version() const { return facts.version; }
    std::string VersionText() const;
    double SampleRate() const { return sampleRate; }
    void SetSampleRate(double fs) { sampleRate = fs; }
    int BlockSize() const { return blockSize; }
    int Latency() const { return latency; }
    bool IsBypassed() const { return bypassed.load(std::memory_order_relaxed); }
    void SetBypassed(bool on) { bypassed.store(on, std::memory_order_relaxed); }
    int HostCode() const { return hostCode; }
    int HostVersion() const { return hostVersion; }
    void SetHostIdentity(int code, int hostVersionValue) {
        hostCode = code;
        hostVersion = hostVersionValue;
    }
    IEditorGraphics* Graphics() const override { return graphics; }
    const PluginFacts& Facts() const { return facts; }
    // Group names in order of first appearance.
    std::vector<std::string>& ParamGroups() { return paramGroups; }

    // The instance lock: re-entrant, held for the whole processing call, state
    // write and restore, and every parameter change from the editor.
    RecursiveLock& Mutex() override { return lock; }

private:
    void ParseChannelConfigs(const char* text);

    PluginFacts facts;
    std::vector<IChannelConfig> channelConfigs;
    RecursiveLock lock;
    std::int32_t hostCode; // -1 until identified
    std::int32_t hostVersion;
    std::atomic<bool> bypassed{false}; // the host's bypass; read by the controller while processing
    std::int32_t currentPresetIndex = 0;
    double sampleRate;      // hertz
    std::int32_t blockSize; // samples
    std::int32_t latency;   // samples; always 0 here
    std::vector<std::string> paramGroups;
    IEditorGraphics* graphics = nullptr; // the editor context; owned from attach on, deleted first
    std::vector<IParamRecord> params;
    std::vector<IPresetRecord> presets;
    std::vector<double*> inputData;
    std::vector<double*> outputData;
    std::vector<IInputChannel> inputChannels;
    std::vector<IOutputChannel> outputChannels;
};

} // namespace torvik
