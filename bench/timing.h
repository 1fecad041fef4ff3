#pragma once
// Timing helpers shared by the end-to-end benchmarks.
#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace totem::bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

inline double Median(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

// The value of "--name N" on the command line, or the fallback.
inline int IntOption(int argc, char** argv, const std::string& name, int fallback) {
  for (int i = 1; i + 1 < argc; ++i)
    if (argv[i] == name) return std::stoi(argv[i + 1]);
  return fallback;
}

}  // namespace totem::bench
