// torvik_validate_clap FILE
//
// Checks an installed TORVIK.clap the way a host scans and tries a plug-in, through our CLAP
// host kit: the entry and its one descriptor, the ports, the parameters, a 324-byte state that
// reads back byte for byte, the win32 editor offered, two instances at once, and processing at
// several sample rates, block sizes and sample sizes with finite output. Prints one line per
// check ("ok" or "FAIL") and exits 1 when any failed.
#include "hostkit/clap/ClapHost.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace hostkit::clap;

int failures = 0;

void Check(bool ok, const std::string& what, const std::string& detail = {}) {
    std::printf("%s: %s%s%s\n", ok ? "ok" : "FAIL", what.c_str(), detail.empty() ? "" : ": ",
                detail.c_str());
    if (!ok)
        ++failures;
}

template <typename T> bool AllFinite(PortBuffers<T>& out, std::uint32_t frames) {
    for (std::size_t ch = 0; ch < 2; ++ch)
        for (std::uint32_t i = 0; i < frames; ++i)
            if (!std::isfinite(out[ch][i]))
                return false;
    return true;
}

// A tenth of a second of a tone through main and sidechain inputs, every stage in.
template <typename T>
bool ProcessesFinite(const ClapModule& module, const char* id, double rate, std::uint32_t block) {
    ClapHost host;
    ClapInstance plugin(module, host, id);
    if (!plugin.Created() || !plugin.Activate(rate, 1, block))
        return false;
    InputEvents stagesIn;
    for (clap_id param : {29u, 32u, 34u, 35u})
        stagesIn.AddValue(param, 1.0);
    PortBuffers<T> main(2, block), side(2, block), out(2, block);
    const auto frames = static_cast<long>(rate / 10);
    for (long done = 0; done < frames; done += block) {
        for (std::uint32_t i = 0; i < block; ++i)
            for (std::size_t ch = 0; ch < 2; ++ch)
                main[ch][i] = side[ch][i] =
                    static_cast<T>(0.3 * std::sin(2.0 * M_PI * 220.0 * (done + i) / rate));
        if (plugin.Process(block, {main.Buffer(), side.Buffer()}, {out.Buffer()},
                           done == 0 ? &stagesIn : nullptr) != CLAP_PROCESS_CONTINUE ||
            !AllFinite(out, block))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: torvik_validate_clap FILE\n");
        return 2;
    }
    ClapModule module(argv[1]);
    Check(module.Loaded(), std::string("clap_entry initialised from ") + argv[1], module.Error());
    const clap_plugin_factory* factory = module.Factory();
    Check(factory != nullptr, "plug-in factory");
    if (!factory)
        return 1;
    Check(factory->get_plugin_count(factory) == 1, "one plug-in");
    const clap_plugin_descriptor* d = factory->get_plugin_descriptor(factory, 0);
    Check(d != nullptr, "its descriptor");
    if (!d)
        return 1;
    Check(std::strcmp(d->name, "TORVIK") == 0, "name TORVIK", d->name);
    Check(std::strcmp(d->vendor, "Quellmark") == 0, "vendor Quellmark", d->vendor);
    bool effect = false;
    for (const char* const* f = d->features; f && *f; ++f)
        effect = effect || std::strcmp(*f, "audio-effect") == 0;
    Check(effect, "feature audio-effect");

    ClapHost host;
    ClapInstance plugin(module, host, d->id);
    Check(plugin.Created(), "instance created and initialised");
    if (!plugin.Created())
        return 1;
    const auto* ports = plugin.Extension<clap_plugin_audio_ports>(CLAP_EXT_AUDIO_PORTS);
    Check(ports && ports->count(plugin.Plugin(), true) == 2 &&
              ports->count(plugin.Plugin(), false) == 1,
          "main and sidechain inputs, one output");
    const auto* params = plugin.Extension<clap_plugin_params>(CLAP_EXT_PARAMS);
    Check(params && params->count(plugin.Plugin()) == 41, "40 parameters and the bypass");
    const auto* gui = plugin.Extension<clap_plugin_gui>(CLAP_EXT_GUI);
    Check(gui && gui->is_api_supported(plugin.Plugin(), CLAP_WINDOW_API_WIN32, false),
          "an embedded win32 editor");

    std::vector<std::uint8_t> state;
    Check(plugin.Save(state) && state.size() == 324, "324 bytes of state written",
          std::to_string(state.size()));
    Check(plugin.Load(state), "state read back");
    std::vector<std::uint8_t> again;
    Check(plugin.Save(again) && again == state, "state written again gives the same bytes");

    ClapInstance second(module, host, d->id);
    Check(second.Created(), "a second instance beside the first");

    for (double rate : {44100.0, 48000.0, 96000.0})
        for (std::uint32_t block : {1u, 64u, 512u})
            for (bool is64 : {false, true}) {
                const bool ok = is64 ? ProcessesFinite<double>(module, d->id, rate, block)
                                     : ProcessesFinite<float>(module, d->id, rate, block);
                Check(ok, "processing at " + std::to_string(int(rate)) + " Hz, blocks of " +
                              std::to_string(block) + ", " + (is64 ? "64" : "32") + "-bit");
            }
    std::printf("torvik_validate_clap: %d failed\n", failures);
    return failures == 0 ? 0 : 1;
}
