#pragma once
// Timing helpers shared by the end-to-end benchmarks.
#include <algorithm>
#include <chrono>
#include <vector>

namespace totem::bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

inline double Median(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

}  // namespace totem::bench
