#pragma once
// What torvik-render needs of an effect, whatever format its plug-in comes in: its parameters
// in real values, its state as presets, and processing a stream a chunk at a time. The VST 3
// implementation is PluginSession, the CLAP one ClapSession, the LV2 one Lv2Session;
// OpenEffectSession chooses the implementation for a path.
#include "AudioFile.h"
#include "Automation.h"
#include "RenderOptions.h"
#include "VstPresetFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace torvik::render {

// A number as the tool writes it in messages (%.6g).
std::string FormatValue(double v);
// ASCII lower case, for names compared without regard to case.
std::string Lower(std::string s);
// A frame's time in messages ("1.234 s").
std::string AtTime(std::size_t frame, double sampleRate);
// Hands `rendered` (`frames` frames a channel) over as `output` less the frames still owed to
// the effect's latency, which come off the start of the render.
void TakeOffLatency(Planar& rendered, std::size_t frames, std::size_t& latencyLeft, Planar& output);
// The first `frames` frames of a file's channels laid out for an input of `busChannels`
// channels: a mono file feeds every channel, a file of several channels feeding a mono input is
// averaged, missing channels repeat the file's last.
void LayOutForBus(const Planar& file, std::size_t frames, std::int32_t busChannels, Planar& bus);

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
    bool isBypass = false;        // the host's bypass switch
    bool isProgramChange = false; // selects a program (preset)
    bool isReadOnly = false;      // shown but not set
};

// One parameter change resolved against the loaded effect.
struct ResolvedSetting {
    std::uint32_t id = 0;  // host parameter ID
    double plain = 0;      // the real value asked for
    double normalized = 0; // what the host sends
    std::string title;     // the parameter's title (its ID when it has none)
};

class EffectSession {
public:
    virtual ~EffectSession() = default;

    virtual const std::string& ClassName() const = 0;
    // In the effect's own order.
    virtual const std::vector<ParameterDescription>& Parameters() const = 0;
    // The normalised value of a real value of parameter `id`.
    virtual double ToNormalized(std::uint32_t id, double plain) const = 0;
    // Current values as the effect reports them.
    virtual double CurrentPlain(std::uint32_t id) const = 0;
    virtual double CurrentNormalized(std::uint32_t id) const = 0;
    // Sets the value now; the next Start puts it in place before the first sample.
    virtual void Apply(const ResolvedSetting& setting) = 0;

    // Restores a preset's state; answers the instance's state as a preset.
    virtual bool LoadPreset(const preset::VstPreset& preset, std::string& error) = 0;
    virtual bool CapturePreset(preset::VstPreset& out, std::string& error) const = 0;

    // Starts processing at `sampleRate` in blocks of `blockSize` with 32- or 64-bit samples,
    // the sidechain input on when `withSidechain`, and `automation` delivered in the blocks as
    // the audio reaches it.
    virtual bool Start(int sampleRate, int blockSize, int precision, bool withSidechain,
                       std::vector<ScheduledChange> automation, std::string& error) = 0;
    // Processes the first `frames` frames of `input` (and `sidechain`), fed to the inputs as a
    // file's channels are (mono to every channel), and answers the effect's output channels,
    // the latency it reports already taken off: fewer frames while the delay fills, and the
    // rest from Finish.
    virtual bool Process(const Planar& input, const Planar* sidechain, std::size_t frames,
                         Planar& output, std::string& error) = 0;
    // Runs silence through to bring out what the effect still holds back, and stops.
    virtual bool Finish(Planar& output, std::string& error) = 0;
    // Delivers applied settings without audio (one silent block), so the state reflects them.
    virtual bool Flush(int blockSize, int precision, std::string& error) = 0;

    // The parameter with ID `id`, or null.
    const ParameterDescription* Find(std::uint32_t id) const;
    // Finds the parameter (title, or decimal ID) and converts the real value; rejects unknown
    // or ambiguous names, read-only parameters, values outside the range and values between a
    // switch's steps.
    bool Resolve(const ParameterSetting& setting, ResolvedSetting& out, std::string& error) const;
};

// Loads the plug-in at `path` and creates class `className` (empty: the first audio effect).
std::unique_ptr<EffectSession> OpenEffectSession(const std::string& path,
                                                 const std::string& className, std::string& error);

} // namespace torvik::render
