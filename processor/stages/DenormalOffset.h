#pragma once
// The chain's guard against denormal numbers: the preamp adds this offset to
// every input sample on entry and the output stage takes it off again.

namespace torvik {

inline constexpr double kChainDenormalOffset = 1e-10;

} // namespace torvik
