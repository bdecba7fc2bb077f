// TORVIK.clap as a host scans and drives it: entry, factory, descriptor,
// extensions, ports, parameters, texts, events, call order and hosts that
// offer nothing.
#include "ClapTestSupport.h"

#include <cstring>
#include <set>
#include <string>
#include <thread>

namespace torvik::testing {
namespace {

using namespace hostkit::clap;

TEST(ClapModule, FactoryDescribesOnePluginAndCreatesItByExactId) {
    ClapModule& module = TorvikClap();
    ASSERT_TRUE(module.Loaded());
    EXPECT_EQ(module.Entry()->get_factory("clap.plugin-factory/2"), nullptr);
    const clap_plugin_factory* factory = module.Factory();
    ASSERT_NE(factory, nullptr);
    ASSERT_EQ(factory->get_plugin_count(factory), 1u);
    EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
    const clap_plugin_descriptor* d = factory->get_plugin_descriptor(factory, 0);
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(d->id, kTorvikClapId);
    EXPECT_STREQ(d->name, "TORVIK");
    EXPECT_STREQ(d->vendor, "Quellmark");
    EXPECT_STREQ(d->version, "1.0.0");
    std::set<std::string> features;
    for (const char* const* f = d->features; *f; ++f)
        EXPECT_TRUE(features.insert(*f).second) << "duplicate " << *f;
    EXPECT_TRUE(features.count("audio-effect"));
    EXPECT_TRUE(features.count("stereo"));

    ClapHost host;
    for (const char* wrong : {"com.quellmark.torvik2", "com.quellmark.torvi", ""}) {
        EXPECT_EQ(factory->create_plugin(factory, host.Host(), wrong), nullptr) << wrong;
    }
    EXPECT_EQ(factory->create_plugin(factory, nullptr, kTorvikClapId), nullptr);
    ClapInstance plugin(module, host, kTorvikClapId);
    ASSERT_TRUE(plugin.Created());
    EXPECT_EQ(plugin.Plugin()->desc, d);
    // Nested loading: a second init and deinit leave the module working.
    EXPECT_TRUE(module.Entry()->init(TORVIK_CLAP_PATH));
    module.Entry()->deinit();
    EXPECT_EQ(factory->get_plugin_count(factory), 1u);
}

TEST(ClapModule, ExtensionsAndPorts) {
    ClapHost host;
    ClapInstance plugin(TorvikClap(), host, kTorvikClapId);
    ASSERT_TRUE(plugin.Created());
    for (const char* id : {CLAP_EXT_AUDIO_PORTS, CLAP_EXT_PARAMS, CLAP_EXT_STATE, CLAP_EXT_LATENCY,
                           CLAP_EXT_GUI, CLAP_EXT_TIMER_SUPPORT, CLAP_EXT_POSIX_FD_SUPPORT})
        EXPECT_NE(plugin.Extension<void>(id), nullptr) << id;
    for (const char* id : {"clap.note-ports", "clap.params/2", "clap.tail", ""})
        EXPECT_EQ(plugin.Extension<void>(id), nullptr) << id;
    EXPECT_EQ(plugin.Plugin()->get_extension(plugin.Plugin(), nullptr), nullptr);

    const auto* ports = plugin.Extension<clap_plugin_audio_ports>(CLAP_EXT_AUDIO_PORTS);
    ASSERT_EQ(ports->count(plugin.Plugin(), true), 2u);
    ASSERT_EQ(ports->count(plugin.Plugin(), false), 1u);
    const struct {
        bool input;
        std::uint32_t index;
        const char* name;
        bool main;
    } expected[] = {{true, 0, "Main Input", true},
                    {true, 1, "Sidechain Input", false},
                    {false, 0, "Output", true}};
    for (const auto& e : expected) {
        clap_audio_port_info info{};
        ASSERT_TRUE(ports->get(plugin.Plugin(), e.index, e.input, &info));
        EXPECT_STREQ(info.name, e.name);
        EXPECT_EQ(info.channel_count, 2u);
        EXPECT_STREQ(info.port_type, CLAP_PORT_STEREO);
        EXPECT_EQ((info.flags & CLAP_AUDIO_PORT_IS_MAIN) != 0, e.main);
        EXPECT_NE(info.flags & CLAP_AUDIO_PORT_SUPPORTS_64BITS, 0u);
    }
    clap_audio_port_info info{};
    EXPECT_FALSE(ports->get(plugin.Plugin(), 2, true, &info));
    EXPECT_FALSE(ports->get(plugin.Plugin(), 1, false, &info));

    const auto* latency = plugin.Extension<clap_plugin_latency>(CLAP_EXT_LATENCY);
    ASSERT_TRUE(plugin.Activate(48000, 1, 512));
    EXPECT_EQ(latency->get(plugin.Plugin()), 0u);
}

TEST(ClapParams, FortyParametersByIndexTheReservedOneHiddenAndTheBypass) {
    ClapHost host;
    ClapInstance plugin(TorvikClap(), host, kTorvikClapId);
    const auto* params = plugin.Extension<clap_plugin_params>(CLAP_EXT_PARAMS);
    ASSERT_NE(params, nullptr);
    ASSERT_EQ(params->count(plugin.Plugin()), 41u);
    int bypasses = 0;
    for (std::uint32_t i = 0; i < 41; ++i) {
        clap_param_info info{};
        ASSERT_TRUE(params->get_info(plugin.Plugin(), i, &info));
        EXPECT_LE(info.min_value, info.default_value);
        EXPECT_LE(info.default_value, info.max_value);
        EXPECT_GT(std::strlen(info.name), 0u);
        // After init every value is its default.
        EXPECT_EQ(plugin.Value(info.id), info.default_value) << info.name;
        if (info.flags & CLAP_PARAM_IS_BYPASS) {
            ++bypasses;
            EXPECT_EQ(info.id, 0x62706173u);
            EXPECT_NE(info.flags & CLAP_PARAM_IS_STEPPED, 0u);
            continue;
        }
        EXPECT_EQ(info.id, i);
        const ParamRow& param = ParamRowAt(static_cast<int>(i));
        EXPECT_EQ(info.min_value, param.min);
        EXPECT_EQ(info.max_value, param.max);
        EXPECT_EQ((info.flags & CLAP_PARAM_IS_HIDDEN) != 0, IsReserved(param)) << i;
        EXPECT_EQ((info.flags & CLAP_PARAM_IS_STEPPED) != 0, IsSwitch(param) || IsReserved(param));
        if (!IsReserved(param)) {
            EXPECT_STREQ(info.name, param.name);
            EXPECT_NE(info.flags & CLAP_PARAM_IS_AUTOMATABLE, 0u);
        }
    }
    EXPECT_EQ(bypasses, 1);
    clap_param_info info{};
    EXPECT_FALSE(params->get_info(plugin.Plugin(), 41, &info));
    double v = 0.0;
    EXPECT_FALSE(params->get_value(plugin.Plugin(), 40, &v));
    EXPECT_FALSE(params->get_value(plugin.Plugin(), CLAP_INVALID_ID, &v));
}

TEST(ClapParams, TextsComeFromTheParameterTableAndRoundTrip) {
    ClapHost host;
    ClapInstance plugin(TorvikClap(), host, kTorvikClapId);
    const auto* params = plugin.Extension<clap_plugin_params>(CLAP_EXT_PARAMS);
    const struct {
        int index;
        double value;
        const char* text;
    } cases[] = {
        {kCompThreshold, -24.0, "-24.0 dB"},
        {kPreampHpf, 80.0, "80.0 Hz"},
        {kCompBypass, 1.0, "On"},
    };
    char text[256];
    for (const auto& c : cases) {
        ASSERT_TRUE(params->value_to_text(plugin.Plugin(), static_cast<clap_id>(c.index), c.value,
                                          text, sizeof text));
        EXPECT_STREQ(text, c.text);
        double back = 0.0;
        ASSERT_TRUE(
            params->text_to_value(plugin.Plugin(), static_cast<clap_id>(c.index), text, &back));
        EXPECT_EQ(back, c.value);
    }
    // Every parameter: value -> text -> value -> text is stable.
    for (std::uint32_t i = 0; i < 40; ++i) {
        clap_param_info info{};
        params->get_info(plugin.Plugin(), i, &info);
        const double mid = info.min_value + (info.max_value - info.min_value) * 0.37;
        char first[64], second[64];
        double back = 0.0;
        ASSERT_TRUE(params->value_to_text(plugin.Plugin(), i, mid, first, sizeof first));
        if (!params->text_to_value(plugin.Plugin(), i, first, &back))
            continue; // the reserved index writes a bare number that reads back only as one
        ASSERT_TRUE(params->value_to_text(plugin.Plugin(), i, back, second, sizeof second));
        EXPECT_STREQ(first, second) << i;
    }
    // Bad input: no number, no buffer, a tiny buffer, a value that is no number.
    double v = 0.0;
    EXPECT_FALSE(params->text_to_value(plugin.Plugin(), kCompThreshold, "loud", &v));
    EXPECT_FALSE(params->text_to_value(plugin.Plugin(), kCompThreshold, nullptr, &v));
    EXPECT_FALSE(params->value_to_text(plugin.Plugin(), kCompThreshold, NAN, text, sizeof text));
    EXPECT_FALSE(params->value_to_text(plugin.Plugin(), 99, 1.0, text, sizeof text));
    ASSERT_TRUE(params->value_to_text(plugin.Plugin(), kCompThreshold, -24.0, text, 4));
    EXPECT_EQ(std::strlen(text), 3u);
}

TEST(ClapParams, EventsSetValuesAndHostileOnesChangeNothing) {
    ClapHost host;
    ClapInstance plugin(TorvikClap(), host, kTorvikClapId);
    const auto* params = plugin.Extension<clap_plugin_params>(CLAP_EXT_PARAMS);
    InputEvents events;
    events.AddValue(kCompThreshold, -12.0);
    events.AddValue(kCompThreshold, -18.0); // several at once: the last wins
    events.AddValue(kCompRatio, 500.0);     // above the range: clamped
    events.AddValue(kGateBypass, 0.7);      // a switch: rounded to the step
    events.AddValue(kMainInput, NAN);       // no value
    events.AddValue(12345, 1.0);            // unknown ID
    clap_event_param_value foreign{};
    foreign.header = {sizeof foreign, 0, 7, CLAP_EVENT_PARAM_VALUE, 0};
    foreign.param_id = kMainOutput;
    foreign.value = 6.0;
    events.AddRaw(&foreign, sizeof foreign); // another event space
    clap_event_param_value shortEvent = foreign;
    shortEvent.header = {24, 0, 0, CLAP_EVENT_PARAM_VALUE, 0};
    events.AddRaw(&shortEvent, sizeof shortEvent); // claims to be shorter than a value event
    clap_event_header unknown{16, 0, 0, 999, 0};
    events.AddRaw(&unknown, sizeof unknown);
    // flush while inactive, before any activation
    OutputEvents out;
    params->flush(plugin.Plugin(), events.List(), out.List());
    EXPECT_EQ(plugin.Value(kCompThreshold), -18.0);
    EXPECT_EQ(plugin.Value(kCompRatio), ParamRowAt(kCompRatio).max);
    EXPECT_EQ(plugin.Value(kGateBypass), 1.0);
    EXPECT_EQ(plugin.Value(kMainInput), ParamRowAt(kMainInput).defaultValue);
    EXPECT_EQ(plugin.Value(kMainOutput), ParamRowAt(kMainOutput).defaultValue);
    EXPECT_TRUE(out.events.empty()); // host changes are never echoed
    // The host's bypass.
    InputEvents bypass;
    bypass.AddValue(0x62706173, 1.0);
    params->flush(plugin.Plugin(), bypass.List(), nullptr);
    EXPECT_EQ(plugin.Value(0x62706173), 1.0);
    params->flush(plugin.Plugin(), nullptr, nullptr);
}

TEST(ClapLifecycle, CallsInTheWrongOrderGetDefinedAnswers) {
    ClapHost host;
    ClapInstance plugin(TorvikClap(), host, kTorvikClapId);
    const clap_plugin* p = plugin.Plugin();
    PortBuffers<float> in(2, 64), out(2, 64);
    // Processing before activation is an error, not a crash.
    EXPECT_EQ(plugin.Process(64, {in.Buffer()}, {out.Buffer()}), CLAP_PROCESS_ERROR);
    EXPECT_FALSE(p->start_processing(p));
    p->stop_processing(p);
    p->reset(p);
    p->deactivate(p);
    EXPECT_FALSE(p->activate(p, 0.0, 1, 64));
    EXPECT_FALSE(p->activate(p, NAN, 1, 64));
    EXPECT_FALSE(p->activate(p, 48000.0, 64, 1));
    EXPECT_FALSE(p->activate(p, 48000.0, 1, 0));
    ASSERT_TRUE(p->activate(p, 48000.0, 1, 64));
    EXPECT_FALSE(p->activate(p, 48000.0, 1, 64)); // already active
    // Deactivating without stopping, and processing again after reactivation.
    p->deactivate(p);
    ASSERT_TRUE(p->activate(p, 96000.0, 1, 64));
    EXPECT_EQ(p->process(p, nullptr), CLAP_PROCESS_ERROR);
    EXPECT_EQ(plugin.Process(64, {in.Buffer()}, {out.Buffer()}), CLAP_PROCESS_CONTINUE);
    p->deactivate(p);
    // Off the main thread, activation is refused and the host is told.
    std::thread([&] { EXPECT_FALSE(p->activate(p, 48000.0, 1, 64)); }).join();
    ASSERT_FALSE(host.logs.empty());
    EXPECT_NE(host.logs.back().find("activate"), std::string::npos);
    EXPECT_EQ(host.misuse, 0);
}

TEST(ClapLifecycle, AHostOfferingNothingStillGetsAWorkingPlugin) {
    ClapHost host(HostOffer{false, false, false, false, false, false, false, false});
    ClapInstance plugin(TorvikClap(), host, kTorvikClapId);
    ASSERT_TRUE(plugin.Created());
#if !defined(_WIN32)
    const auto* gui = plugin.Extension<clap_plugin_gui>(CLAP_EXT_GUI);
    // No timers and no fd watching: the window system is still the plug-in's
    // (a scanner caches that answer), but no x11 editor is created that would
    // never redraw. (On Windows the editor's own window timer runs.)
    EXPECT_TRUE(gui->is_api_supported(plugin.Plugin(), CLAP_WINDOW_API_X11, false));
    EXPECT_FALSE(gui->create(plugin.Plugin(), CLAP_WINDOW_API_X11, false));
#endif
    std::vector<std::uint8_t> state;
    ASSERT_TRUE(plugin.Save(state));
    EXPECT_TRUE(plugin.Load(state));
    ASSERT_TRUE(plugin.Activate(44100, 1, 128));
    PortBuffers<float> in(2, 128), out(2, 128);
    EXPECT_EQ(plugin.Process(128, {in.Buffer()}, {out.Buffer()}), CLAP_PROCESS_CONTINUE);
}

} // namespace
} // namespace torvik::testing
