#pragma once
// One LV2 plug-in from a bundle, described by lilv from its Turtle and driven the way a DAW
// renders a track: the input control ports are the parameters, held by the host and set before
// each block; audio in blocks of 32-bit samples; automation taken at the start of the block
// that holds it (the block granularity the VST 3 and CLAP paths have in TORVIK). Parameter IDs
// count the control inputs in port order from 0.
#include "EffectSession.h"

#include "hostkit/lv2/Lv2Host.h"

#include <lilv/lilv.h>
#include <lv2/options/options.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace torvik::render {

class Lv2Session : public EffectSession {
public:
    // Reads the bundle at `path` and chooses the plug-in named `pluginName` (empty: the first).
    static std::unique_ptr<Lv2Session> Open(const std::string& path, const std::string& pluginName,
                                            std::string& error);
    ~Lv2Session() override;
    Lv2Session(const Lv2Session&) = delete;
    Lv2Session& operator=(const Lv2Session&) = delete;

    const std::string& ClassName() const override { return name; }
    const std::vector<ParameterDescription>& Parameters() const override { return parameters; }
    // Linear over the port's range.
    double ToNormalized(std::uint32_t id, double plain) const override;
    double CurrentPlain(std::uint32_t id) const override;
    double CurrentNormalized(std::uint32_t id) const override;
    void Apply(const ResolvedSetting& setting) override;
    // Refused: a .vstpreset holds a VST 3 state, which LV2 state does not read.
    bool LoadPreset(const preset::VstPreset& preset, std::string& error) override;
    bool CapturePreset(preset::VstPreset& out, std::string& error) const override;
    bool Start(int sampleRate, int blockSize, int precision, bool withSidechain,
               std::vector<ScheduledChange> automation, std::string& error) override;
    bool Process(const Planar& input, const Planar* sidechain, std::size_t frames, Planar& output,
                 std::string& error) override;
    bool Finish(Planar& output, std::string& error) override;
    // The host holds the control values; nothing to deliver.
    bool Flush(int blockSize, int precision, std::string& error) override;

private:
    Lv2Session() = default;
    bool ReadPorts(std::string& error);
    void Stop();

    // What the session does with each port.
    enum class PortRole { Input, Sidechain, Output, Control, ControlOut, Atom, Other };
    struct PortUse {
        PortRole role = PortRole::Other;
        bool optional = false;
        bool output = false;
    };

    LilvWorld* world = nullptr;
    const LilvPlugin* plugin = nullptr;
    LilvInstance* instance = nullptr;
    hostkit::lv2::UridMap urids;
    // The features an instance gets, and the option values they point at.
    struct HostFeatures {
        std::int32_t oneFrame = 1;
        std::int32_t blockLength = 0;
        float rate = 0;
        std::array<LV2_Options_Option, 5> options{};
        LV2_Feature map{}, optionsFeature{}, bounded{};
    } host;
    std::string name;
    std::vector<ParameterDescription> parameters;
    std::vector<PortUse> ports;
    std::vector<float> controls;             // every port's control value (by port index)
    std::vector<std::uint32_t> controlPorts; // the port of each parameter ID
    std::vector<std::uint32_t> inputs, sidechains, outputs; // audio ports by role
    std::vector<std::vector<std::uint64_t>> atomBuffers;    // one per atom port (8-byte aligned)
    std::vector<ScheduledChange> changes;
    std::size_t nextChange = 0;
    std::int64_t position = 0;
    std::size_t latencyLeft = 0;
    bool latencyRead = false;
    std::uint32_t latencyPort = 0;
    bool hasLatency = false;
    std::uint32_t blockFrames = 0;
    bool withKey = false;
    double rate = 0;
};

} // namespace torvik::render
