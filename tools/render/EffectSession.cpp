#include "EffectSession.h"

#include "ClapSession.h"
#include "Lv2Session.h"
#include "PluginSession.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace torvik::render {

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

void LayOutForBus(const Planar& file, std::size_t frames, std::int32_t busChannels, Planar& bus) {
    bus.assign(static_cast<std::size_t>(busChannels), std::vector<double>(frames));
    const std::size_t files = file.size();
    for (std::int32_t c = 0; c < busChannels; ++c) {
        auto& dst = bus[static_cast<std::size_t>(c)];
        if (files == 0)
            continue;
        if (busChannels == 1 && files > 1) {
            for (std::size_t f = 0; f < frames; ++f) {
                double sum = 0;
                for (const auto& ch : file)
                    sum += ch[f];
                dst[f] = sum / static_cast<double>(files);
            }
        } else {
            const auto& src = file[std::min(static_cast<std::size_t>(c), files - 1)];
            std::copy(src.begin(), src.begin() + static_cast<std::ptrdiff_t>(frames), dst.begin());
        }
    }
}

std::string AtTime(std::size_t frame, double sampleRate) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.3f s", static_cast<double>(frame) / sampleRate);
    return buf;
}

void TakeOffLatency(Planar& rendered, std::size_t frames, std::size_t& latencyLeft,
                    Planar& output) {
    const std::size_t drop = std::min(latencyLeft, frames);
    latencyLeft -= drop;
    output = std::move(rendered);
    if (drop > 0)
        for (auto& ch : output)
            ch.erase(ch.begin(), ch.begin() + static_cast<std::ptrdiff_t>(drop));
}

namespace {

bool IsDecimal(const std::string& s) {
    return !s.empty() && s.size() <= 10 &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

bool EffectSession::Resolve(const ParameterSetting& setting, ResolvedSetting& out,
                            std::string& error) const {
    std::vector<const ParameterDescription*> matches;
    if (IsDecimal(setting.name)) {
        const unsigned long id = std::stoul(setting.name);
        for (const auto& p : Parameters())
            if (p.id == id)
                matches.push_back(&p);
        if (matches.empty()) {
            error = "no parameter has the ID " + setting.name + " (see --list-params)";
            return false;
        }
    } else {
        for (const auto& p : Parameters())
            if (p.title == setting.name)
                matches.push_back(&p);
        if (matches.empty())
            for (const auto& p : Parameters())
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
    if (p.isReadOnly) {
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
    out.title = p.title.empty() ? std::to_string(p.id) : p.title;
    return true;
}

const ParameterDescription* EffectSession::Find(std::uint32_t id) const {
    for (const auto& p : Parameters())
        if (p.id == id)
            return &p;
    return nullptr;
}

} // namespace torvik::render

namespace torvik::render {

std::unique_ptr<EffectSession> OpenEffectSession(const std::string& path,
                                                 const std::string& className, std::string& error) {
    // The format by the name's extension, as hosts sort what they scan.
    auto endsWith = [&](std::string_view suffix) {
        const std::string name = Lower(path.substr(0, path.find_last_not_of('/') + 1));
        return name.size() >= suffix.size() &&
               name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
    };
    if (endsWith(".clap"))
        return ClapSession::Open(path, className, error);
    if (endsWith(".lv2"))
        return Lv2Session::Open(path, className, error);
    return PluginSession::Open(path, className, error);
}

} // namespace torvik::render
