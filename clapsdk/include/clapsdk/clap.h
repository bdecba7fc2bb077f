#pragma once
// The CLAP 1.x interfaces this project uses, declared from the format's binary
// facts (type sizes, field offsets, slot order, ID strings and constants).
// C linkage and natural alignment; every size and offset the format fixes is
// checked below, so a slip here fails the build rather than a host.
#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define CLAP_ABI __cdecl
#else
#define CLAP_ABI
#endif

extern "C" {

using clap_id = std::uint32_t;
inline constexpr clap_id CLAP_INVALID_ID = 0xFFFFFFFFu;
inline constexpr std::uint32_t CLAP_NAME_SIZE = 256;
inline constexpr std::uint32_t CLAP_PATH_SIZE = 1024;

struct clap_version {
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t revision;
};
// The version these declarations follow; any host of major version 1 or later is compatible.
inline constexpr clap_version CLAP_VERSION{1, 2, 10};
constexpr bool clap_version_is_compatible(clap_version v) {
    return v.major >= 1;
}

// ---- Entry and factory ---------------------------------------------------

struct clap_plugin_entry {
    struct clap_version clap_version;
    bool(CLAP_ABI* init)(const char* plugin_path);
    void(CLAP_ABI* deinit)();
    const void*(CLAP_ABI* get_factory)(const char* factory_id);
};

inline constexpr const char* CLAP_PLUGIN_FACTORY_ID = "clap.plugin-factory";

struct clap_plugin_descriptor {
    struct clap_version clap_version;
    const char* id;
    const char* name;
    const char* vendor;
    const char* url;
    const char* manual_url;
    const char* support_url;
    const char* version;
    const char* description;
    const char* const* features; // null-terminated
};

struct clap_host;
struct clap_plugin;
struct clap_process;

struct clap_plugin_factory {
    std::uint32_t(CLAP_ABI* get_plugin_count)(const clap_plugin_factory* factory);
    const clap_plugin_descriptor*(CLAP_ABI* get_plugin_descriptor)(
        const clap_plugin_factory* factory, std::uint32_t index);
    const clap_plugin*(CLAP_ABI* create_plugin)(const clap_plugin_factory* factory,
                                                const clap_host* host, const char* plugin_id);
};

// ---- Plug-in and host ----------------------------------------------------

using clap_process_status = std::int32_t;
inline constexpr clap_process_status CLAP_PROCESS_ERROR = 0;
inline constexpr clap_process_status CLAP_PROCESS_CONTINUE = 1;
inline constexpr clap_process_status CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2;
inline constexpr clap_process_status CLAP_PROCESS_TAIL = 3;
inline constexpr clap_process_status CLAP_PROCESS_SLEEP = 4;

struct clap_plugin {
    const clap_plugin_descriptor* desc;
    void* plugin_data;
    bool(CLAP_ABI* init)(const clap_plugin* plugin);
    void(CLAP_ABI* destroy)(const clap_plugin* plugin);
    bool(CLAP_ABI* activate)(const clap_plugin* plugin, double sample_rate,
                             std::uint32_t min_frames_count, std::uint32_t max_frames_count);
    void(CLAP_ABI* deactivate)(const clap_plugin* plugin);
    bool(CLAP_ABI* start_processing)(const clap_plugin* plugin);
    void(CLAP_ABI* stop_processing)(const clap_plugin* plugin);
    void(CLAP_ABI* reset)(const clap_plugin* plugin);
    clap_process_status(CLAP_ABI* process)(const clap_plugin* plugin, const clap_process* process);
    const void*(CLAP_ABI* get_extension)(const clap_plugin* plugin, const char* id);
    void(CLAP_ABI* on_main_thread)(const clap_plugin* plugin);
};

struct clap_host {
    struct clap_version clap_version;
    void* host_data;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    const void*(CLAP_ABI* get_extension)(const clap_host* host, const char* extension_id);
    void(CLAP_ABI* request_restart)(const clap_host* host);
    void(CLAP_ABI* request_process)(const clap_host* host);
    void(CLAP_ABI* request_callback)(const clap_host* host);
};

// ---- Events --------------------------------------------------------------

inline constexpr std::uint16_t CLAP_CORE_EVENT_SPACE_ID = 0;
inline constexpr std::uint32_t CLAP_EVENT_IS_LIVE = 1;
inline constexpr std::uint32_t CLAP_EVENT_DONT_RECORD = 2;

enum : std::uint16_t {
    CLAP_EVENT_NOTE_ON = 0,
    CLAP_EVENT_NOTE_OFF = 1,
    CLAP_EVENT_NOTE_CHOKE = 2,
    CLAP_EVENT_NOTE_END = 3,
    CLAP_EVENT_NOTE_EXPRESSION = 4,
    CLAP_EVENT_PARAM_VALUE = 5,
    CLAP_EVENT_PARAM_MOD = 6,
    CLAP_EVENT_PARAM_GESTURE_BEGIN = 7,
    CLAP_EVENT_PARAM_GESTURE_END = 8,
    CLAP_EVENT_TRANSPORT = 9,
    CLAP_EVENT_MIDI = 10,
    CLAP_EVENT_MIDI_SYSEX = 11,
    CLAP_EVENT_MIDI2 = 12,
};

struct clap_event_header {
    std::uint32_t size; // the whole event, header included
    std::uint32_t time; // frame offset in the block
    std::uint16_t space_id;
    std::uint16_t type;
    std::uint32_t flags;
};

struct clap_event_param_value {
    clap_event_header header;
    clap_id param_id;
    void* cookie;
    std::int32_t note_id;
    std::int16_t port_index;
    std::int16_t channel;
    std::int16_t key;
    double value; // plain value
};

struct clap_event_param_gesture {
    clap_event_header header;
    clap_id param_id;
};

struct clap_event_transport; // never read: TORVIK keeps no transport

struct clap_input_events {
    void* ctx;
    std::uint32_t(CLAP_ABI* size)(const clap_input_events* list);
    const clap_event_header*(CLAP_ABI* get)(const clap_input_events* list, std::uint32_t index);
};

struct clap_output_events {
    void* ctx;
    bool(CLAP_ABI* try_push)(const clap_output_events* list, const clap_event_header* event);
};

// ---- Processing ----------------------------------------------------------

struct clap_audio_buffer {
    float** data32;
    double** data64;
    std::uint32_t channel_count;
    std::uint32_t latency;
    std::uint64_t constant_mask;
};

struct clap_process {
    std::int64_t steady_time;
    std::uint32_t frames_count;
    const clap_event_transport* transport;
    const clap_audio_buffer* audio_inputs;
    clap_audio_buffer* audio_outputs;
    std::uint32_t audio_inputs_count;
    std::uint32_t audio_outputs_count;
    const clap_input_events* in_events;
    const clap_output_events* out_events;
};

// ---- Extensions ----------------------------------------------------------

inline constexpr const char* CLAP_EXT_AUDIO_PORTS = "clap.audio-ports";
inline constexpr const char* CLAP_EXT_PARAMS = "clap.params";
inline constexpr const char* CLAP_EXT_STATE = "clap.state";
inline constexpr const char* CLAP_EXT_LATENCY = "clap.latency";
inline constexpr const char* CLAP_EXT_GUI = "clap.gui";
inline constexpr const char* CLAP_EXT_POSIX_FD_SUPPORT = "clap.posix-fd-support";
inline constexpr const char* CLAP_EXT_TIMER_SUPPORT = "clap.timer-support";
inline constexpr const char* CLAP_EXT_THREAD_CHECK = "clap.thread-check";
inline constexpr const char* CLAP_EXT_LOG = "clap.log";

inline constexpr const char* CLAP_PORT_MONO = "mono";
inline constexpr const char* CLAP_PORT_STEREO = "stereo";
inline constexpr std::uint32_t CLAP_AUDIO_PORT_IS_MAIN = 1;
inline constexpr std::uint32_t CLAP_AUDIO_PORT_SUPPORTS_64BITS = 2;
inline constexpr std::uint32_t CLAP_AUDIO_PORT_PREFERS_64BITS = 4;
inline constexpr std::uint32_t CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE = 8;

struct clap_audio_port_info {
    clap_id id;
    char name[CLAP_NAME_SIZE];
    std::uint32_t flags;
    std::uint32_t channel_count;
    const char* port_type;
    clap_id in_place_pair;
};

struct clap_plugin_audio_ports {
    std::uint32_t(CLAP_ABI* count)(const clap_plugin* plugin, bool is_input);
    bool(CLAP_ABI* get)(const clap_plugin* plugin, std::uint32_t index, bool is_input,
                        clap_audio_port_info* info);
};

enum : std::uint32_t {
    CLAP_PARAM_IS_STEPPED = 1u << 0,
    CLAP_PARAM_IS_PERIODIC = 1u << 1,
    CLAP_PARAM_IS_HIDDEN = 1u << 2,
    CLAP_PARAM_IS_READONLY = 1u << 3,
    CLAP_PARAM_IS_BYPASS = 1u << 4,
    CLAP_PARAM_IS_AUTOMATABLE = 1u << 5,
    CLAP_PARAM_IS_MODULATABLE = 1u << 10,
    CLAP_PARAM_REQUIRES_PROCESS = 1u << 15,
    CLAP_PARAM_IS_ENUM = 1u << 16,
};
enum : std::uint32_t {
    CLAP_PARAM_RESCAN_VALUES = 1u << 0,
    CLAP_PARAM_RESCAN_TEXT = 1u << 1,
    CLAP_PARAM_RESCAN_INFO = 1u << 2,
    CLAP_PARAM_RESCAN_ALL = 1u << 3,
};

struct clap_param_info {
    clap_id id;
    std::uint32_t flags;
    void* cookie;
    char name[CLAP_NAME_SIZE];
    char module[CLAP_PATH_SIZE];
    double min_value;
    double max_value;
    double default_value;
};

struct clap_plugin_params {
    std::uint32_t(CLAP_ABI* count)(const clap_plugin* plugin);
    bool(CLAP_ABI* get_info)(const clap_plugin* plugin, std::uint32_t param_index,
                             clap_param_info* info);
    bool(CLAP_ABI* get_value)(const clap_plugin* plugin, clap_id param_id, double* value);
    bool(CLAP_ABI* value_to_text)(const clap_plugin* plugin, clap_id param_id, double value,
                                  char* text, std::uint32_t capacity);
    bool(CLAP_ABI* text_to_value)(const clap_plugin* plugin, clap_id param_id, const char* text,
                                  double* value);
    void(CLAP_ABI* flush)(const clap_plugin* plugin, const clap_input_events* in,
                          const clap_output_events* out);
};

struct clap_host_params {
    void(CLAP_ABI* rescan)(const clap_host* host, std::uint32_t flags);
    void(CLAP_ABI* clear)(const clap_host* host, clap_id param_id, std::uint32_t flags);
    void(CLAP_ABI* request_flush)(const clap_host* host);
};

struct clap_istream {
    void* ctx;
    // Bytes read, 0 at the end, -1 on error.
    std::int64_t(CLAP_ABI* read)(const clap_istream* stream, void* buffer, std::uint64_t size);
};

struct clap_ostream {
    void* ctx;
    // Bytes written, -1 on error.
    std::int64_t(CLAP_ABI* write)(const clap_ostream* stream, const void* buffer,
                                  std::uint64_t size);
};

struct clap_plugin_state {
    bool(CLAP_ABI* save)(const clap_plugin* plugin, const clap_ostream* stream);
    bool(CLAP_ABI* load)(const clap_plugin* plugin, const clap_istream* stream);
};

struct clap_host_state {
    void(CLAP_ABI* mark_dirty)(const clap_host* host);
};

struct clap_plugin_latency {
    std::uint32_t(CLAP_ABI* get)(const clap_plugin* plugin);
};

struct clap_host_latency {
    void(CLAP_ABI* changed)(const clap_host* host);
};

inline constexpr const char* CLAP_WINDOW_API_WIN32 = "win32";
inline constexpr const char* CLAP_WINDOW_API_X11 = "x11";
inline constexpr const char* CLAP_WINDOW_API_COCOA = "cocoa";
inline constexpr const char* CLAP_WINDOW_API_WAYLAND = "wayland";

using clap_hwnd = void*;
using clap_nsview = void*;
using clap_xwnd = unsigned long; // an X11 window ID: 8 bytes on Linux, 4 on Windows

struct clap_window {
    const char* api;
    union {
        clap_nsview cocoa;
        clap_xwnd x11;
        clap_hwnd win32;
        void* ptr;
    };
};

struct clap_gui_resize_hints {
    bool can_resize_horizontally;
    bool can_resize_vertically;
    bool preserve_aspect_ratio;
    std::uint32_t aspect_ratio_width;
    std::uint32_t aspect_ratio_height;
};

struct clap_plugin_gui {
    bool(CLAP_ABI* is_api_supported)(const clap_plugin* plugin, const char* api, bool is_floating);
    bool(CLAP_ABI* get_preferred_api)(const clap_plugin* plugin, const char** api,
                                      bool* is_floating);
    bool(CLAP_ABI* create)(const clap_plugin* plugin, const char* api, bool is_floating);
    void(CLAP_ABI* destroy)(const clap_plugin* plugin);
    bool(CLAP_ABI* set_scale)(const clap_plugin* plugin, double scale);
    bool(CLAP_ABI* get_size)(const clap_plugin* plugin, std::uint32_t* width,
                             std::uint32_t* height);
    bool(CLAP_ABI* can_resize)(const clap_plugin* plugin);
    bool(CLAP_ABI* get_resize_hints)(const clap_plugin* plugin, clap_gui_resize_hints* hints);
    bool(CLAP_ABI* adjust_size)(const clap_plugin* plugin, std::uint32_t* width,
                                std::uint32_t* height);
    bool(CLAP_ABI* set_size)(const clap_plugin* plugin, std::uint32_t width, std::uint32_t height);
    bool(CLAP_ABI* set_parent)(const clap_plugin* plugin, const clap_window* window);
    bool(CLAP_ABI* set_transient)(const clap_plugin* plugin, const clap_window* window);
    void(CLAP_ABI* suggest_title)(const clap_plugin* plugin, const char* title);
    bool(CLAP_ABI* show)(const clap_plugin* plugin);
    bool(CLAP_ABI* hide)(const clap_plugin* plugin);
};

struct clap_host_gui {
    void(CLAP_ABI* resize_hints_changed)(const clap_host* host);
    bool(CLAP_ABI* request_resize)(const clap_host* host, std::uint32_t width,
                                   std::uint32_t height);
    bool(CLAP_ABI* request_show)(const clap_host* host);
    bool(CLAP_ABI* request_hide)(const clap_host* host);
    void(CLAP_ABI* closed)(const clap_host* host, bool was_destroyed);
};

enum : std::uint32_t {
    CLAP_POSIX_FD_READ = 1u << 0,
    CLAP_POSIX_FD_WRITE = 1u << 1,
    CLAP_POSIX_FD_ERROR = 1u << 2,
};

struct clap_plugin_posix_fd_support {
    void(CLAP_ABI* on_fd)(const clap_plugin* plugin, int fd, std::uint32_t flags);
};

struct clap_host_posix_fd_support {
    bool(CLAP_ABI* register_fd)(const clap_host* host, int fd, std::uint32_t flags);
    bool(CLAP_ABI* modify_fd)(const clap_host* host, int fd, std::uint32_t flags);
    bool(CLAP_ABI* unregister_fd)(const clap_host* host, int fd);
};

struct clap_plugin_timer_support {
    void(CLAP_ABI* on_timer)(const clap_plugin* plugin, clap_id timer_id);
};

struct clap_host_timer_support {
    bool(CLAP_ABI* register_timer)(const clap_host* host, std::uint32_t period_ms,
                                   clap_id* timer_id);
    bool(CLAP_ABI* unregister_timer)(const clap_host* host, clap_id timer_id);
};

struct clap_host_thread_check {
    bool(CLAP_ABI* is_main_thread)(const clap_host* host);
    bool(CLAP_ABI* is_audio_thread)(const clap_host* host);
};

using clap_log_severity = std::int32_t;
enum : clap_log_severity {
    CLAP_LOG_DEBUG = 0,
    CLAP_LOG_INFO = 1,
    CLAP_LOG_WARNING = 2,
    CLAP_LOG_ERROR = 3,
    CLAP_LOG_FATAL = 4,
    CLAP_LOG_HOST_MISBEHAVING = 5,
    CLAP_LOG_PLUGIN_MISBEHAVING = 6,
};

struct clap_host_log {
    void(CLAP_ABI* log)(const clap_host* host, clap_log_severity severity, const char* message);
};

} // extern "C"

// Sizes and offsets every x86-64 compiler agrees on (LP64 and LLP64 alike,
// but for the X11 window ID, which is 8 bytes on Linux and 4 on Windows).
static_assert(sizeof(clap_version) == 12);
static_assert(offsetof(clap_plugin_entry, init) == 16 && sizeof(clap_plugin_entry) == 40);
static_assert(sizeof(clap_plugin_factory) == 24);
static_assert(offsetof(clap_plugin_descriptor, id) == 16 &&
              offsetof(clap_plugin_descriptor, features) == 80 &&
              sizeof(clap_plugin_descriptor) == 88);
static_assert(offsetof(clap_plugin, init) == 16 && offsetof(clap_plugin, process) == 72 &&
              offsetof(clap_plugin, on_main_thread) == 88 && sizeof(clap_plugin) == 96);
static_assert(offsetof(clap_host, host_data) == 16 && offsetof(clap_host, get_extension) == 56 &&
              sizeof(clap_host) == 88);
static_assert(sizeof(clap_event_header) == 16 && offsetof(clap_event_header, space_id) == 8 &&
              offsetof(clap_event_header, flags) == 12);
static_assert(offsetof(clap_event_param_value, param_id) == 16 &&
              offsetof(clap_event_param_value, cookie) == 24 &&
              offsetof(clap_event_param_value, note_id) == 32 &&
              offsetof(clap_event_param_value, key) == 40 &&
              offsetof(clap_event_param_value, value) == 48 &&
              sizeof(clap_event_param_value) == 56);
static_assert(sizeof(clap_event_param_gesture) == 20);
static_assert(sizeof(clap_input_events) == 24 && sizeof(clap_output_events) == 16);
static_assert(offsetof(clap_audio_buffer, channel_count) == 16 &&
              offsetof(clap_audio_buffer, constant_mask) == 24 && sizeof(clap_audio_buffer) == 32);
static_assert(offsetof(clap_process, transport) == 16 &&
              offsetof(clap_process, audio_inputs_count) == 40 &&
              offsetof(clap_process, in_events) == 48 && sizeof(clap_process) == 64);
static_assert(offsetof(clap_audio_port_info, flags) == 260 &&
              offsetof(clap_audio_port_info, port_type) == 272 &&
              offsetof(clap_audio_port_info, in_place_pair) == 280 &&
              sizeof(clap_audio_port_info) == 288);
static_assert(sizeof(clap_plugin_audio_ports) == 16);
static_assert(offsetof(clap_param_info, cookie) == 8 && offsetof(clap_param_info, name) == 16 &&
              offsetof(clap_param_info, module) == 272 &&
              offsetof(clap_param_info, min_value) == 1296 &&
              offsetof(clap_param_info, default_value) == 1312 && sizeof(clap_param_info) == 1320);
static_assert(sizeof(clap_plugin_params) == 48 && sizeof(clap_host_params) == 24);
static_assert(sizeof(clap_istream) == 16 && sizeof(clap_ostream) == 16);
static_assert(sizeof(clap_plugin_state) == 16);
static_assert(sizeof(clap_window) == 16 && offsetof(clap_window, x11) == 8);
static_assert(sizeof(clap_gui_resize_hints) == 12 &&
              offsetof(clap_gui_resize_hints, aspect_ratio_width) == 4);
static_assert(sizeof(clap_plugin_gui) == 120 && offsetof(clap_plugin_gui, get_preferred_api) == 8);
static_assert(sizeof(clap_host_gui) == 40);
static_assert(sizeof(clap_host_posix_fd_support) == 24 && sizeof(clap_host_timer_support) == 16);
static_assert(sizeof(clap_host_thread_check) == 16 && sizeof(clap_host_log) == 8);
#if defined(_WIN32)
static_assert(sizeof(clap_xwnd) == 4);
#else
static_assert(sizeof(clap_xwnd) == 8);
#endif
