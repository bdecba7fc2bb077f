#pragma once
// One sample of each channel; the two channels pass every stage in lockstep.

namespace torvik {

struct Stereo {
    double left = 0.0;
    double right = 0.0;
};

} // namespace torvik
