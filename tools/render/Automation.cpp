#include "Automation.h"

#include <algorithm>
#include <fstream>

namespace torvik::render {

namespace {

std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

std::string LowerCase(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

} // namespace

bool ReadAutomationCsv(const std::string& path, std::vector<AutomationEntry>& out,
                       std::string& error, bool& malformed) {
    malformed = false;
    std::ifstream in(path);
    if (!in) {
        error = "cannot read the automation file " + path;
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string row = Trimmed(line);
        if (row.empty() || row.front() == '#' || LowerCase(row) == "time,parameter,value")
            continue;
        const std::string where = path + " line " + std::to_string(number);
        const auto first = row.find(',');
        const auto last = row.rfind(',');
        AutomationEntry entry;
        entry.origin = where;
        if (first == std::string::npos || first == last ||
            !ParseAutomationTime(row.substr(0, first), entry) ||
            !ParseSetting(row.substr(first + 1, last - first - 1) + "=" + row.substr(last + 1),
                          entry.target)) {
            error = where +
                    ": expected time,parameter,value with the time in seconds (1.5s) or "
                    "samples (72000smp), not below 0, and a number as value, not '" +
                    row + "'";
            malformed = true;
            return false;
        }
        entry.target.typed = row;
        out.push_back(entry);
    }
    if (in.bad()) {
        error = "cannot read the automation file " + path;
        return false;
    }
    return true;
}

double LaneValueAt(const AutomationLane& lane, std::int64_t frame) {
    const auto& p = lane.points;
    // The last point at or before `frame`.
    const auto after = std::upper_bound(
        p.begin(), p.end(), frame, [](std::int64_t f, const LanePoint& q) { return f < q.frame; });
    if (after == p.begin())
        return lane.startPlain;
    const LanePoint& from = *(after - 1);
    if (after == p.end() || lane.stepped)
        return from.plain;
    const LanePoint& to = *after;
    const double t =
        static_cast<double>(frame - from.frame) / static_cast<double>(to.frame - from.frame);
    return from.plain + (to.plain - from.plain) * t;
}

std::vector<ScheduledChange>
PlanAutomation(const std::vector<AutomationLane>& lanes, std::int64_t frames, int blockSize,
               const std::function<double(std::uint32_t, double)>& toNormalized) {
    std::vector<ScheduledChange> changes;
    std::vector<std::int64_t> offsets;
    for (const AutomationLane& lane : lanes) {
        double sent = toNormalized(lane.id, LaneValueAt(lane, 0));
        std::size_t nextPoint = 0; // the lane's first point not yet in a block
        for (std::int64_t start = 0; start < frames; start += blockSize) {
            const std::int64_t length = std::min<std::int64_t>(blockSize, frames - start);
            // Evenly spread points ending on the block's last frame, plus the lane's own points.
            offsets.clear();
            const std::int64_t spread =
                std::clamp<std::int64_t>(length / kMinRampSpacing, 1, kRampPointsPerBlock);
            for (std::int64_t k = 1; k <= spread; ++k)
                offsets.push_back(k * length / spread - 1);
            for (; nextPoint < lane.points.size() && lane.points[nextPoint].frame < start + length;
                 ++nextPoint)
                offsets.push_back(lane.points[nextPoint].frame - start);
            std::sort(offsets.begin(), offsets.end());
            offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
            // A queue holds only so many points; the last ones are those that count.
            if (offsets.size() > static_cast<std::size_t>(kMaxPointsPerQueue))
                offsets.erase(offsets.begin(),
                              offsets.end() - static_cast<std::ptrdiff_t>(kMaxPointsPerQueue));
            const std::size_t firstNew = changes.size();
            bool moves = false;
            for (std::int64_t offset : offsets) {
                const double value = toNormalized(lane.id, LaneValueAt(lane, start + offset));
                moves = moves || value != sent;
                changes.push_back({lane.id, value, start + offset});
            }
            if (!moves) {
                changes.resize(firstNew);
                continue;
            }
            sent = changes.back().normalized;
        }
    }
    std::stable_sort(
        changes.begin(), changes.end(),
        [](const ScheduledChange& a, const ScheduledChange& b) { return a.frame < b.frame; });
    return changes;
}

} // namespace torvik::render
