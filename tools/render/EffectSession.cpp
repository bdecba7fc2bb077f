#include "EffectSession.h"

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
