#pragma once
// The CLAP binding: one object that is the plug-in base and the CLAP plug-in
// (its clap_plugin and extension tables: audio ports, parameters, state,
// latency, editor, timer and file-descriptor callbacks). Parameter IDs are the
// indices; the host's bypass is one more parameter with the VST 3 build's ID.
#include "clapsdk/clap.h"
#include "framework/EffectBase.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace torvik {

// The bypass parameter's ID: the four characters 'bpas', as in the VST 3 build.
inline constexpr clap_id kClapBypassId = 0x62706173;

class IEffectClap : public IEffectBase {
public:
    explicit IEffectClap(const PluginFacts& facts);
    ~IEffectClap() override;

    // Called by the factory right after construction: the host (valid until
    // after destroy) and the descriptor the plug-in reports.
    void BindHost(const clap_host* host, const clap_plugin_descriptor* descriptor);
    const clap_plugin* ClapPlugin() const { return &plugin; }

    // Host-facing operations of the plug-in base: edits go to the host as
    // gesture and value events in the next process or flush.
    void BeginHostEdit(int index) override;
    void InformHostEdit(int index, double normalised) override;
    void EndHostEdit(int index) override;
    void ResizeEditor(int width, int height) override;
    bool HostResizesEditorWindow() const override { return true; }

private:
    // clap_plugin
    bool Init();
    bool Activate(double sampleRate, std::uint32_t minFrames, std::uint32_t maxFrames);
    void Deactivate();
    bool StartProcessing();
    void StopProcessing();
    void Reset();
    clap_process_status Process(const clap_process& process);
    const void* Extension(const char* id) const;

    // Parameters and events.
    std::uint32_t ParamCountForHost() const;
    bool ParamInfo(std::uint32_t index, clap_param_info& info);
    bool ParamValue(clap_id id, double& value);
    bool ValueToText(clap_id id, double value, char* text, std::uint32_t capacity);
    bool TextToValue(clap_id id, const char* text, double& value);
    void Flush(const clap_input_events* in, const clap_output_events* out);
    void ApplyEvents(const clap_input_events* in);
    void ApplyParamValue(clap_id id, double plain);
    void PushPendingEdits(const clap_output_events* out);
    void RequestFlush();

    // State.
    bool SaveState(const clap_ostream* stream);
    bool LoadState(const clap_istream* stream);

    // Audio.
    void ProcessPiece(const clap_process& process, std::uint32_t offset, int frames);

    // Editor.
    bool GuiApiSupported(const char* api, bool floating) const;
    bool GuiCreate(const char* api, bool floating);
    void GuiDestroy();
    bool GuiSetParent(const clap_window* window);
    // Sizes in physical pixels: the editor's size at its scale. The host's
    // factor picks the nearest of the editor's scales; a host's size is
    // snapped to the nearest scale's size.
    bool GuiGetSize(std::uint32_t& width, std::uint32_t& height) const;
    bool GuiSetScale(double factor);
    bool GuiResizeHints(clap_gui_resize_hints& hints) const;
    bool GuiAdjustSize(std::uint32_t& width, std::uint32_t& height) const;
    bool GuiSetSize(std::uint32_t width, std::uint32_t height);
    // Asks the host to fit its window to the editor's size when a window is open.
    void RequestGuiSize();
    void OnTimer(clap_id id);
    void OnFd(int fd, std::uint32_t flags);
    void StopWatchingDisplay();
    // Closes the gui's editor window, when one is open.
    void CloseGuiWindow();

    // Host services.
    bool OnMainThread() const;
    void Log(clap_log_severity severity, const char* message) const;
    template <typename T> const T* HostExtension(const char* id) const;

    static IEffectClap& Self(const clap_plugin* p);
    static const clap_plugin_audio_ports kAudioPorts;
    static const clap_plugin_params kParams;
    static const clap_plugin_state kState;
    static const clap_plugin_latency kLatency;
    static const clap_plugin_gui kGui;
    static const clap_plugin_timer_support kTimerSupport;
    static const clap_plugin_posix_fd_support kFdSupport;

    clap_plugin plugin{};
    const clap_host* host = nullptr;
    // The host's extensions, asked once in init; any may be missing.
    const clap_host_params* hostParams = nullptr;
    const clap_host_gui* hostGui = nullptr;
    const clap_host_timer_support* hostTimers = nullptr;
    const clap_host_posix_fd_support* hostFds = nullptr;
    const clap_host_thread_check* hostThreads = nullptr;
    const clap_host_log* hostLog = nullptr;

    bool initialised = false;
    bool active = false;
    bool processing = false;

    // The editor: created, its window's parent, and what the host watches for it.
    bool guiCreated = false;
    void* editorWindow = nullptr; // the gui's own editor window while it has a parent
    clap_id timerId = CLAP_INVALID_ID;
    int watchedFd = -1;

    // Editor edits waiting for the host: written by the editor's thread,
    // read by process or flush (never both at once), without locks.
    struct PendingEdit {
        std::uint16_t type; // gesture begin, value or gesture end
        clap_id id;
        double value; // plain value, for value events
    };
    static constexpr std::uint32_t kPendingCapacity = 1024;
    std::array<PendingEdit, kPendingCapacity> pending{};
    std::atomic<std::uint32_t> pendingWrite{0};
    std::atomic<std::uint32_t> pendingRead{0};
    void QueueEdit(std::uint16_t type, int index, double value);
};

} // namespace torvik
