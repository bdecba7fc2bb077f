#pragma once
// One effect instance loaded through the host kit and driven the way a DAW renders a track:
// parameters set through the controller and handed to the instance before it is activated,
// automation delivered in each block's parameter-change queue, state restored from and saved
// to .vstpreset files, audio processed block by block.
#include "AudioFile.h"
#include "Automation.h"
#include "RenderOptions.h"
#include "VstPresetFile.h"

#include "hostkit/Instance.h"
#include "hostkit/OfflineRenderer.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace torvik::render {

// What --list-params shows of one parameter, in plain (real) values.
struct ParameterDescription {
    int listIndex = 0;            // position in the controller's list
    std::uint32_t id = 0;         // host parameter ID
    std::string title;            // UTF-8
    std::string units;            // UTF-8
    int stepCount = 0;            // 0 continuous, n: n + 1 discrete values
    double minimum = 0;           // plain value at normalised 0
    double maximum = 0;           // plain value at normalised 1
    double defaultPlain = 0;      // plain value of the default
    double defaultNormalized = 0; // as the controller reports it
    std::int32_t flags = 0;       // ParameterInfo flags
};

// One parameter change resolved against the loaded effect.
struct ResolvedSetting {
    std::uint32_t id = 0;  // host parameter ID
    double plain = 0;      // the real value asked for
    double normalized = 0; // what the host sends
    std::string title;     // the parameter's title (its ID when it has none)
};

// How mono files travel: fed to every input channel and brought back as the average of the
// output channels. A channel-symmetric effect gives identical channels, so the average is then
// each channel exactly; these figures tell how far the channels strayed from each other.
struct MonoFold {
    bool checked = false;             // the output had two or more channels to compare
    bool identical = true;            // all channels agreed bit for bit
    double maxDifference = 0;         // largest |L − R| seen, full scale 1
    std::size_t differentThrough = 0; // frames up to and including the last that differed
};

class PluginSession {
public:
    // Loads `bundlePath` and creates class `className` (empty: the first audio effect).
    static std::unique_ptr<PluginSession> Open(const std::string& bundlePath,
                                               const std::string& className, std::string& error);

    const std::vector<ParameterDescription>& Parameters() const { return parameters; }
    // The class ID in the platform's 32-digit text form, as .vstpreset files carry it.
    std::string ClassIdText() const;
    const std::string& ClassName() const { return className; }

    // Finds the parameter (title, or decimal ID) and converts the real value; rejects unknown
    // or ambiguous names, values outside the range and values between a switch's steps.
    bool Resolve(const ParameterSetting& setting, ResolvedSetting& out, std::string& error) const;

    // Hands the preset's 'Comp' chunk to the component and its 'Cont' chunk to the controller.
    bool LoadPreset(const preset::VstPreset& preset, std::string& error);

    // Sets the value on the controller now; the next render puts it in place before the
    // instance is activated.
    void Apply(const ResolvedSetting& setting);

    // The normalised value of a real value of parameter `id`: the controller's conversion, or
    // the linear mapping of the range when that conversion is not the inverse of its own.
    double ToNormalized(std::uint32_t id, double plain) const;
    // The parameter with host ID `id`, or null.
    const ParameterDescription* Find(std::uint32_t id) const;

    // Starts processing at `sampleRate` in blocks of `blockSize` with 32- or 64-bit samples,
    // the sidechain bus on when `withSidechain`, and `automation` to deliver in the blocks'
    // queues as the audio reaches it.
    bool Start(int sampleRate, int blockSize, int precision, bool withSidechain,
               std::vector<ScheduledChange> automation, std::string& error);
    // Processes the first `frames` frames of `input` (and `sidechain`), whose channels are fed
    // to the buses as a file's are (mono to every channel), and answers the effect's output
    // channels in `output`, the latency it reports already taken off: fewer frames than went in
    // while the delay fills, and the rest from Finish.
    bool Process(const Planar& input, const Planar* sidechain, std::size_t frames, Planar& output,
                 std::string& error);
    // Runs silence through to bring out what the effect still holds back, and stops.
    bool Finish(Planar& output, std::string& error);
    // Output channels of the main bus (valid after Start).
    int OutputChannels() const { return outputChannels; }

    // Delivers queued changes without audio (one silent block), so that the state reflects them
    // in plug-ins whose component learns parameters only through processing.
    bool Flush(int blockSize, int precision, std::string& error);

    // The instance's state as a preset: 'Comp' when the component's getState succeeds, 'Cont'
    // when the controller's does.
    bool CapturePreset(preset::VstPreset& out, std::string& error) const;

    // Current plain value of a parameter as the controller reports it.
    double CurrentPlain(std::uint32_t id) const;
    // Current normalised value (0 to 1) as the controller reports it.
    double CurrentNormalized(std::uint32_t id) const;

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
