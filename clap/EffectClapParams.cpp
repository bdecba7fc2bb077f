// Parameters: the host's view of the 40 records and the bypass, the events
// that carry values both ways, and flush.
#include "clap/EffectClap.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

namespace torvik {
namespace {

// The value a record takes for a plain value from the host.
double PlainToRecordValue(const IParamRecord& record, double plain) {
    IParamRecord probe = record;
    probe.SetFromPlain(plain);
    return probe.Value();
}

} // namespace

std::uint32_t IEffectClap::ParamCountForHost() const {
    return static_cast<std::uint32_t>(ParamCount()) + 1; // and the bypass
}

bool IEffectClap::ParamInfo(std::uint32_t index, clap_param_info& info) {
    info = clap_param_info{};
    if (index == static_cast<std::uint32_t>(ParamCount())) {
        info.id = kClapBypassId;
        info.flags = CLAP_PARAM_IS_STEPPED | CLAP_PARAM_IS_BYPASS | CLAP_PARAM_IS_AUTOMATABLE;
        std::snprintf(info.name, sizeof info.name, "Bypass");
        info.min_value = 0.0;
        info.max_value = 1.0;
        info.default_value = 0.0;
        return true;
    }
    const IParamRecord* record = ParamAt(static_cast<int>(index));
    if (!record || index > static_cast<std::uint32_t>(ParamCount()))
        return false;
    info.id = index;
    const bool defined = record->Kind() != kParamUndefined;
    info.flags = (record->Kind() != kParamContinuous ? CLAP_PARAM_IS_STEPPED : 0u) |
                 (defined && record->CanAutomate() ? CLAP_PARAM_IS_AUTOMATABLE : 0u) |
                 (defined ? 0u : CLAP_PARAM_IS_HIDDEN); // the reserved index
    std::snprintf(info.name, sizeof info.name, "%s", defined ? record->Name() : "Reserved");
    std::snprintf(info.module, sizeof info.module, "%s", record->Group());
    info.min_value = record->Min();
    info.max_value = record->Max();
    info.default_value = record->Default();
    return true;
}

bool IEffectClap::ParamValue(clap_id id, double& value) {
    if (id == kClapBypassId) {
        value = IsBypassed() ? 1.0 : 0.0;
        return true;
    }
    const IParamRecord* record = id < ParamCountForHost() ? ParamAt(static_cast<int>(id)) : nullptr;
    if (!record)
        return false;
    value = record->Value(); // read whole without the lock
    return true;
}

bool IEffectClap::ValueToText(clap_id id, double value, char* text, std::uint32_t capacity) {
    if (!text || capacity == 0 || !std::isfinite(value))
        return false;
    std::string written;
    if (id == kClapBypassId) {
        written = value > 0.5 ? "On" : "Off";
    } else {
        const IParamRecord* record =
            id < ParamCountForHost() ? ParamAt(static_cast<int>(id)) : nullptr;
        if (!record)
            return false;
        written = record->TextWithUnit(PlainToRecordValue(*record, value));
    }
    std::snprintf(text, capacity, "%s", written.c_str());
    return true;
}

bool IEffectClap::TextToValue(clap_id id, const char* text, double& value) {
    if (!text)
        return false;
    if (id == kClapBypassId) {
        if (std::strcmp(text, "On") == 0 || std::strcmp(text, "1") == 0)
            value = 1.0;
        else if (std::strcmp(text, "Off") == 0 || std::strcmp(text, "0") == 0)
            value = 0.0;
        else
            return false;
        return true;
    }
    const IParamRecord* record = id < ParamCountForHost() ? ParamAt(static_cast<int>(id)) : nullptr;
    double normalised = 0.0;
    if (!record || !record->ReadText(text, normalised))
        return false;
    value = PlainToRecordValue(*record, record->FromNormalised(normalised));
    return true;
}

void IEffectClap::ApplyParamValue(clap_id id, double plain) {
    if (!std::isfinite(plain))
        return; // a value that is no number carries none
    if (id == kClapBypassId) {
        SetBypassed(plain > 0.5);
        return;
    }
    if (id >= static_cast<clap_id>(ParamCount()))
        return; // an ID TORVIK does not have
    const int index = static_cast<int>(id);
    IParamRecord* record = ParamAt(index);
    record->SetFromPlain(plain);
    if (IEditorGraphics* g = Graphics())
        g->ApplyParamToControls(index, record->GetNormalised());
    HandleParamChange(index);
}

void IEffectClap::ApplyEvents(const clap_input_events* in) {
    if (!in || !in->size || !in->get)
        return;
    const std::uint32_t count = in->size(in);
    for (std::uint32_t i = 0; i < count; ++i) {
        const clap_event_header* header = in->get(in, i);
        // Only core parameter values of full size; everything else (gestures,
        // transport, notes, foreign spaces) changes nothing here.
        if (!header || header->space_id != CLAP_CORE_EVENT_SPACE_ID ||
            header->type != CLAP_EVENT_PARAM_VALUE || header->size < sizeof(clap_event_param_value))
            continue;
        clap_event_param_value event;
        std::memcpy(&event, header, sizeof event);
        ApplyParamValue(event.param_id, event.value);
    }
}

void IEffectClap::QueueEdit(std::uint16_t type, int index, double value) {
    const std::uint32_t write = pendingWrite.load(std::memory_order_relaxed);
    if (write - pendingRead.load(std::memory_order_acquire) >= kPendingCapacity)
        return; // the host has not collected for a long time: the oldest stay
    pending[write % kPendingCapacity] = {type, static_cast<clap_id>(index), value};
    pendingWrite.store(write + 1, std::memory_order_release);
}

void IEffectClap::PushPendingEdits(const clap_output_events* out) {
    if (!out || !out->try_push)
        return;
    std::uint32_t read = pendingRead.load(std::memory_order_relaxed);
    const std::uint32_t write = pendingWrite.load(std::memory_order_acquire);
    for (; read != write; ++read) {
        const PendingEdit& edit = pending[read % kPendingCapacity];
        bool taken = false;
        if (edit.type == CLAP_EVENT_PARAM_VALUE) {
            clap_event_param_value event{};
            event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, edit.type, 0};
            event.param_id = edit.id;
            event.note_id = -1;
            event.port_index = event.channel = event.key = -1;
            event.value = edit.value;
            taken = out->try_push(out, &event.header);
        } else {
            clap_event_param_gesture event{};
            event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, edit.type, 0};
            event.param_id = edit.id;
            taken = out->try_push(out, &event.header);
        }
        if (!taken)
            break; // kept for the next call
    }
    pendingRead.store(read, std::memory_order_release);
}

void IEffectClap::RequestFlush() {
    if (hostParams)
        hostParams->request_flush(host);
}

void IEffectClap::BeginHostEdit(int index) {
    if (!ParamAt(index))
        return;
    QueueEdit(CLAP_EVENT_PARAM_GESTURE_BEGIN, index, 0.0);
    RequestFlush();
}

void IEffectClap::InformHostEdit(int index, double /*normalised*/) {
    // Called with the instance lock free.
    if (const IParamRecord* record = ParamAt(index)) {
        QueueEdit(CLAP_EVENT_PARAM_VALUE, index, record->Value());
        RequestFlush();
    }
}

void IEffectClap::EndHostEdit(int index) {
    if (!ParamAt(index))
        return;
    QueueEdit(CLAP_EVENT_PARAM_GESTURE_END, index, 0.0);
    RequestFlush();
}

void IEffectClap::Flush(const clap_input_events* in, const clap_output_events* out) {
    std::lock_guard guard(Mutex());
    ApplyEvents(in);
    PushPendingEdits(out);
}

const clap_plugin_params IEffectClap::kParams = {
    [](const clap_plugin* p) { return Self(p).ParamCountForHost(); },
    [](const clap_plugin* p, std::uint32_t index, clap_param_info* info) {
        return info && Self(p).ParamInfo(index, *info);
    },
    [](const clap_plugin* p, clap_id id, double* value) {
        return value && Self(p).ParamValue(id, *value);
    },
    [](const clap_plugin* p, clap_id id, double value, char* text, std::uint32_t capacity) {
        return Self(p).ValueToText(id, value, text, capacity);
    },
    [](const clap_plugin* p, clap_id id, const char* text, double* value) {
        return value && Self(p).TextToValue(id, text, *value);
    },
    [](const clap_plugin* p, const clap_input_events* in, const clap_output_events* out) {
        Self(p).Flush(in, out);
    },
};

} // namespace torvik
