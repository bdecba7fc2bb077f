// A whole CLAP instance driven by arbitrary call sequences through its entry
// and extensions, as hosts and validators drive one: activation with odd rates
// and block ranges, processing with any ports, channels, widths and events,
// flush, state loaded from any bytes through streams of any stride, value
// texts both ways, the editor created and destroyed, and a host offering any
// subset of its extensions. After every call the outputs written must be
// finite normal numbers or zero; the host must never see a call against its
// rules; a saved state must be 324 bytes and restore to itself.
#include "hostkit/clap/ClapHost.h"
#include "processor/TorvikFacts.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

extern "C" const clap_plugin_entry clap_entry;

namespace {

using namespace hostkit::clap;

constexpr int kMaxCalls = 40;               // calls per input
constexpr std::uint32_t kMaxFrames = 4096;  // longest fuzzed block
constexpr std::uint32_t kMaxPorts = 3;      // ports per direction in a fuzzed block
constexpr std::uint32_t kMaxChannels = 3;   // channels per fuzzed port
constexpr int kMaxEvents = 8;               // events per fuzzed block
constexpr std::size_t kMaxStateBytes = 400; // longest fuzzed state
constexpr const char* kId = "com.quellmark.torvik";

void Check(bool ok) {
    if (!ok)
        std::abort();
}

bool Clean(double v) {
    return v == 0.0 || (std::isfinite(v) && std::fabs(v) >= std::numeric_limits<float>::min());
}

class Driver {
public:
    Driver(FuzzedDataProvider& data, const clap_plugin_factory& f)
        : in(data), host(Offer(data)), factory(f) {
        plugin = factory.create_plugin(&factory, host.Host(), kId);
        Check(plugin && plugin->init(plugin));
        params = Ext<clap_plugin_params>(CLAP_EXT_PARAMS);
        state = Ext<clap_plugin_state>(CLAP_EXT_STATE);
        gui = Ext<clap_plugin_gui>(CLAP_EXT_GUI);
        Check(params && state && gui);
    }
    ~Driver() {
        gui->destroy(plugin);
        plugin->deactivate(plugin);
        plugin->destroy(plugin);
        Check(host.misuse == 0 && host.timers.empty() && host.fds.empty());
    }

    void Step() {
        switch (in.ConsumeIntegralInRange(0, 11)) {
        case 0:
            plugin->activate(plugin, Rate(), in.ConsumeIntegralInRange<std::uint32_t>(0, 64),
                             in.ConsumeIntegralInRange<std::uint32_t>(0, kMaxFrames));
            break;
        case 1:
            plugin->deactivate(plugin);
            break;
        case 2:
            plugin->start_processing(plugin);
            break;
        case 3:
            plugin->stop_processing(plugin);
            break;
        case 4:
            plugin->reset(plugin);
            break;
        case 5:
        case 6:
        case 7:
            Process();
            break;
        case 8: {
            InputEvents events;
            AddEvents(events);
            OutputEvents out;
            params->flush(plugin, events.List(), out.List());
            break;
        }
        case 9:
            LoadState();
            break;
        case 10:
            Texts();
            break;
        default:
            if (in.ConsumeBool())
                gui->create(plugin, in.ConsumeBool() ? CLAP_WINDOW_API_X11 : "win32",
                            in.ConsumeBool());
            else
                gui->destroy(plugin);
            break;
        }
    }

    void CheckState() {
        std::vector<std::uint8_t> first;
        Check(Save(first) && first.size() == torvik::kParameterCount * 8u + 4u);
        Check(Load(first, 1 + first.size() % 29));
        std::vector<std::uint8_t> second;
        Check(Save(second) && second == first);
    }

private:
    static HostOffer Offer(FuzzedDataProvider& data) {
        HostOffer o;
        o.params = data.ConsumeBool();
        o.log = data.ConsumeBool();
        o.threadCheck = data.ConsumeBool();
        o.timers = data.ConsumeBool();
        o.fds = data.ConsumeBool();
        return o;
    }
    template <typename T> const T* Ext(const char* id) {
        return static_cast<const T*>(plugin->get_extension(plugin, id));
    }
    double Rate() {
        static constexpr double kRates[] = {44100.0,
                                            48000.0,
                                            96000.0,
                                            1.0,
                                            0.0,
                                            -1.0,
                                            1e9,
                                            std::numeric_limits<double>::quiet_NaN(),
                                            std::numeric_limits<double>::infinity()};
        return in.PickValueInArray(kRates);
    }
    double AnyValue() {
        static constexpr double kSpecial[] = {0.0,
                                              1.0,
                                              -1.0,
                                              1e30,
                                              -1e30,
                                              0.5,
                                              std::numeric_limits<double>::quiet_NaN(),
                                              std::numeric_limits<double>::infinity(),
                                              std::numeric_limits<double>::denorm_min()};
        return in.ConsumeBool() ? in.PickValueInArray(kSpecial)
                                : in.ConsumeFloatingPointInRange(-100.0, 20000.0);
    }
    void AddEvents(InputEvents& events) {
        const int n = in.ConsumeIntegralInRange(0, kMaxEvents);
        for (int i = 0; i < n; ++i) {
            clap_event_param_value e{};
            e.header.size =
                in.ConsumeBool() ? sizeof e : in.ConsumeIntegralInRange<std::uint32_t>(0, 64);
            e.header.space_id = in.ConsumeBool() ? 0 : in.ConsumeIntegral<std::uint16_t>();
            e.header.type = in.ConsumeBool() ? CLAP_EVENT_PARAM_VALUE
                                             : in.ConsumeIntegralInRange<std::uint16_t>(0, 12);
            e.param_id = in.ConsumeBool() ? in.ConsumeIntegralInRange<clap_id>(0, 42)
                                          : in.ConsumeIntegral<clap_id>();
            if (in.ConsumeBool())
                e.param_id = 0x62706173;
            e.value = AnyValue();
            events.AddRaw(&e, sizeof e);
        }
    }
    template <typename T>
    void Fill(PortBuffers<T>& port, std::uint32_t channels, std::uint32_t frames) {
        for (std::uint32_t c = 0; c < channels; ++c)
            for (std::uint32_t i = 0; i < frames; ++i)
                port[c][i] = static_cast<T>(in.ConsumeBool() ? AnyValue() : 0.25);
    }
    void Process() {
        const std::uint32_t frames = in.ConsumeIntegralInRange<std::uint32_t>(0, kMaxFrames);
        InputEvents events;
        AddEvents(events);
        OutputEvents out;
        out.refuse = in.ConsumeBool() && in.ConsumeBool();
        if (in.ConsumeBool())
            Run<float>(frames, events, out);
        else
            Run<double>(frames, events, out);
    }
    template <typename T>
    void Run(std::uint32_t frames, const InputEvents& events, OutputEvents& out) {
        std::vector<PortBuffers<T>> ports;
        const std::uint32_t ins = in.ConsumeIntegralInRange<std::uint32_t>(0, kMaxPorts);
        const std::uint32_t outs = in.ConsumeIntegralInRange<std::uint32_t>(0, kMaxPorts);
        std::vector<clap_audio_buffer> inputs;
        std::vector<clap_audio_buffer> outputs;
        ports.reserve(ins + outs);
        for (std::uint32_t p = 0; p < ins + outs; ++p) {
            const std::uint32_t channels =
                in.ConsumeIntegralInRange<std::uint32_t>(0, kMaxChannels);
            ports.emplace_back(channels, std::max<std::uint32_t>(frames, 1));
            if (p < ins) {
                Fill(ports.back(), channels, frames);
                inputs.push_back(ports.back().Buffer());
            } else {
                outputs.push_back(ports.back().Buffer());
            }
        }
        clap_process process{};
        process.frames_count = frames;
        process.audio_inputs = inputs.empty() ? nullptr : inputs.data();
        process.audio_outputs = outputs.empty() ? nullptr : outputs.data();
        process.audio_inputs_count = ins;
        process.audio_outputs_count = outs;
        process.in_events = events.List();
        process.out_events = out.List();
        if (plugin->process(plugin, &process) != CLAP_PROCESS_CONTINUE)
            return;
        for (std::uint32_t p = ins; p < ins + outs; ++p)
            for (std::uint32_t c = 0; c < outputs[p - ins].channel_count; ++c)
                for (std::uint32_t i = 0; i < frames; ++i)
                    Check(Clean(static_cast<double>(ports[p][c][i])));
    }
    bool Save(std::vector<std::uint8_t>& bytes) {
        bytes.clear();
        clap_ostream s{&bytes, [](const clap_ostream* st, const void* b, std::uint64_t n) {
                           auto* v = static_cast<std::vector<std::uint8_t>*>(st->ctx);
                           const auto* p = static_cast<const std::uint8_t*>(b);
                           v->insert(v->end(), p, p + n);
                           return static_cast<std::int64_t>(n);
                       }};
        return state->save(plugin, &s);
    }
    struct Reader {
        const std::vector<std::uint8_t>* bytes;
        std::size_t stride;
        std::size_t at;
    };
    bool Load(const std::vector<std::uint8_t>& bytes, std::size_t stride) {
        Reader r{&bytes, stride, 0};
        clap_istream s{
            &r, [](const clap_istream* st, void* b, std::uint64_t n) {
                auto* rd = static_cast<Reader*>(st->ctx);
                const std::size_t k = std::min<std::size_t>(
                    {static_cast<std::size_t>(n), rd->stride, rd->bytes->size() - rd->at});
                std::copy_n(rd->bytes->data() + rd->at, k, static_cast<std::uint8_t*>(b));
                rd->at += k;
                return static_cast<std::int64_t>(k);
            }};
        return state->load(plugin, &s);
    }
    void LoadState() {
        std::vector<std::uint8_t> bytes = in.ConsumeBytes<std::uint8_t>(
            in.ConsumeIntegralInRange<std::size_t>(0, kMaxStateBytes));
        Load(bytes, in.ConsumeIntegralInRange<std::size_t>(1, 64));
    }
    void Texts() {
        const clap_id id =
            in.ConsumeBool() ? in.ConsumeIntegralInRange<clap_id>(0, 41) : 0x62706173;
        char text[64];
        const std::uint32_t capacity = in.ConsumeIntegralInRange<std::uint32_t>(0, sizeof text);
        params->value_to_text(plugin, id, AnyValue(), text, capacity);
        const std::string typed = in.ConsumeRandomLengthString(24);
        double v = 0.0;
        if (params->text_to_value(plugin, id, typed.c_str(), &v))
            Check(std::isfinite(v));
    }

    FuzzedDataProvider& in;
    ClapHost host;
    const clap_plugin_factory& factory;
    const clap_plugin* plugin = nullptr;
    const clap_plugin_params* params = nullptr;
    const clap_plugin_state* state = nullptr;
    const clap_plugin_gui* gui = nullptr;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const clap_plugin_factory* factory = [] {
        Check(clap_entry.init("fuzz"));
        return static_cast<const clap_plugin_factory*>(
            clap_entry.get_factory(CLAP_PLUGIN_FACTORY_ID));
    }();
    FuzzedDataProvider in(data, size);
    Driver driver(in, *factory);
    for (int call = 0; call < kMaxCalls && in.remaining_bytes() > 0; ++call)
        driver.Step();
    driver.CheckState();
    return 0;
}
