// The CLAP side of the host kit: load a .clap file, offer a host with any
// subset of its extensions, and drive a plug-in the way a DAW does.
#pragma once

#include "clapsdk/clap.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace hostkit::clap {

/// A loaded .clap file with its entry initialised; deinitialised and unloaded on destruction.
class ClapModule {
public:
    explicit ClapModule(const std::string& path);
    ~ClapModule();
    ClapModule(const ClapModule&) = delete;
    ClapModule& operator=(const ClapModule&) = delete;

    bool Loaded() const { return entry != nullptr; }
    const std::string& Error() const { return error; }
    const clap_plugin_entry* Entry() const { return entry; }
    /// The plug-in factory, or none.
    const clap_plugin_factory* Factory() const;

private:
    void* library = nullptr;
    const clap_plugin_entry* entry = nullptr;
    std::string error;
};

/// Which host extensions the host offers.
struct HostOffer {
    bool params = true;
    bool state = true;
    bool log = true;
    bool threadCheck = true;
    bool gui = true;
    bool timers = true;
    bool fds = true;
    bool latency = true;
};

/// A host that records what the plug-in asks of it. Its main thread is the
/// thread that made it.
class ClapHost {
public:
    explicit ClapHost(HostOffer offer = {});
    const clap_host* Host() const { return &host; }

    /// Calls the plug-in's timer callback for every registered timer, and its
    /// fd callback for every registered descriptor that has something to read.
    void RunTimers(const clap_plugin* plugin);
    void RunReadableFds(const clap_plugin* plugin);

    HostOffer offer;
    int valueRescans = 0;
    int flushRequests = 0;
    int callbackRequests = 0;
    int restartRequests = 0;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> resizeRequests;
    std::vector<std::string> logs;
    std::map<clap_id, std::uint32_t> timers; // id -> period in ms
    std::set<int> fds;
    /// Calls against the rules: off the main thread, unknown timers or fds,
    /// a descriptor registered twice.
    int misuse = 0;
    std::thread::id mainThread = std::this_thread::get_id();

private:
    bool OnMain();
    clap_host host{};
    clap_id nextTimer = 1;
    clap_host_params params{};
    clap_host_state state{};
    clap_host_log log{};
    clap_host_thread_check threadCheck{};
    clap_host_gui gui{};
    clap_host_timer_support timerSupport{};
    clap_host_posix_fd_support fdSupport{};
    clap_host_latency latency{};
};

/// Events the host hands in, kept in time order as added.
class InputEvents {
public:
    InputEvents();
    void AddValue(clap_id id, double plain, std::uint32_t time = 0);
    /// Any event as raw bytes (its header's size need not match them).
    void AddRaw(const void* bytes, std::size_t size);
    const clap_input_events* List() const { return &list; }
    void Clear() { events.clear(); }

private:
    std::vector<std::vector<std::uint64_t>> events; // 8-byte aligned storage
    clap_input_events list{};
};

/// What the plug-in hands out: copies of every event it pushed.
class OutputEvents {
public:
    OutputEvents();
    const clap_output_events* List() const { return &list; }
    struct Event {
        std::uint16_t type;
        clap_id id;
        double value;
        std::uint32_t time;
    };
    std::vector<Event> events;
    /// The list refuses every push while set.
    bool refuse = false;

private:
    clap_output_events list{};
};

/// One port's buffers: channels of frames of T (float or double).
template <typename T> class PortBuffers {
public:
    PortBuffers(std::uint32_t channels, std::uint32_t frames)
        : data(channels, std::vector<T>(frames, T(0))) {
        for (auto& c : data)
            pointers.push_back(c.data());
    }
    clap_audio_buffer Buffer() {
        clap_audio_buffer b{};
        if constexpr (sizeof(T) == 4)
            b.data32 = reinterpret_cast<float**>(pointers.data());
        else
            b.data64 = reinterpret_cast<double**>(pointers.data());
        b.channel_count = static_cast<std::uint32_t>(pointers.size());
        return b;
    }
    std::vector<T>& operator[](std::size_t c) { return data[c]; }

private:
    std::vector<std::vector<T>> data;
    std::vector<T*> pointers;
};

/// One plug-in instance, created and initialised; destroyed (deactivated first) with this object.
class ClapInstance {
public:
    ClapInstance(const ClapModule& module, const ClapHost& host, const char* pluginId);
    ~ClapInstance();
    ClapInstance(const ClapInstance&) = delete;
    ClapInstance& operator=(const ClapInstance&) = delete;

    bool Created() const { return plugin != nullptr; }
    const clap_plugin* Plugin() const { return plugin; }
    template <typename T> const T* Extension(const char* id) const {
        return plugin ? static_cast<const T*>(plugin->get_extension(plugin, id)) : nullptr;
    }

    bool Activate(double rate, std::uint32_t minFrames, std::uint32_t maxFrames);
    void Deactivate();
    bool active = false;

    /// One call of process with these ports and events.
    clap_process_status Process(std::uint32_t frames, std::vector<clap_audio_buffer> inputs,
                                std::vector<clap_audio_buffer> outputs,
                                const InputEvents* in = nullptr, OutputEvents* out = nullptr);

    /// The plug-in's state, written through a stream taking at most stride bytes per call.
    bool Save(std::vector<std::uint8_t>& bytes, std::size_t stride = SIZE_MAX) const;
    /// Loads bytes through a stream giving at most stride bytes per call.
    bool Load(const std::vector<std::uint8_t>& bytes, std::size_t stride = SIZE_MAX) const;

    /// The plain value of a parameter by ID, NaN when the plug-in has none.
    double Value(clap_id id) const;

private:
    const clap_plugin* plugin = nullptr;
    std::int64_t steadyTime = 0;
};

} // namespace hostkit::clap
