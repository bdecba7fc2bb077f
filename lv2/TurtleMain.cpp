// Writes the LV2 bundle's manifest.ttl and TORVIK.ttl from the parameter
// table, so the ports a host reads are the parameters the plug-in has.
// Usage: torvik-lv2-turtle BUNDLE_DIR
#include "lv2/Lv2Identity.h"
#include "processor/ParameterTable.h"
#include "processor/TorvikFacts.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

namespace {

using namespace torvik;
using namespace torvik::lv2;

// The five meters as output control ports, in the processor's meter order.
constexpr struct {
    const char* symbol;
    const char* name;
} kMeters[] = {{"meter_preamp", "Preamp Meter"},
               {"meter_main", "Main Meter"},
               {"meter_de_esser", "De-Esser Reduction"},
               {"meter_gate", "Gate Meter"},
               {"meter_compressor", "Compressor Reduction"}};

// "De-Esser Threshold" -> "de_esser_threshold"; a symbol taken already gets
// its index appended.
std::string SymbolFor(const ParamRow& param, int index, std::set<std::string>& taken) {
    std::string s;
    for (const char* c = param.name; *c; ++c) {
        const auto u = static_cast<unsigned char>(*c);
        if (std::isalnum(u))
            s += static_cast<char>(std::tolower(u));
        else if (!s.empty() && s.back() != '_')
            s += '_';
    }
    while (!s.empty() && s.back() == '_')
        s.pop_back();
    if (s.empty())
        s = "reserved";
    if (!taken.insert(s).second) {
        s += "_" + std::to_string(index);
        taken.insert(s);
    }
    return s;
}

const char* UnitUri(const ParamRow& param) {
    if (param.negated)
        return nullptr; // stored as a distance below full scale: no unit says that
    switch (param.unit) {
    case ParamUnit::kDecibel:
        return "units:db";
    case ParamUnit::kHertz:
        return "units:hz";
    case ParamUnit::kMillisecond:
        return "units:ms";
    case ParamUnit::kPercent:
        return "units:coef";
    default:
        return nullptr;
    }
}

std::string Number(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", v);
    std::string s = text;
    if (s.find_first_of(".e") == std::string::npos)
        s += ".0";
    return s;
}

void AudioPort(std::ostream& out, unsigned index, bool input, const char* symbol, const char* name,
               bool sidechain) {
    out << "    [\n        a lv2:AudioPort , lv2:" << (input ? "InputPort" : "OutputPort") << " ;\n"
        << "        lv2:index " << index << " ;\n        lv2:symbol \"" << symbol << "\" ;\n"
        << "        lv2:name \"" << name << "\"";
    if (sidechain)
        out << " ;\n        lv2:portProperty lv2:isSideChain , lv2:connectionOptional";
    out << "\n    ]";
}

// The editor: embedded in the host's window and driven by its idle calls; it
// follows the parameter ports as every UI does, and the meters by notification.
std::string UiTurtle() {
    std::ostringstream out;
    out << "<" << kUiUri << ">\n"
        << "    a ui:X11UI ;\n"
        << "    ui:binary <" << kUiBinaryName << "> ;\n"
        << "    lv2:requiredFeature ui:parent , ui:idleInterface ;\n"
        << "    lv2:optionalFeature ui:resize , ui:touch , ui:noUserResize , urid:map , "
           "opts:options ;\n"
        << "    lv2:extensionData ui:idleInterface ;\n"
        << "    opts:supportedOption ui:scaleFactor ;\n"
        << "    ui:portNotification";
    const unsigned firstMeter = FirstMeterPort(kParameterCount);
    for (unsigned m = 0; m < std::size(kMeters); ++m) {
        out << (m == 0 ? " [\n" : " , [\n") << "        ui:plugin <" << kPluginUri << "> ;\n"
            << "        lv2:symbol \"" << kMeters[m].symbol << "\" ;\n"
            << "        ui:portIndex " << firstMeter + m << " ;\n"
            << "        ui:protocol ui:floatProtocol\n    ]";
    }
    out << " .\n";
    return out.str();
}

std::string PluginTurtle() {
    std::ostringstream out;
    out << "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
           "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
           "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
           "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
           "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
           "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
           "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
           "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
           "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
           "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
           "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";
    out << "<" << kPluginUri << ">\n"
        << "    a lv2:Plugin , lv2:DynamicsPlugin ;\n"
        << "    doap:name \"" << kEffectName << "\" ;\n"
        << "    doap:license <https://opensource.org/licenses/MIT> ;\n"
        << "    rdfs:comment \"Vocal and channel strip: preamp, de-esser, gate, equaliser and "
           "compressor.\" ;\n"
        << "    lv2:minorVersion 0 ;\n    lv2:microVersion 0 ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable , urid:map ;\n"
        << "    lv2:extensionData state:interface ;\n"
        << "    ui:ui <" << kUiUri << "> ;\n"
        << "    lv2:port\n";
    AudioPort(out, kInLeft, true, "in_left", "Main Input Left", false);
    out << " , ";
    AudioPort(out, kInRight, true, "in_right", "Main Input Right", false);
    out << " , ";
    AudioPort(out, kOutLeft, false, "out_left", "Output Left", false);
    out << " , ";
    AudioPort(out, kOutRight, false, "out_right", "Output Right", false);
    out << " , ";
    AudioPort(out, kSidechainLeft, true, "sidechain_left", "Sidechain Left", true);
    out << " , ";
    AudioPort(out, kSidechainRight, true, "sidechain_right", "Sidechain Right", true);
    std::set<std::string> taken;
    for (int i = 0; i < kParameterCount; ++i) {
        const ParamRow& param = ParamRowAt(i);
        out << " , [\n        a lv2:InputPort , lv2:ControlPort ;\n"
            << "        lv2:index " << ParamPort(i) << " ;\n"
            << "        lv2:symbol \"" << SymbolFor(param, i, taken) << "\" ;\n"
            << "        lv2:name \"" << (IsReserved(param) ? "Reserved" : param.name) << "\" ;\n"
            << "        lv2:default " << Number(param.defaultValue) << " ;\n"
            << "        lv2:minimum " << Number(param.min) << " ;\n"
            << "        lv2:maximum " << Number(param.max);
        if (IsSwitch(param)) {
            out << " ;\n        lv2:portProperty lv2:toggled , lv2:integer ;\n"
                << "        lv2:scalePoint [ rdfs:label \"" << param.offText
                << "\" ; rdf:value 0.0 ] , [ rdfs:label \"" << param.onText
                << "\" ; rdf:value 1.0 ]";
        } else if (IsReserved(param)) {
            out << " ;\n        lv2:portProperty lv2:integer , pprops:notOnGUI , "
                   "pprops:notAutomatic";
        }
        if (const char* unit = UnitUri(param))
            out << " ;\n        units:unit " << unit;
        out << "\n    ]";
    }
    out << " , [\n        a lv2:InputPort , lv2:ControlPort ;\n"
        << "        lv2:index " << EnabledPort(kParameterCount) << " ;\n"
        << "        lv2:symbol \"enabled\" ;\n        lv2:name \"Enabled\" ;\n"
        << "        lv2:designation lv2:enabled ;\n"
        << "        lv2:default 1 ;\n        lv2:minimum 0 ;\n        lv2:maximum 1 ;\n"
        << "        lv2:portProperty lv2:toggled , lv2:integer\n    ]";
    unsigned port = FirstMeterPort(kParameterCount);
    for (const auto& meter : kMeters) {
        out << " , [\n        a lv2:OutputPort , lv2:ControlPort ;\n"
            << "        lv2:index " << port++ << " ;\n"
            << "        lv2:symbol \"" << meter.symbol << "\" ;\n"
            << "        lv2:name \"" << meter.name << "\" ;\n"
            << "        lv2:default 0.0 ;\n        lv2:minimum 0.0 ;\n        lv2:maximum 1.0\n"
            << "    ]";
    }
    out << " .\n\n" << UiTurtle();
    return out.str();
}

std::string ManifestTurtle() {
    std::ostringstream out;
    out << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
           "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
           "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n\n"
        << "<" << kPluginUri << ">\n    a lv2:Plugin ;\n"
        << "    lv2:binary <" << kBinaryName << "> ;\n"
        << "    rdfs:seeAlso <TORVIK.ttl> .\n\n"
        << "<" << kUiUri << ">\n    a ui:X11UI ;\n"
        << "    ui:binary <" << kUiBinaryName << "> ;\n"
        << "    rdfs:seeAlso <TORVIK.ttl> .\n";
    return out.str();
}

bool Write(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
    return static_cast<bool>(file);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: torvik-lv2-turtle BUNDLE_DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    if (!Write(dir + "/manifest.ttl", ManifestTurtle()) ||
        !Write(dir + "/TORVIK.ttl", PluginTurtle())) {
        std::fprintf(stderr, "torvik-lv2-turtle: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
