#pragma once
// One sample of each channel, and a run of frames of both channels. The two
// channels pass every stage in lockstep.

namespace torvik {

struct Stereo {
    double left = 0.0;
    double right = 0.0;
};

// Frames a stage works on at once: a host block is processed in runs of at
// most this many frames, so the working buffers have a fixed size.
inline constexpr int kRunFrames = 128;

// Both channels of a run of frames, index 0 left, 1 right.
struct StereoRun {
    double ch[2][kRunFrames];
};

} // namespace torvik
