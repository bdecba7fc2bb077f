#include "Lv2Session.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/units/units.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

namespace torvik::render {

namespace {

// The port property of a sidechain input (core vocabulary; lv2-dev's headers name no macro).
constexpr const char* kIsSideChain = LV2_CORE_PREFIX "isSideChain";
// Bytes an atom port's buffer holds.
constexpr std::size_t kAtomCapacity = 8192;

// A node made from a URI, freed with the holder.
struct Uri {
    Uri(LilvWorld* world, const char* uri) : node(lilv_new_uri(world, uri)) {}
    ~Uri() { lilv_node_free(node); }
    Uri(const Uri&) = delete;
    Uri& operator=(const Uri&) = delete;
    LilvNode* node;
};

// A node the caller owns, as text ("" for none), freed here.
std::string TakeText(LilvNode* node) {
    std::string text = node && (lilv_node_is_string(node) || lilv_node_is_uri(node))
                           ? lilv_node_as_string(node)
                           : "";
    lilv_node_free(node);
    return text;
}

float TakeFloat(LilvNode* node, float otherwise) {
    const float v = node && lilv_node_is_float(node) ? lilv_node_as_float(node)
                    : node && lilv_node_is_int(node) ? static_cast<float>(lilv_node_as_int(node))
                                                     : otherwise;
    lilv_node_free(node);
    return v;
}

} // namespace

std::unique_ptr<Lv2Session> Lv2Session::Open(const std::string& path, const std::string& pluginName,
                                             std::string& error) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::path(path) / "manifest.ttl", ec)) {
        error = "cannot load " + path + ": not an LV2 bundle (it has no manifest.ttl)";
        return nullptr;
    }
    std::unique_ptr<Lv2Session> session(new Lv2Session());
    session->world = lilv_world_new();
    const std::string folder = std::filesystem::absolute(path, ec).string() + "/";
    LilvNode* bundle = lilv_new_file_uri(session->world, nullptr, folder.c_str());
    lilv_world_load_bundle(session->world, bundle);
    std::string available;
    const LilvPlugins* all = lilv_world_get_all_plugins(session->world);
    LILV_FOREACH(plugins, i, all) {
        const LilvPlugin* p = lilv_plugins_get(all, i);
        if (!lilv_node_equals(lilv_plugin_get_bundle_uri(p), bundle))
            continue;
        const std::string n = TakeText(lilv_plugin_get_name(p));
        available += (available.empty() ? "" : ", ") + ("'" + n + "'");
        if (!session->plugin && (pluginName.empty() || pluginName == n)) {
            session->plugin = p;
            session->name = n;
        }
    }
    lilv_node_free(bundle);
    if (!session->plugin) {
        error = pluginName.empty() ? path + " describes no plug-in"
                                   : path + " has no plug-in named '" + pluginName + "'" +
                                         (available.empty() ? "" : " (it has " + available + ")");
        return nullptr;
    }
    if (!session->ReadPorts(error))
        return nullptr;
    return session;
}

Lv2Session::~Lv2Session() {
    Stop();
    if (world)
        lilv_world_free(world);
}

bool Lv2Session::ReadPorts(std::string& error) {
    Uri audio(world, LV2_CORE__AudioPort), control(world, LV2_CORE__ControlPort),
        atom(world, LV2_ATOM__AtomPort), input(world, LV2_CORE__InputPort),
        sideChain(world, kIsSideChain), optional(world, LV2_CORE__connectionOptional),
        toggled(world, LV2_CORE__toggled), integer(world, LV2_CORE__integer),
        unit(world, LV2_UNITS__unit), symbol(world, LV2_UNITS__symbol);
    const std::uint32_t count = lilv_plugin_get_num_ports(plugin);
    ports.resize(count);
    controls.assign(count, 0.0f);
    for (std::uint32_t i = 0; i < count; ++i) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
        PortUse& use = ports[i];
        use.output = !lilv_port_is_a(plugin, port, input.node);
        use.optional = lilv_port_has_property(plugin, port, optional.node);
        if (lilv_port_is_a(plugin, port, audio.node)) {
            const bool key = lilv_port_has_property(plugin, port, sideChain.node);
            use.role = use.output ? PortRole::Output : key ? PortRole::Sidechain : PortRole::Input;
            (use.output ? outputs : key ? sidechains : inputs).push_back(i);
        } else if (lilv_port_is_a(plugin, port, control.node)) {
            use.role = use.output ? PortRole::ControlOut : PortRole::Control;
        } else if (lilv_port_is_a(plugin, port, atom.node)) {
            use.role = PortRole::Atom;
        }
        if (use.role != PortRole::Control)
            continue;
        LilvNode *def = nullptr, *min = nullptr, *max = nullptr;
        lilv_port_get_range(plugin, port, &def, &min, &max);
        ParameterDescription p;
        // IDs count the control inputs from 0 (port indices would differ from format to format).
        p.listIndex = static_cast<int>(parameters.size());
        p.id = static_cast<std::uint32_t>(parameters.size());
        controlPorts.push_back(i);
        p.minimum = TakeFloat(min, 0.0f);
        p.maximum = TakeFloat(max, 1.0f);
        p.defaultPlain = TakeFloat(def, static_cast<float>(p.minimum));
        p.title = TakeText(lilv_port_get_name(plugin, port));
        if (LilvNodes* units = lilv_port_get_value(plugin, port, unit.node)) {
            const LilvNode* u = lilv_nodes_get_first(units);
            std::string text = TakeText(lilv_world_get(world, u, symbol.node, nullptr));
            if (text.empty() && lilv_node_is_uri(u)) {
                const std::string uri = lilv_node_as_uri(u);
                text = uri.substr(uri.find_last_of("#/") + 1);
            }
            p.units = text;
            lilv_nodes_free(units);
        }
        if (lilv_port_has_property(plugin, port, toggled.node))
            p.stepCount = 1;
        else if (lilv_port_has_property(plugin, port, integer.node) && p.maximum > p.minimum)
            p.stepCount = static_cast<int>(std::lround(p.maximum - p.minimum));
        controls[i] = static_cast<float>(p.defaultPlain);
        parameters.push_back(p);
        parameters.back().defaultNormalized = ToNormalized(p.id, p.defaultPlain);
    }
    if (inputs.empty() || outputs.empty()) {
        error = "'" + name + "' has no audio input and output to render through";
        return false;
    }
    hasLatency = lilv_plugin_has_latency(plugin);
    if (hasLatency)
        latencyPort = lilv_plugin_get_latency_port_index(plugin);
    return true;
}

double Lv2Session::ToNormalized(std::uint32_t id, double plain) const {
    const ParameterDescription* p = Find(id);
    if (!p || !(p->maximum > p->minimum))
        return 0.0;
    return std::clamp((plain - p->minimum) / (p->maximum - p->minimum), 0.0, 1.0);
}

double Lv2Session::CurrentPlain(std::uint32_t id) const {
    return id < controlPorts.size() ? controls[controlPorts[id]] : 0.0;
}

double Lv2Session::CurrentNormalized(std::uint32_t id) const {
    return ToNormalized(id, CurrentPlain(id));
}

void Lv2Session::Apply(const ResolvedSetting& setting) {
    if (setting.id < controlPorts.size())
        controls[controlPorts[setting.id]] = static_cast<float>(setting.plain);
}

bool Lv2Session::LoadPreset(const preset::VstPreset&, std::string& error) {
    error = "a .vstpreset holds a VST 3 state, which the LV2 plug-in '" + name +
            "' does not read; give the settings with --set";
    return false;
}

bool Lv2Session::CapturePreset(preset::VstPreset&, std::string& error) const {
    error = "a .vstpreset is saved from a VST 3 plug-in; '" + name + "' is an LV2 plug-in";
    return false;
}

bool Lv2Session::Start(int sampleRate, int blockSize, int precision, bool withSidechain,
                       std::vector<ScheduledChange> automation, std::string& error) {
    if (precision != 32) {
        error = "'" + name + "' is an LV2 plug-in, which processes 32-bit samples only";
        return false;
    }
    if (withSidechain && sidechains.empty()) {
        error = "'" + name + "' has no sidechain input";
        return false;
    }
    // What a host tells plug-ins that ask: URIDs, and as options the block lengths (blocks are
    // never longer than blockSize) and the sample rate. The plug-in may keep them while it lives.
    host.blockLength = static_cast<std::int32_t>(blockSize);
    host.rate = static_cast<float>(sampleRate);
    const LV2_URID intType = urids.Map(LV2_ATOM__Int);
    auto option = [&](const char* key, const void* value, std::uint32_t size, LV2_URID type) {
        return LV2_Options_Option{LV2_OPTIONS_INSTANCE, 0, urids.Map(key), size, type, value};
    };
    host.options = {
        option(LV2_BUF_SIZE__minBlockLength, &host.oneFrame, sizeof(std::int32_t), intType),
        option(LV2_BUF_SIZE__maxBlockLength, &host.blockLength, sizeof(std::int32_t), intType),
        option(LV2_BUF_SIZE__nominalBlockLength, &host.blockLength, sizeof(std::int32_t), intType),
        option(LV2_PARAMETERS__sampleRate, &host.rate, sizeof(float), urids.Map(LV2_ATOM__Float)),
        LV2_Options_Option{LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr},
    };
    host.map = {LV2_URID__map, urids.Feature()};
    host.optionsFeature = {LV2_OPTIONS__options, host.options.data()};
    host.bounded = {LV2_BUF_SIZE__boundedBlockLength, nullptr};
    const LV2_Feature* features[] = {&host.map, &host.optionsFeature, &host.bounded, nullptr};
    instance = lilv_plugin_instantiate(plugin, sampleRate, features);
    if (!instance) {
        error = "'" + name + "' refused an instance at " + FormatValue(sampleRate) +
                " Hz (it may need a host feature this tool does not offer)";
        return false;
    }
    atomBuffers.clear();
    for (std::uint32_t i = 0; i < ports.size(); ++i) {
        const PortUse& use = ports[i];
        if (use.role == PortRole::Control || use.role == PortRole::ControlOut) {
            lilv_instance_connect_port(instance, i, &controls[i]);
        } else if (use.role == PortRole::Atom) {
            atomBuffers.emplace_back(kAtomCapacity / 8, 0);
            lilv_instance_connect_port(instance, i, atomBuffers.back().data());
        } else if (use.role == PortRole::Other) {
            lilv_instance_connect_port(instance, i, nullptr);
        }
    }
    lilv_instance_activate(instance);
    blockFrames = static_cast<std::uint32_t>(blockSize);
    withKey = withSidechain;
    changes = std::move(automation);
    nextChange = 0;
    position = 0;
    latencyLeft = 0;
    latencyRead = false;
    rate = sampleRate;
    return true;
}

bool Lv2Session::Process(const Planar& input, const Planar* sidechain, std::size_t frames,
                         Planar& output, std::string& error) {
    Planar main, side;
    LayOutForBus(input, frames, static_cast<std::int32_t>(inputs.size()), main);
    LayOutForBus(withKey && sidechain ? *sidechain : Planar{}, frames,
                 static_cast<std::int32_t>(sidechains.size()), side);
    std::vector<std::vector<float>> in(inputs.size()), key(sidechains.size()),
        out(outputs.size(), std::vector<float>(blockFrames));
    Planar result(outputs.size());
    const LV2_URID sequence = urids.Map(LV2_ATOM__Sequence);
    const LV2_URID chunk = urids.Map(LV2_ATOM__Chunk);
    for (std::size_t from = 0; from < frames; from += blockFrames) {
        const auto count =
            static_cast<std::uint32_t>(std::min<std::size_t>(blockFrames, frames - from));
        const std::int64_t start = position + static_cast<std::int64_t>(from);
        // Automation in this block takes effect at its start.
        for (; nextChange < changes.size() && changes[nextChange].frame < start + count;
             ++nextChange) {
            const ScheduledChange& c = changes[nextChange];
            if (const ParameterDescription* p = Find(c.id))
                controls[controlPorts[c.id]] =
                    static_cast<float>(p->minimum + c.normalized * (p->maximum - p->minimum));
        }
        auto connect = [&](const std::vector<std::uint32_t>& which, const Planar& source,
                           std::vector<std::vector<float>>& buffers, bool connected) {
            for (std::size_t c = 0; c < which.size(); ++c) {
                buffers[c].assign(source[c].begin() + static_cast<std::ptrdiff_t>(from),
                                  source[c].begin() + static_cast<std::ptrdiff_t>(from + count));
                // An optional input nobody feeds stays unconnected, so the plug-in knows.
                const bool optionalUnfed = !connected && ports[which[c]].optional;
                lilv_instance_connect_port(instance, which[c],
                                           optionalUnfed ? nullptr : buffers[c].data());
            }
        };
        connect(inputs, main, in, true);
        connect(sidechains, side, key, withKey);
        for (std::size_t c = 0; c < outputs.size(); ++c)
            lilv_instance_connect_port(instance, outputs[c], out[c].data());
        std::size_t atomIndex = 0;
        for (const PortUse& use : ports) {
            if (use.role != PortRole::Atom)
                continue;
            // Inputs: an empty sequence; outputs: the room there is.
            auto* a = reinterpret_cast<LV2_Atom_Sequence*>(atomBuffers[atomIndex++].data());
            a->atom.size = use.output ? kAtomCapacity - sizeof(LV2_Atom)
                                      : static_cast<std::uint32_t>(sizeof(LV2_Atom_Sequence_Body));
            a->atom.type = use.output ? chunk : sequence;
            a->body.unit = 0;
            a->body.pad = 0;
        }
        lilv_instance_run(instance, count);
        if (hasLatency && !latencyRead) {
            const float reported = controls[latencyPort];
            latencyLeft = std::isfinite(reported) && reported > 0
                              ? static_cast<std::size_t>(std::lround(reported))
                              : 0;
            latencyRead = true;
        }
        for (std::size_t c = 0; c < outputs.size(); ++c)
            for (std::uint32_t i = 0; i < count; ++i) {
                if (!std::isfinite(out[c][i])) {
                    error = "the effect produced a sample that is not a number at " +
                            AtTime(static_cast<std::size_t>(start) + i, rate);
                    return false;
                }
                result[c].push_back(out[c][i]);
            }
    }
    position += static_cast<std::int64_t>(frames);
    TakeOffLatency(result, frames, latencyLeft, output);
    return true;
}

bool Lv2Session::Finish(Planar& output, std::string& error) {
    output.assign(outputs.size(), {});
    const std::size_t latency =
        hasLatency && latencyRead ? static_cast<std::size_t>(std::max(0.0f, controls[latencyPort]))
                                  : 0;
    if (latency > 0) {
        const Planar silence(inputs.size(), std::vector<double>(latency));
        if (!Process(silence, nullptr, latency, output, error))
            return false;
        for (auto& ch : output)
            ch.resize(std::min(ch.size(), latency));
    }
    Stop();
    return true;
}

void Lv2Session::Stop() {
    if (!instance)
        return;
    lilv_instance_deactivate(instance);
    lilv_instance_free(instance);
    instance = nullptr;
}

bool Lv2Session::Flush(int, int, std::string&) {
    return true;
}

} // namespace torvik::render
