#include "hostkit/clap/ClapHost.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <poll.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>

namespace hostkit::clap {

namespace {

// The module's binary: dlopen on Linux, LoadLibrary on Windows (the path as
// UTF-8, widened).
#if defined(_WIN32)
void* OpenLibrary(const std::string& path, std::string& error) {
    const std::filesystem::path wide(std::u8string(path.begin(), path.end()));
    HMODULE handle = LoadLibraryW(wide.wstring().c_str());
    if (!handle)
        error = "LoadLibraryW failed with error " + std::to_string(GetLastError());
    return reinterpret_cast<void*>(handle);
}
const void* FindSymbol(void* library, const char* name) {
    return reinterpret_cast<const void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
void CloseLibrary(void* library) {
    FreeLibrary(static_cast<HMODULE>(library));
}
#else
void* OpenLibrary(const std::string& path, std::string& error) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        error = why ? why : "cannot load";
    }
    return handle;
}
const void* FindSymbol(void* library, const char* name) {
    return dlsym(library, name);
}
void CloseLibrary(void* library) {
    dlclose(library);
}
#endif

} // namespace

ClapModule::ClapModule(const std::string& path) {
    library = OpenLibrary(path, error);
    if (!library)
        return;
    const auto* found = static_cast<const clap_plugin_entry*>(FindSymbol(library, "clap_entry"));
    if (!found || !clap_version_is_compatible(found->clap_version) || !found->init ||
        !found->init(path.c_str())) {
        error = "no usable clap_entry";
        return;
    }
    entry = found;
}

ClapModule::~ClapModule() {
    if (entry)
        entry->deinit();
    if (library)
        CloseLibrary(library);
}

const clap_plugin_factory* ClapModule::Factory() const {
    if (!entry)
        return nullptr;
    return static_cast<const clap_plugin_factory*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
}

namespace {
ClapHost& HostOf(const clap_host* h) {
    return *static_cast<ClapHost*>(h->host_data);
}
} // namespace

bool ClapHost::OnMain() {
    if (std::this_thread::get_id() == mainThread)
        return true;
    ++misuse;
    return false;
}

ClapHost::ClapHost(HostOffer what) : offer(what) {
    host.clap_version = CLAP_VERSION;
    host.host_data = this;
    host.name = "hostkit";
    host.vendor = "TORVIK tests";
    host.url = "";
    host.version = "1.0";
    host.request_restart = [](const clap_host* h) { ++HostOf(h).restartRequests; };
    host.request_process = [](const clap_host*) {};
    host.request_callback = [](const clap_host* h) { ++HostOf(h).callbackRequests; };
    host.get_extension = [](const clap_host* h, const char* id) -> const void* {
        ClapHost& self = HostOf(h);
        const HostOffer& o = self.offer;
        if (!id)
            return nullptr;
        const struct {
            const char* id;
            bool offered;
            const void* table;
        } tables[] = {
            {CLAP_EXT_PARAMS, o.params, &self.params},
            {CLAP_EXT_STATE, o.state, &self.state},
            {CLAP_EXT_LOG, o.log, &self.log},
            {CLAP_EXT_THREAD_CHECK, o.threadCheck, &self.threadCheck},
            {CLAP_EXT_GUI, o.gui, &self.gui},
            {CLAP_EXT_TIMER_SUPPORT, o.timers, &self.timerSupport},
            {CLAP_EXT_POSIX_FD_SUPPORT, o.fds, &self.fdSupport},
            {CLAP_EXT_LATENCY, o.latency, &self.latency},
        };
        for (const auto& t : tables) {
            if (t.offered && std::strcmp(id, t.id) == 0)
                return t.table;
        }
        return nullptr;
    };
    params.rescan = [](const clap_host* h, std::uint32_t flags) {
        ClapHost& self = HostOf(h);
        self.OnMain();
        if (flags & CLAP_PARAM_RESCAN_VALUES)
            ++self.valueRescans;
    };
    params.clear = [](const clap_host* h, clap_id, std::uint32_t) { HostOf(h).OnMain(); };
    params.request_flush = [](const clap_host* h) { ++HostOf(h).flushRequests; };
    state.mark_dirty = [](const clap_host* h) { HostOf(h).OnMain(); };
    log.log = [](const clap_host* h, clap_log_severity severity, const char* message) {
        HostOf(h).logs.push_back(std::to_string(severity) + " " + (message ? message : ""));
    };
    threadCheck.is_main_thread = [](const clap_host* h) {
        return std::this_thread::get_id() == HostOf(h).mainThread;
    };
    threadCheck.is_audio_thread = [](const clap_host* h) {
        return std::this_thread::get_id() != HostOf(h).mainThread;
    };
    gui.resize_hints_changed = [](const clap_host*) {};
    gui.request_resize = [](const clap_host* h, std::uint32_t w, std::uint32_t hh) {
        HostOf(h).resizeRequests.emplace_back(w, hh);
        return true;
    };
    gui.request_show = [](const clap_host*) { return true; };
    gui.request_hide = [](const clap_host*) { return true; };
    gui.closed = [](const clap_host*, bool) {};
    timerSupport.register_timer = [](const clap_host* h, std::uint32_t period, clap_id* id) {
        ClapHost& self = HostOf(h);
        if (!self.OnMain() || !id)
            return false;
        *id = self.nextTimer++;
        self.timers[*id] = period;
        return true;
    };
    timerSupport.unregister_timer = [](const clap_host* h, clap_id id) {
        ClapHost& self = HostOf(h);
        if (!self.OnMain() || self.timers.erase(id) == 0) {
            ++self.misuse;
            return false;
        }
        return true;
    };
    fdSupport.register_fd = [](const clap_host* h, int fd, std::uint32_t) {
        ClapHost& self = HostOf(h);
        if (!self.OnMain() || !self.fds.insert(fd).second) {
            ++self.misuse;
            return false;
        }
        return true;
    };
    fdSupport.modify_fd = [](const clap_host* h, int fd, std::uint32_t) {
        ClapHost& self = HostOf(h);
        return self.OnMain() && self.fds.count(fd) == 1;
    };
    fdSupport.unregister_fd = [](const clap_host* h, int fd) {
        ClapHost& self = HostOf(h);
        if (!self.OnMain() || self.fds.erase(fd) == 0) {
            ++self.misuse;
            return false;
        }
        return true;
    };
    latency.changed = [](const clap_host*) {};
}

void ClapHost::RunTimers(const clap_plugin* plugin) {
    const auto* support = static_cast<const clap_plugin_timer_support*>(
        plugin->get_extension(plugin, CLAP_EXT_TIMER_SUPPORT));
    if (!support)
        return;
    const auto ids = timers; // the callback may change the registrations
    for (const auto& [id, period] : ids)
        support->on_timer(plugin, id);
}

void ClapHost::RunReadableFds(const clap_plugin* plugin) {
#if defined(_WIN32)
    (void)plugin; // no descriptors to watch: the editor's window has its own message loop
#else
    const auto* support = static_cast<const clap_plugin_posix_fd_support*>(
        plugin->get_extension(plugin, CLAP_EXT_POSIX_FD_SUPPORT));
    if (!support)
        return;
    const auto watched = fds;
    for (int fd : watched) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 0) > 0 && (p.revents & POLLIN))
            support->on_fd(plugin, fd, CLAP_POSIX_FD_READ);
    }
#endif
}

InputEvents::InputEvents() {
    list.ctx = this;
    list.size = [](const clap_input_events* l) {
        return static_cast<std::uint32_t>(static_cast<const InputEvents*>(l->ctx)->events.size());
    };
    list.get = [](const clap_input_events* l, std::uint32_t i) -> const clap_event_header* {
        const auto& all = static_cast<const InputEvents*>(l->ctx)->events;
        if (i >= all.size())
            return nullptr;
        return reinterpret_cast<const clap_event_header*>(all[i].data());
    };
}

void InputEvents::AddValue(clap_id id, double plain, std::uint32_t time) {
    clap_event_param_value e{};
    e.header = {sizeof e, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    e.param_id = id;
    e.note_id = -1;
    e.port_index = e.channel = e.key = -1;
    e.value = plain;
    AddRaw(&e, sizeof e);
}

void InputEvents::AddRaw(const void* bytes, std::size_t size) {
    std::vector<std::uint64_t> storage((std::max<std::size_t>(size, 16) + 7) / 8, 0);
    std::memcpy(storage.data(), bytes, size);
    events.push_back(std::move(storage));
}

OutputEvents::OutputEvents() {
    list.ctx = this;
    list.try_push = [](const clap_output_events* l, const clap_event_header* h) {
        auto* self = static_cast<OutputEvents*>(l->ctx);
        if (self->refuse || !h)
            return false;
        Event e{h->type, CLAP_INVALID_ID, 0.0, h->time};
        if (h->type == CLAP_EVENT_PARAM_VALUE && h->size >= sizeof(clap_event_param_value)) {
            clap_event_param_value v;
            std::memcpy(&v, h, sizeof v);
            e.id = v.param_id;
            e.value = v.value;
        } else if (h->size >= sizeof(clap_event_param_gesture)) {
            clap_event_param_gesture g;
            std::memcpy(&g, h, sizeof g);
            e.id = g.param_id;
        }
        self->events.push_back(e);
        return true;
    };
}

ClapInstance::ClapInstance(const ClapModule& module, const ClapHost& host, const char* pluginId) {
    const clap_plugin_factory* factory = module.Factory();
    if (!factory)
        return;
    const clap_plugin* created = factory->create_plugin(factory, host.Host(), pluginId);
    if (!created)
        return;
    if (!created->init(created)) {
        created->destroy(created);
        return;
    }
    plugin = created;
}

ClapInstance::~ClapInstance() {
    if (!plugin)
        return;
    Deactivate();
    plugin->destroy(plugin);
}

bool ClapInstance::Activate(double rate, std::uint32_t minFrames, std::uint32_t maxFrames) {
    if (!plugin || active)
        return false;
    active = plugin->activate(plugin, rate, minFrames, maxFrames);
    if (active)
        plugin->start_processing(plugin);
    return active;
}

void ClapInstance::Deactivate() {
    if (!plugin || !active)
        return;
    plugin->stop_processing(plugin);
    plugin->deactivate(plugin);
    active = false;
}

clap_process_status ClapInstance::Process(std::uint32_t frames,
                                          std::vector<clap_audio_buffer> inputs,
                                          std::vector<clap_audio_buffer> outputs,
                                          const InputEvents* in, OutputEvents* out) {
    static const InputEvents none;
    OutputEvents dropped;
    clap_process p{};
    p.steady_time = steadyTime;
    p.frames_count = frames;
    p.audio_inputs = inputs.empty() ? nullptr : inputs.data();
    p.audio_outputs = outputs.empty() ? nullptr : outputs.data();
    p.audio_inputs_count = static_cast<std::uint32_t>(inputs.size());
    p.audio_outputs_count = static_cast<std::uint32_t>(outputs.size());
    p.in_events = (in ? in : &none)->List();
    p.out_events = (out ? out : &dropped)->List();
    steadyTime += frames;
    return plugin->process(plugin, &p);
}

namespace {

struct WriteStream {
    std::vector<std::uint8_t>* bytes;
    std::size_t stride;
};
struct ReadStream {
    const std::vector<std::uint8_t>* bytes;
    std::size_t stride;
    std::size_t at;
};

} // namespace

bool ClapInstance::Save(std::vector<std::uint8_t>& bytes, std::size_t stride) const {
    const auto* state = Extension<clap_plugin_state>(CLAP_EXT_STATE);
    if (!state)
        return false;
    bytes.clear();
    WriteStream ctx{&bytes, stride};
    clap_ostream stream{&ctx, [](const clap_ostream* s, const void* data, std::uint64_t size) {
                            auto* c = static_cast<WriteStream*>(s->ctx);
                            const std::size_t n = std::min<std::uint64_t>(size, c->stride);
                            const auto* b = static_cast<const std::uint8_t*>(data);
                            c->bytes->insert(c->bytes->end(), b, b + n);
                            return static_cast<std::int64_t>(n);
                        }};
    return state->save(plugin, &stream);
}

bool ClapInstance::Load(const std::vector<std::uint8_t>& bytes, std::size_t stride) const {
    const auto* state = Extension<clap_plugin_state>(CLAP_EXT_STATE);
    if (!state)
        return false;
    ReadStream ctx{&bytes, stride, 0};
    clap_istream stream{&ctx, [](const clap_istream* s, void* data, std::uint64_t size) {
                            auto* c = static_cast<ReadStream*>(s->ctx);
                            const std::size_t left = c->bytes->size() - c->at;
                            const std::size_t n =
                                std::min<std::uint64_t>(std::min(size, left), c->stride);
                            if (n > 0) // an empty vector's data() may be null
                                std::memcpy(data, c->bytes->data() + c->at, n);
                            c->at += n;
                            return static_cast<std::int64_t>(n);
                        }};
    return state->load(plugin, &stream);
}

double ClapInstance::Value(clap_id id) const {
    const auto* params = Extension<clap_plugin_params>(CLAP_EXT_PARAMS);
    double v = 0.0;
    if (!params || !params->get_value(plugin, id, &v))
        return std::numeric_limits<double>::quiet_NaN();
    return v;
}

} // namespace hostkit::clap
