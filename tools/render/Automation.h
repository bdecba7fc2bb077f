#pragma once
// Automation lanes as a DAW keeps them, and their delivery to the effect: each block's
// parameter-change queue carries the lane's points at their sample offsets, and a ramp between
// two points arrives as several points per block.
#include "RenderOptions.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace torvik::render {

// Reads a CSV file of `time,parameter,value` rows (a header row of those words, blank lines and
// lines starting with '#' are skipped; a parameter title may itself hold commas). A malformed
// row fails with its line number and sets `malformed` (a mistake of the user's, unlike a file
// that cannot be read).
bool ReadAutomationCsv(const std::string& path, std::vector<AutomationEntry>& out,
                       std::string& error, bool& malformed);

// One parameter's points in the file's frames, sorted by time (points at the same frame keep
// their given order: the later one is where the lane goes on from).
struct LanePoint {
    std::int64_t frame = 0; // position in the file
    double plain = 0;       // real value
};
struct AutomationLane {
    std::uint32_t id = 0;          // host parameter ID
    bool stepped = false;          // a switch or list: holds each value until the next point
    double startPlain = 0;         // the value before the first point (from preset and --set)
    std::vector<LanePoint> points; // at least one
};

// The lane's real value at `frame`: the start value before the first point, then straight
// lines between points (steps for stepped parameters), then the last point's value.
double LaneValueAt(const AutomationLane& lane, std::int64_t frame);

// A change for one block's queue, at an absolute frame.
struct ScheduledChange {
    std::uint32_t id = 0;   // host parameter ID
    double normalized = 0;  // what the host sends
    std::int64_t frame = 0; // absolute sample position
};

// Points of a ramp placed in each block it crosses, at most one per kMinRampSpacing frames; the
// last sits on the block's final frame, so an effect that applies a queue's last point to its
// whole block gets the block-end value.
inline constexpr int kRampPointsPerBlock = 8;
inline constexpr int kMinRampSpacing = 32;
// Points one block's queue may carry for one parameter (the host kit's queue capacity).
inline constexpr int kMaxPointsPerQueue = 64;

// The changes that carry `lanes` through `frames` frames in blocks of `blockSize`, for lanes
// whose value at frame 0 is already in place. Blocks where a lane stays where it was get no
// points. `toNormalized` converts a real value of a parameter.
std::vector<ScheduledChange>
PlanAutomation(const std::vector<AutomationLane>& lanes, std::int64_t frames, int blockSize,
               const std::function<double(std::uint32_t, double)>& toNormalized);

} // namespace torvik::render
