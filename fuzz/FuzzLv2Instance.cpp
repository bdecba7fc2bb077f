// A whole LV2 instance driven by arbitrary call sequences through its
// descriptor, as hosts drive one: instantiation at odd rates with or without
// urid:map, ports connected in any order (to buffers, to nothing, to indices
// that do not exist) and reconnected between runs, control ports at hostile
// values, runs of any length (longer ones than the plug-in's pieces), calls
// out of order, and state restored from any bytes and type. After every run
// the outputs must be finite normal numbers or zero and the meters within
// 0..1; a saved state must be 324 bytes and restore to itself.
#include "hostkit/lv2/Lv2Host.h"
#include "lv2/Lv2Identity.h"
#include "processor/TorvikFacts.h"

#include <lv2/atom/atom.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

extern "C" const LV2_Descriptor* lv2_descriptor(std::uint32_t index);

namespace {

using namespace hostkit::lv2;
using namespace torvik::lv2;

constexpr int kMaxCalls = 40;               // calls per input
constexpr std::uint32_t kMaxFrames = 4096;  // longest fuzzed run
constexpr std::size_t kMaxStateBytes = 400; // longest fuzzed state
constexpr std::uint32_t kPortCount = FirstMeterPort(torvik::kParameterCount) + 5;
constexpr std::uint32_t kAudioPorts = kFirstParamPort;

void Check(bool ok) {
    if (!ok)
        std::abort();
}

bool Clean(float v) {
    return v == 0.0f || (std::isfinite(v) && std::fabs(v) >= std::numeric_limits<float>::min());
}

bool IsOutput(std::uint32_t port) {
    return port == kOutLeft || port == kOutRight;
}

class Driver {
public:
    Driver(FuzzedDataProvider& data, const LV2_Descriptor& d)
        : in(data), descriptor(d), controls(kPortCount, 0.0f) {
        for (auto& buffer : audio)
            buffer.assign(kMaxFrames, 0.0f);
        withMap = in.ConsumeBool();
        LV2_Feature mapFeature{LV2_URID__map, urids.Feature()};
        LV2_Feature nameless{nullptr, nullptr};
        LV2_Feature empty{LV2_URID__map, nullptr};
        // Maybe a broken feature before or after the map.
        std::vector<const LV2_Feature*> features;
        const LV2_Feature* broken = in.ConsumeBool() ? &nameless : &empty;
        const int brokenAt = in.ConsumeIntegralInRange(0, 2); // 0 before, 1 after, 2 none
        if (brokenAt == 0)
            features.push_back(broken);
        if (withMap)
            features.push_back(&mapFeature);
        if (brokenAt == 1)
            features.push_back(broken);
        features.push_back(nullptr);
        const bool offered = in.ConsumeBool();
        withMap = withMap && offered;
        handle = descriptor.instantiate(&descriptor, Rate(), "/nowhere/",
                                        offered ? features.data() : nullptr);
        if (!handle)
            return;
        // A host's usual start: every port connected, controls at their values.
        if (in.ConsumeBool()) {
            for (std::uint32_t p = 0; p < kPortCount; ++p)
                Connect(p, true);
        }
    }
    ~Driver() {
        if (!handle)
            return;
        if (active && in.ConsumeBool())
            descriptor.deactivate(handle);
        descriptor.cleanup(handle);
    }
    bool Created() const { return handle != nullptr; }

    void Step() {
        switch (in.ConsumeIntegralInRange(0, 9)) {
        case 0:
            Connect(in.ConsumeBool() ? in.ConsumeIntegralInRange<std::uint32_t>(0, kPortCount)
                                     : in.ConsumeIntegral<std::uint32_t>(),
                    in.ConsumeBool());
            break;
        case 1:
            descriptor.activate(handle);
            active = true;
            break;
        case 2:
            descriptor.deactivate(handle);
            active = false;
            break;
        case 3:
        case 4:
        case 5:
            Run();
            break;
        case 6:
            SetControls();
            break;
        case 7:
            RestoreBytes();
            break;
        case 8:
            CheckState();
            break;
        default: {
            const std::string uri = in.ConsumeBool() ? std::string(LV2_STATE__interface)
                                                     : in.ConsumeRandomLengthString(40);
            descriptor.extension_data(in.ConsumeBool() ? uri.c_str() : nullptr);
            break;
        }
        }
    }

    // Without urid:map the plug-in keeps no state; with it, the state is the
    // 324 bytes and restores to itself.
    void CheckState() {
        std::vector<Lv2Instance::Property> first;
        if (!withMap) {
            Check(Save(first) != LV2_STATE_SUCCESS && first.empty());
            return;
        }
        Check(Save(first) == LV2_STATE_SUCCESS && first.size() == 1 &&
              first[0].bytes.size() == torvik::kParameterCount * 8u + 4u &&
              first[0].type == urids.Map(LV2_ATOM__Chunk));
        Check(Restore(first) == LV2_STATE_SUCCESS);
        std::vector<Lv2Instance::Property> second;
        Check(Save(second) == LV2_STATE_SUCCESS && second.size() == 1 &&
              second[0].bytes == first[0].bytes);
    }

private:
    double Rate() {
        static constexpr double kRates[] = {44100.0,
                                            48000.0,
                                            96000.0,
                                            8000.0,
                                            1.0,
                                            0.0,
                                            -1.0,
                                            1e7,
                                            1e9,
                                            std::numeric_limits<double>::quiet_NaN(),
                                            std::numeric_limits<double>::infinity()};
        return in.PickValueInArray(kRates);
    }
    float AnyValue() {
        static constexpr float kSpecial[] = {0.0f,
                                             1.0f,
                                             -1.0f,
                                             0.5f,
                                             1e30f,
                                             -1e30f,
                                             std::numeric_limits<float>::max(),
                                             std::numeric_limits<float>::quiet_NaN(),
                                             std::numeric_limits<float>::infinity(),
                                             -std::numeric_limits<float>::infinity(),
                                             std::numeric_limits<float>::denorm_min()};
        return in.ConsumeBool() ? in.PickValueInArray(kSpecial)
                                : in.ConsumeFloatingPointInRange(-100.0f, 20000.0f);
    }
    // Audio ports take buffers of the longest run, control ports one value;
    // "connected" false connects the port to nothing.
    void Connect(std::uint32_t port, bool connected) {
        void* data = nullptr;
        if (connected && port < kAudioPorts)
            data = audio[port].data();
        else if (connected && port < kPortCount)
            data = &controls[port];
        // Ports that do not exist get an address the plug-in must never touch.
        descriptor.connect_port(handle, port, port < kPortCount ? data : nullptr);
        if (port < kPortCount)
            connectedTo[port] = data != nullptr;
    }
    void SetControls() {
        const int n = in.ConsumeIntegralInRange(1, 8);
        for (int i = 0; i < n; ++i) {
            const std::uint32_t port =
                in.ConsumeIntegralInRange<std::uint32_t>(kFirstParamPort, kPortCount - 1);
            controls[port] = AnyValue();
        }
    }
    void Run() {
        const std::uint32_t frames =
            in.ConsumeBool()
                ? in.PickValueInArray({0u, 1u, 64u, 1023u, 1024u, 1025u, 2048u, kMaxFrames})
                : in.ConsumeIntegralInRange<std::uint32_t>(0, kMaxFrames);
        for (std::uint32_t p = 0; p < kAudioPorts; ++p) {
            if (IsOutput(p))
                continue;
            const float v = in.ConsumeBool() ? AnyValue() : 0.25f;
            const bool sine = in.ConsumeBool();
            for (std::uint32_t i = 0; i < frames; ++i)
                audio[p][i] = sine ? 0.5f * std::sin(0.05f * static_cast<float>(i)) : v;
        }
        // Outputs hold garbage before the run: the plug-in writes every frame.
        for (std::uint32_t p : {kOutLeft, kOutRight})
            std::fill_n(audio[p].begin(), frames, std::numeric_limits<float>::quiet_NaN());
        descriptor.run(handle, frames);
        for (std::uint32_t p : {kOutLeft, kOutRight}) {
            if (!connectedTo[p])
                continue;
            for (std::uint32_t i = 0; i < frames; ++i)
                Check(Clean(audio[p][i]));
        }
        for (std::uint32_t p = FirstMeterPort(torvik::kParameterCount); p < kPortCount; ++p) {
            if (connectedTo[p])
                Check(controls[p] >= 0.0f && controls[p] <= 1.0f);
        }
    }
    const LV2_State_Interface* State() const {
        return static_cast<const LV2_State_Interface*>(
            descriptor.extension_data(LV2_STATE__interface));
    }
    LV2_State_Status Save(std::vector<Lv2Instance::Property>& properties) {
        properties.clear();
        auto store = [](LV2_State_Handle h, std::uint32_t key, const void* value, std::size_t size,
                        std::uint32_t type, std::uint32_t) {
            const auto* bytes = static_cast<const std::uint8_t*>(value);
            static_cast<std::vector<Lv2Instance::Property>*>(h)->push_back(
                {key, type, std::vector<std::uint8_t>(bytes, bytes + size)});
            return LV2_STATE_SUCCESS;
        };
        return State()->save(handle, store, &properties, 0, nullptr);
    }
    LV2_State_Status Restore(const std::vector<Lv2Instance::Property>& properties) {
        auto retrieve = [](LV2_State_Handle h, std::uint32_t key, std::size_t* size,
                           std::uint32_t* type, std::uint32_t* flags) -> const void* {
            for (const auto& p : *static_cast<const std::vector<Lv2Instance::Property>*>(h)) {
                if (p.key != key)
                    continue;
                *size = p.bytes.size();
                *type = p.type;
                *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
                return p.bytes.data();
            }
            return nullptr;
        };
        return State()->restore(handle, retrieve,
                                const_cast<std::vector<Lv2Instance::Property>*>(&properties), 0,
                                nullptr);
    }
    // Any bytes, under the plug-in's key or another, as a chunk or another type.
    void RestoreBytes() {
        Lv2Instance::Property p;
        p.key = in.ConsumeBool() ? urids.Map(kStateKey) : in.ConsumeIntegral<std::uint32_t>();
        p.type =
            in.ConsumeBool() ? urids.Map(LV2_ATOM__Chunk) : in.ConsumeIntegral<std::uint32_t>();
        if (in.ConsumeBool()) {
            // A valid state with fuzzed values: 40 doubles and the bypass flag.
            p.bytes.resize(torvik::kParameterCount * 8u + 4u);
            for (int i = 0; i < torvik::kParameterCount; ++i) {
                const double v = AnyValue();
                std::memcpy(p.bytes.data() + 8 * i, &v, sizeof v);
            }
            const auto flag = in.ConsumeIntegral<std::uint32_t>();
            std::memcpy(p.bytes.data() + 8 * torvik::kParameterCount, &flag, sizeof flag);
        } else {
            p.bytes = in.ConsumeBytes<std::uint8_t>(
                in.ConsumeIntegralInRange<std::size_t>(0, kMaxStateBytes));
        }
        Restore({p});
    }

    FuzzedDataProvider& in;
    const LV2_Descriptor& descriptor;
    LV2_Handle handle = nullptr;
    UridMap urids;
    bool withMap = false;
    bool active = false;
    std::vector<float> controls;                       // control ports, host-owned
    std::array<std::vector<float>, kAudioPorts> audio; // audio ports, host-owned
    std::array<bool, kPortCount> connectedTo{};        // each port has a buffer
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const LV2_Descriptor* descriptor = [] {
        const LV2_Descriptor* d = lv2_descriptor(0);
        Check(d && std::strcmp(d->URI, kPluginUri) == 0 && !lv2_descriptor(1));
        return d;
    }();
    FuzzedDataProvider in(data, size);
    Driver driver(in, *descriptor);
    if (!driver.Created())
        return 0;
    for (int call = 0; call < kMaxCalls && in.remaining_bytes() > 0; ++call)
        driver.Step();
    if (in.ConsumeBool())
        driver.CheckState();
    return 0;
}
