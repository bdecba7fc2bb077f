#pragma once
// One effect instance loaded through the host kit and driven the way a DAW renders a track:
// parameters set through the controller and handed to the instance before it is activated,
// automation delivered in each block's parameter-change queue, state restored from and saved
// to .vstpreset files, audio processed block by block.
#include "EffectSession.h"

#include "hostkit/Instance.h"
#include "hostkit/OfflineRenderer.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace torvik::render {

// The VST 3 implementation of EffectSession.
class PluginSession : public EffectSession {
public:
    // Loads `bundlePath` and creates class `className` (empty: the first audio effect).
    static std::unique_ptr<PluginSession> Open(const std::string& bundlePath,
                                               const std::string& className, std::string& error);

    // The class ID in the platform's 32-digit text form, as .vstpreset files carry it.
    std::string ClassIdText() const;

    const std::string& ClassName() const override { return className; }
    const std::vector<ParameterDescription>& Parameters() const override { return parameters; }
    // The controller's conversion, or the linear mapping of the range when that conversion is
    // not the inverse of its own.
    double ToNormalized(std::uint32_t id, double plain) const override;
    double CurrentPlain(std::uint32_t id) const override;
    double CurrentNormalized(std::uint32_t id) const override;
    // Sets the value on the controller now.
    void Apply(const ResolvedSetting& setting) override;
    // 'Comp' goes to the component, 'Cont' to the controller; 'Comp' is captured when the
    // component's getState succeeds, 'Cont' when the controller's does.
    bool LoadPreset(const preset::VstPreset& preset, std::string& error) override;
    bool CapturePreset(preset::VstPreset& out, std::string& error) const override;
    bool Start(int sampleRate, int blockSize, int precision, bool withSidechain,
               std::vector<ScheduledChange> automation, std::string& error) override;
    bool Process(const Planar& input, const Planar* sidechain, std::size_t frames, Planar& output,
                 std::string& error) override;
    bool Finish(Planar& output, std::string& error) override;
    bool Flush(int blockSize, int precision, std::string& error) override;

private:
    PluginSession() = default;
    void ReadParameters();
    // Hands the applied settings to the instance through its own state, as a DAW restoring a
    // project does, so they are in place from the first sample. Answers what the instance did
    // not take (bypass and program parameters live outside many states).
    std::vector<ResolvedSetting> CommitSettings();

    std::unique_ptr<hostkit::Instance> instance;        // the loaded effect
    Steinberg::FUID classId;                            // class created
    std::string className;                              // its name
    std::vector<ParameterDescription> parameters;       // in list order
    std::vector<ResolvedSetting> pending;               // settings not yet handed to the instance
    std::unique_ptr<hostkit::OfflineRenderer> renderer; // between Start and Finish
    std::vector<ScheduledChange> changes;               // automation still to deliver, by frame
    std::size_t nextChange = 0;                         // first of `changes` not yet scheduled
    std::int64_t position = 0;                          // frames handed to the effect so far
    std::size_t latencyLeft = 0;                        // output frames still to drop
    std::size_t latency = 0;                            // reported delay
    int inputChannels = 0, sidechainChannels = 0, outputChannels = 0;
    double rate = 0; // Hz, for messages
};

// Converts a zero-terminated UTF-16 text of at most `max` units to UTF-8.
std::string Utf16ToUtf8(const char16_t* text, std::size_t max);

} // namespace torvik::render
