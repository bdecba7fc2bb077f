#pragma once
// One CLAP plug-in instance loaded through the CLAP host kit and driven the way a DAW renders a
// track: settings handed over through the parameters' flush before activation, automation as
// value events in the block that holds them, state restored from a .vstpreset's chunk, audio
// processed block by block.
#include "EffectSession.h"

#include "hostkit/clap/ClapHost.h"

#include <memory>
#include <string>
#include <vector>

namespace torvik::render {

class ClapSession : public EffectSession {
public:
    // Loads the .clap file at `path` and creates the plug-in named `pluginName` (empty: the
    // first audio effect, else the first plug-in).
    static std::unique_ptr<ClapSession> Open(const std::string& path, const std::string& pluginName,
                                             std::string& error);
    ~ClapSession() override;

    const std::string& ClassName() const override { return name; }
    const std::vector<ParameterDescription>& Parameters() const override { return parameters; }
    // Linear over the parameter's range, as CLAP hosts map automation lanes.
    double ToNormalized(std::uint32_t id, double plain) const override;
    double CurrentPlain(std::uint32_t id) const override;
    double CurrentNormalized(std::uint32_t id) const override;
    void Apply(const ResolvedSetting& setting) override;
    // CLAP plug-ins have no VST 3 class ID to check a preset against: the preset's component
    // state, else its controller state, goes to the plug-in's state, which judges it.
    bool LoadPreset(const preset::VstPreset& preset, std::string& error) override;
    // Refused: a .vstpreset names a VST 3 class, which a CLAP plug-in does not have.
    bool CapturePreset(preset::VstPreset& out, std::string& error) const override;
    bool Start(int sampleRate, int blockSize, int precision, bool withSidechain,
               std::vector<ScheduledChange> automation, std::string& error) override;
    bool Process(const Planar& input, const Planar* sidechain, std::size_t frames, Planar& output,
                 std::string& error) override;
    bool Finish(Planar& output, std::string& error) override;
    // Values set through the parameters' flush are in the plug-in's state already.
    bool Flush(int blockSize, int precision, std::string& error) override;

private:
    ClapSession() = default;
    void ReadParameters();
    // One process call of `count` frames from `from` in the layouts, with these events.
    template <typename T>
    bool ProcessBlock(const Planar& main, const Planar& side, std::size_t from, std::uint32_t count,
                      const hostkit::clap::InputEvents& events, Planar& output);

    std::unique_ptr<hostkit::clap::ClapModule> module;
    std::unique_ptr<hostkit::clap::ClapHost> host;
    std::unique_ptr<hostkit::clap::ClapInstance> instance;
    std::string name;
    std::vector<ParameterDescription> parameters;
    std::vector<ScheduledChange> changes; // automation still to deliver, by frame
    std::size_t nextChange = 0;           // first of `changes` not yet delivered
    std::int64_t position = 0;            // frames handed to the plug-in so far
    std::size_t latencyLeft = 0;          // output frames still to drop
    std::size_t latency = 0;              // reported delay
    std::uint32_t blockFrames = 0;
    bool is64 = false;
    bool withKey = false; // the sidechain port carries the sidechain given
    std::uint32_t inputChannels = 0, sidechainChannels = 0, outputChannels = 0;
    double rate = 0; // Hz, for messages
};

} // namespace torvik::render
