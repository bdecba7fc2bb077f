#include "PluginSession.h"

#include "hostkit/OfflineRenderer.h"
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
        p.isBypass = (info.flags & ParameterInfo::kIsBypass) != 0;
        p.isProgramChange = (info.flags & ParameterInfo::kIsProgramChange) != 0;
        p.isReadOnly = (info.flags & ParameterInfo::kIsReadOnly) != 0;
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

bool PluginSession::Start(int sampleRate, int blockSize, int precision, bool withSidechain,
                          std::vector<ScheduledChange> automation, std::string& error) {
    const std::vector<int32_t> ins = instance->audioChannelCounts(kInput);
    const std::vector<int32_t> outs = instance->audioChannelCounts(kOutput);
    if (ins.empty() || ins.front() < 1 || outs.empty() || outs.front() < 1) {
        error = "'" + className + "' has no audio input and output to render through";
        return false;
    }
    if (withSidechain && (ins.size() < 2 || ins[1] < 1)) {
        error = "'" + className + "' has no sidechain input";
        return false;
    }
    const int32 size = precision == 64 ? kSample64 : kSample32;
    if (instance->processor()->canProcessSampleSize(size) != kResultTrue) {
        error = "'" + className + "' cannot process " + std::to_string(precision) + "-bit samples";
        return false;
    }
    hostkit::RenderOptions options;
    options.sampleRate = sampleRate;
    options.blockSize = blockSize;
    options.sampleSize = size;
    options.processMode = kOffline;
    // The sidechain bus is switched on only when there is something to feed it.
    options.activateAllBuses = withSidechain;
    // Settings go in before activation; what the instance's state cannot carry travels as a
    // change at the first sample, as a host sends what the user set.
    const std::vector<ResolvedSetting> firstBlock = CommitSettings();
    renderer = std::make_unique<hostkit::OfflineRenderer>(*instance, options);
    std::string why;
    if (!renderer->start(&why)) {
        error = "'" + className + "' refused to start processing at " + FormatValue(sampleRate) +
                " Hz with blocks of " + std::to_string(blockSize) + " (" + why + ")";
        renderer.reset();
        return false;
    }
    for (const ResolvedSetting& s : firstBlock)
        renderer->scheduleParameter(s.id, s.normalized, 0);
    changes = std::move(automation);
    nextChange = 0;
    position = 0;
    rate = sampleRate;
    inputChannels = ins[0];
    sidechainChannels = withSidechain ? ins[1] : 0;
    outputChannels = outs[0];
    // An effect that delays its output gets as many frames of silence more at the end; the
    // first ones it returns are dropped, so output and input line up.
    latency = instance->processor()->getLatencySamples();
    latencyLeft = latency;
    return true;
}

bool PluginSession::Process(const Planar& input, const Planar* sidechain, std::size_t frames,
                            Planar& output, std::string& error) {
    // The automation that falls in these frames, counted from their start.
    const std::int64_t end = position + static_cast<std::int64_t>(frames);
    for (; nextChange < changes.size() && changes[nextChange].frame < end; ++nextChange) {
        const ScheduledChange& c = changes[nextChange];
        renderer->scheduleParameter(c.id, c.normalized, c.frame - position);
    }
    Planar main, side;
    LayOutForBus(input, frames, inputChannels, main);
    if (sidechainChannels > 0)
        LayOutForBus(sidechain != nullptr ? *sidechain : Planar{}, frames, sidechainChannels, side);
    std::string why;
    std::optional<hostkit::PlanarAudio> result =
        renderer->run(main, sidechainChannels > 0 ? &side : nullptr, &why);
    if (!result) {
        error = "the effect failed to process the block at " +
                AtTime(static_cast<std::size_t>(position), rate) + " (" + why + ")";
        return false;
    }
    for (std::size_t c = 0; c < result->size(); ++c)
        for (std::size_t i = 0; i < frames; ++i)
            if (!std::isfinite((*result)[c][i])) {
                error = "the effect produced a sample that is not a number at " +
                        AtTime(static_cast<std::size_t>(position) + i, rate);
                return false;
            }
    position = end;
    TakeOffLatency(*result, frames, latencyLeft, output);
    return true;
}

bool PluginSession::Finish(Planar& output, std::string& error) {
    output.assign(static_cast<std::size_t>(outputChannels), {});
    // The delay's worth of silence brings out the last frames.
    if (latency > 0) {
        const std::size_t tail = latency;
        const Planar silence(static_cast<std::size_t>(inputChannels), std::vector<double>(tail));
        const Planar sideSilence(static_cast<std::size_t>(std::max(1, sidechainChannels)),
                                 std::vector<double>(tail));
        if (!Process(silence, &sideSilence, tail, output, error))
            return false;
        for (auto& ch : output)
            ch.resize(std::min(ch.size(), latency));
    }
    renderer->stop();
    renderer.reset();
    return true;
}

bool PluginSession::Flush(int blockSize, int precision, std::string& error) {
    const auto frames = static_cast<std::size_t>(blockSize);
    const Planar silence(1, std::vector<double>(frames));
    Planar ignored;
    return Start(static_cast<int>(kFlushSampleRate), blockSize, precision, false, {}, error) &&
           Process(silence, nullptr, frames, ignored, error) && Finish(ignored, error);
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
