#pragma once
// What an LV2 host is told about TORVIK beyond its facts: the plug-in's URI,
// its state key and the port layout. Shared by the binding and the generator
// of the bundle's Turtle, so both describe the same ports.
namespace torvik::lv2 {

inline constexpr const char* kPluginUri = "urn:quellmark:torvik";
// The one state property: the whole state bytes as an atom:Chunk.
inline constexpr const char* kStateKey = "urn:quellmark:torvik#state";
inline constexpr const char* kBinaryName = "TORVIK.so";
// The editor: an X11 UI in a binary of its own, which reaches the plug-in
// only through its ports.
inline constexpr const char* kUiUri = "urn:quellmark:torvik#ui";
inline constexpr const char* kUiBinaryName = "TORVIK_ui.so";

// Ports, in index order.
enum Port : unsigned {
    kInLeft = 0,
    kInRight = 1,
    kOutLeft = 2,
    kOutRight = 3,
    kSidechainLeft = 4,
    kSidechainRight = 5,
    kFirstParamPort = 6, // parameter i is port 6 + i
};
// The port of parameter index.
constexpr unsigned ParamPort(int index) {
    return kFirstParamPort + static_cast<unsigned>(index);
}
// After the parameters: the host's on/off switch, then the meters.
constexpr unsigned EnabledPort(int parameterCount) {
    return ParamPort(parameterCount);
}
constexpr unsigned FirstMeterPort(int parameterCount) {
    return EnabledPort(parameterCount) + 1;
}

} // namespace torvik::lv2
