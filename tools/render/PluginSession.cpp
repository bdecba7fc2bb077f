#include "PluginSession.h"

#include "hostkit/offline_renderer.h"
#include "vst3sdk/helpers/ustring.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace torvik::render {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

constexpr const char* kEffectCategory = "Audio Module Class";
// Sample rate used when state is captured without any audio to set it.
constexpr double kFlushSampleRate = 48000.0;

std::string FormatValue(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return buf;
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool IsDecimal(const std::string& s) {
    return !s.empty() && s.size() <= 10 &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string At(std::size_t frame, double sampleRate) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.3f s", static_cast<double>(frame) / sampleRate);
    return buf;
}

} // namespace

std::string Utf16ToUtf8(const char16_t* text, std::size_t max) {
    return Steinberg::toUtf8(text, static_cast<Steinberg::int32>(max));
}

std::unique_ptr<PluginSession> PluginSession::Open(const std::string& bundlePath,
                                                   const std::string& wantedClass,
                                                   std::string& error) {
    std::string why;
    std::shared_ptr<hostkit::Module> module = hostkit::Module::Load(bundlePath, &why);
    if (!module) {
        error = "cannot load " + bundlePath + ": " + why;
        return nullptr;
    }
    const hostkit::ClassInfo* chosen = nullptr;
    std::string available;
    for (const hostkit::ClassInfo& c : module->classes()) {
        if (c.category != kEffectCategory)
            continue;
        available += (available.empty() ? "" : ", ") + ("'" + c.name + "'");
        if (chosen == nullptr && (wantedClass.empty() || c.name == wantedClass))
            chosen = &c;
    }
    if (chosen == nullptr) {
        error = wantedClass.empty() ? bundlePath + " holds no audio effect"
                                    : bundlePath + " has no effect named '" + wantedClass + "'" +
                                          (available.empty() ? "" : " (it has " + available + ")");
        return nullptr;
    }
    std::unique_ptr<PluginSession> session(new PluginSession());
    session->classId = chosen->cid;
    session->className = chosen->name;
    session->instance = hostkit::Instance::Create(module, chosen->cid, &why);
    if (!session->instance) {
        error = "cannot create '" + chosen->name + "' from " + bundlePath + ": " + why;
        return nullptr;
    }
    if (session->instance->controller() == nullptr) {
        error = "'" + chosen->name + "' has no edit controller, so its parameters cannot be set";
        return nullptr;
    }
    session->ReadParameters();
    return session;
}

void PluginSession::ReadParameters() {
    IEditController* controller = instance->controller();
    const int32 count = controller->getParameterCount();
    for (int32 i = 0; i < count; ++i) {
        ParameterInfo info{};
        if (controller->getParameterInfo(i, info) != kResultOk)
            continue;
        ParameterDescription p;
        p.listIndex = i;
        p.id = info.id;
        p.title = Utf16ToUtf8(info.title, 128);
        p.units = Utf16ToUtf8(info.units, 128);
        p.stepCount = info.stepCount;
        p.flags = info.flags;
        p.defaultNormalized = info.defaultNormalizedValue;
        p.minimum = controller->normalizedParamToPlain(info.id, 0.0);
        p.maximum = controller->normalizedParamToPlain(info.id, 1.0);
        p.defaultPlain = controller->normalizedParamToPlain(info.id, info.defaultNormalizedValue);
        parameters.push_back(p);
    }
}

std::string PluginSession::ClassIdText() const {
    return classId.toString();
}

double PluginSession::CurrentNormalized(std::uint32_t id) const {
    return instance->controller()->getParamNormalized(id);
}

double PluginSession::CurrentPlain(std::uint32_t id) const {
    IEditController* controller = instance->controller();
    return controller->normalizedParamToPlain(id, controller->getParamNormalized(id));
}

bool PluginSession::Resolve(const ParameterSetting& setting, ResolvedSetting& out,
                            std::string& error) const {
    std::vector<const ParameterDescription*> matches;
    if (IsDecimal(setting.name)) {
        const unsigned long id = std::stoul(setting.name);
        for (const auto& p : parameters)
            if (p.id == id)
                matches.push_back(&p);
        if (matches.empty()) {
            error = "no parameter has the ID " + setting.name + " (see --list-params)";
            return false;
        }
    } else {
        for (const auto& p : parameters)
            if (p.title == setting.name)
                matches.push_back(&p);
        if (matches.empty())
            for (const auto& p : parameters)
                if (!p.title.empty() && Lower(p.title) == Lower(setting.name))
                    matches.push_back(&p);
        if (matches.empty()) {
            error = "no parameter is named '" + setting.name + "' (see --list-params)";
            return false;
        }
        if (matches.size() > 1) {
            std::string ids;
            for (std::size_t i = 0; i < matches.size(); ++i)
                ids += (i == 0                    ? ""
                        : i + 1 == matches.size() ? " and "
                                                  : ", ") +
                       std::to_string(matches[i]->id);
            error = "'" + setting.name + "' names the parameters with IDs " + ids +
                    "; give the ID instead";
            return false;
        }
    }
    const ParameterDescription& p = *matches.front();
    const std::string shown =
        p.title.empty() ? "parameter " + std::to_string(p.id) : "'" + p.title + "'";
    if ((p.flags & ParameterInfo::kIsReadOnly) != 0) {
        error = shown + " is read-only";
        return false;
    }
    const double lo = std::min(p.minimum, p.maximum);
    const double hi = std::max(p.minimum, p.maximum);
    const double tolerance = 1e-9 * std::max(1.0, hi - lo);
    const double v = setting.value;
    if (!(v >= lo - tolerance && v <= hi + tolerance)) {
        error = shown + " takes values from " + FormatValue(lo) + " to " + FormatValue(hi) + "; " +
                FormatValue(v) + " is outside";
        return false;
    }
    double norm = ToNormalized(p.id, v);
    if (p.stepCount > 0) {
        const double k = norm * p.stepCount;
        if (std::fabs(k - std::round(k)) > 1e-6) {
            error = p.stepCount == 1 && lo == 0 && hi == 1
                        ? shown + " is a switch: 0 or 1, not " + FormatValue(v)
                        : shown + " takes " + std::to_string(p.stepCount + 1) +
                              " whole steps from " + FormatValue(lo) + " to " + FormatValue(hi) +
                              ", not " + FormatValue(v);
            return false;
        }
        norm = std::round(k) / p.stepCount;
    }
    out.id = p.id;
    out.plain = v;
    out.normalized = norm;
    out.title = shown;
    return true;
}

const ParameterDescription* PluginSession::Find(std::uint32_t id) const {
    for (const auto& p : parameters)
        if (p.id == id)
            return &p;
    return nullptr;
}

double PluginSession::ToNormalized(std::uint32_t id, double v) const {
    const ParameterDescription* p = Find(id);
    if (p == nullptr)
        return 0.0;
    const double lo = std::min(p->minimum, p->maximum);
    const double hi = std::max(p->minimum, p->maximum);
    IEditController* controller = instance->controller();
    double norm = controller->plainParamToNormalized(id, v);
    // A controller whose conversion is not the inverse of its own normalizedParamToPlain gets
    // the linear mapping of its range instead.
    if (!std::isfinite(norm) || norm < -1e-9 || norm > 1 + 1e-9 ||
        std::fabs(controller->normalizedParamToPlain(id, norm) - v) > 1e-6 * std::max(1.0, hi - lo))
        norm = hi > lo ? (v - p->minimum) / (p->maximum - p->minimum) : 0.0;
    return std::clamp(norm, 0.0, 1.0);
}

std::vector<ResolvedSetting> PluginSession::CommitSettings() {
    std::vector<ResolvedSetting> left = std::move(pending);
    pending.clear();
    if (left.empty() || !instance->isSingleComponent())
        return left;
    const std::optional<std::vector<uint8_t>> state = instance->getControllerState();
    if (!state || instance->setControllerState(*state) != kResultOk)
        return left;
    std::erase_if(
        left, [&](const ResolvedSetting& s) { return CurrentNormalized(s.id) == s.normalized; });
    return left;
}

void PluginSession::Apply(const ResolvedSetting& setting) {
    instance->controller()->setParamNormalized(setting.id, setting.normalized);
    // A later setting of the same parameter replaces the earlier one, as the last point wins.
    for (ResolvedSetting& p : pending)
        if (p.id == setting.id) {
            p = setting;
            return;
        }
    pending.push_back(setting);
}

bool PluginSession::LoadPreset(const preset::VstPreset& preset, std::string& error) {
    if (Lower(preset.classId) != Lower(ClassIdText())) {
        error = "the preset is for the class " + preset.classId + ", not for '" + className +
                "' (" + ClassIdText() + ")";
        return false;
    }
    bool restored = false;
    if (preset.componentState) {
        // A component that keeps no state of its own refuses; its controller may still take it.
        restored = instance->setComponentState(*preset.componentState) == kResultOk;
    }
    if (preset.controllerState) {
        if (instance->setControllerState(*preset.controllerState) != kResultOk) {
            error = "'" + className + "' refused the controller state of the preset";
            return false;
        }
        restored = true;
    }
    if (!restored) {
        error = "'" + className + "' refused the component state of the preset";
        return false;
    }
    return true;
}

namespace {

// The file's channels laid out for a bus of `busChannels` channels, `frames` long: a mono file
// feeds every channel, a stereo file feeding a mono bus is averaged, and frames past the file's
// end are silence.
hostkit::PlanarAudio ForBus(const AudioData& file, int32_t busChannels, std::size_t frames) {
    hostkit::PlanarAudio bus(static_cast<std::size_t>(busChannels), std::vector<double>(frames));
    const std::size_t length = std::min(frames, file.Frames());
    const int files = file.ChannelCount();
    for (int32_t c = 0; c < busChannels; ++c) {
        auto& dst = bus[static_cast<std::size_t>(c)];
        if (busChannels == 1 && files > 1) {
            for (std::size_t f = 0; f < length; ++f) {
                double sum = 0;
                for (const auto& ch : file.channels)
                    sum += ch[f];
                dst[f] = sum / files;
            }
        } else {
            const auto& src = file.channels[static_cast<std::size_t>(std::min(c, files - 1))];
            std::copy(src.begin(), src.begin() + static_cast<std::ptrdiff_t>(length), dst.begin());
        }
    }
    return bus;
}

hostkit::PlanarAudio Slice(const hostkit::PlanarAudio& audio, std::size_t start, std::size_t n) {
    hostkit::PlanarAudio part;
    for (const auto& ch : audio)
        part.emplace_back(ch.begin() + static_cast<std::ptrdiff_t>(start),
                          ch.begin() + static_cast<std::ptrdiff_t>(start + n));
    return part;
}

} // namespace

bool PluginSession::Render(const AudioData& input, const AudioData* sidechain, int blockSize,
                           int precision, const std::vector<ScheduledChange>& automation,
                           AudioData& output, MonoFold& fold,
                           const std::function<void(double)>& progress, std::string& error) {
    const std::vector<int32_t> ins = instance->audioChannelCounts(kInput);
    const std::vector<int32_t> outs = instance->audioChannelCounts(kOutput);
    if (ins.empty() || ins.front() < 1 || outs.empty() || outs.front() < 1) {
        error = "'" + className + "' has no audio input and output to render through";
        return false;
    }
    if (sidechain != nullptr && (ins.size() < 2 || ins[1] < 1)) {
        error = "'" + className + "' has no sidechain input";
        return false;
    }
    const int32 size = precision == 64 ? kSample64 : kSample32;
    if (instance->processor()->canProcessSampleSize(size) != kResultTrue) {
        error = "'" + className + "' cannot process " + std::to_string(precision) + "-bit samples";
        return false;
    }
    hostkit::RenderOptions options;
    options.sampleRate = input.sampleRate;
    options.blockSize = blockSize;
    options.sampleSize = size;
    options.processMode = kOffline;
    // The sidechain bus is switched on only when there is something to feed it.
    options.activateAllBuses = sidechain != nullptr;
    // Settings go in before activation; what the instance's state cannot carry travels as a
    // change at the first sample, as a host sends what the user set.
    const std::vector<ResolvedSetting> firstBlock = CommitSettings();
    hostkit::OfflineRenderer renderer(*instance, options);
    std::string why;
    if (!renderer.start(&why)) {
        error = "'" + className + "' refused to start processing at " +
                FormatValue(input.sampleRate) + " Hz with blocks of " + std::to_string(blockSize) +
                " (" + why + ")";
        return false;
    }
    for (const ResolvedSetting& s : firstBlock)
        renderer.scheduleParameter(s.id, s.normalized, 0);

    // An effect that delays its output gets as many frames of silence more; the first ones it
    // returns are dropped, so output and input line up.
    const auto latency = static_cast<std::size_t>(instance->processor()->getLatencySamples());
    const std::size_t frames = input.Frames();
    const std::size_t total = frames + latency;
    const hostkit::PlanarAudio main = ForBus(input, ins[0], total);
    hostkit::PlanarAudio side;
    if (sidechain != nullptr)
        side = ForBus(*sidechain, ins[1], total);

    // About a second at a time, in whole blocks, so progress can be shown on long files.
    const std::size_t blocks = std::max(1, input.sampleRate / blockSize);
    const std::size_t chunk = blocks * static_cast<std::size_t>(blockSize);
    std::vector<std::vector<double>> out(static_cast<std::size_t>(outs.front()),
                                         std::vector<double>(frames));
    std::size_t nextChange = 0; // first automation change not yet scheduled
    for (std::size_t start = 0; start < total; start += chunk) {
        const std::size_t n = std::min(chunk, total - start);
        // The chunk's automation, counted from the chunk's start.
        for (; nextChange < automation.size() &&
               automation[nextChange].frame < static_cast<std::int64_t>(start + n);
             ++nextChange) {
            const ScheduledChange& c = automation[nextChange];
            renderer.scheduleParameter(c.id, c.normalized,
                                       c.frame - static_cast<std::int64_t>(start));
        }
        const hostkit::PlanarAudio sidePart =
            sidechain != nullptr ? Slice(side, start, n) : hostkit::PlanarAudio{};
        const std::optional<hostkit::PlanarAudio> result =
            renderer.run(Slice(main, start, n), sidechain != nullptr ? &sidePart : nullptr, &why);
        if (!result) {
            error = "the effect failed to process the block at " + At(start, input.sampleRate) +
                    " (" + why + ")";
            return false;
        }
        for (std::size_t c = 0; c < out.size() && c < result->size(); ++c)
            for (std::size_t i = 0; i < n; ++i) {
                const double v = (*result)[c][i];
                if (!std::isfinite(v)) {
                    error = "the effect produced a sample that is not a number at " +
                            At(start + i, input.sampleRate);
                    return false;
                }
                if (start + i >= latency)
                    out[c][start + i - latency] = v;
            }
        if (progress)
            progress(static_cast<double>(start + n) / static_cast<double>(total));
    }
    renderer.stop();

    // Back to the file's channel count. A mono file comes back mono, as the average of the
    // output channels (which is each of them exactly when they agree).
    output.sampleRate = input.sampleRate;
    output.format = input.format;
    output.channels.clear();
    fold = MonoFold{};
    const int fileChannels = input.ChannelCount();
    if (fileChannels == 1 && out.size() > 1) {
        fold.checked = true;
        std::vector<double> mono(out.front());
        for (std::size_t c = 1; c < out.size(); ++c)
            for (std::size_t f = 0; f < mono.size(); ++f) {
                const double d = std::fabs(out[c][f] - out[0][f]);
                if (std::memcmp(&out[c][f], &out[0][f], sizeof(double)) != 0) {
                    fold.identical = false;
                    fold.differentThrough = std::max(fold.differentThrough, f + 1);
                }
                fold.maxDifference = std::max(fold.maxDifference, d);
            }
        if (!fold.identical)
            for (std::size_t f = 0; f < mono.size(); ++f) {
                double sum = 0;
                for (const auto& ch : out)
                    sum += ch[f];
                mono[f] = sum / static_cast<double>(out.size());
            }
        output.channels.push_back(std::move(mono));
    } else {
        for (int c = 0; c < fileChannels; ++c)
            output.channels.push_back(out[std::min(static_cast<std::size_t>(c), out.size() - 1)]);
    }
    return true;
}

bool PluginSession::Flush(int blockSize, int precision, std::string& error) {
    AudioData silence;
    silence.sampleRate = static_cast<int>(kFlushSampleRate);
    silence.channels.assign(1, std::vector<double>(static_cast<std::size_t>(blockSize), 0.0));
    AudioData ignored;
    MonoFold fold;
    return Render(silence, nullptr, blockSize, precision, {}, ignored, fold, {}, error);
}

bool PluginSession::CapturePreset(preset::VstPreset& out, std::string& error) const {
    out = preset::VstPreset{};
    out.classId = ClassIdText();
    out.componentState = instance->getComponentState();
    out.controllerState = instance->getControllerState();
    if (!out.componentState && !out.controllerState) {
        error = "'" + className + "' gave no state to save";
        return false;
    }
    return true;
}

} // namespace torvik::render
