#pragma once
// Timing helpers shared by the end-to-end benchmarks.
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
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

struct Stats {
  double p50_us = 0, p99_us = 0, max_us = 0;
};

inline double Micros(Clock::duration d) {
  return std::chrono::duration<double, std::micro>(d).count();
}

inline Stats Percentiles(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return {samples[samples.size() / 2],
          samples[std::min(samples.size() - 1, samples.size() * 99 / 100)], samples.back()};
}

// Latency of one client making `calls` calls in a row, after a warm-up.
inline Stats Latency(int calls, const std::function<void()>& call) {
  for (int i = 0; i < std::min(calls / 10, 200); ++i) call();
  std::vector<double> samples;
  samples.reserve(static_cast<std::size_t>(calls));
  for (int i = 0; i < calls; ++i) {
    const auto t0 = Clock::now();
    call();
    samples.push_back(Micros(Clock::now() - t0));
  }
  return Percentiles(std::move(samples));
}

// Latency of several subjects measured in turns of `block` calls each, so
// that a machine whose speed drifts during the run (a shared VM) weighs on
// every subject alike: their ratios compare the subjects, not the moments
// they were measured at.
inline std::vector<Stats> LatencyInTurns(int calls,
                                         const std::vector<std::function<void()>>& subjects,
                                         int block = 50) {
  std::vector<std::vector<double>> samples(subjects.size());
  for (const auto& call : subjects)
    for (int i = 0; i < std::min(calls / 10, 200); ++i) call();
  for (int done = 0; done < calls; done += block)
    for (std::size_t s = 0; s < subjects.size(); ++s)
      for (int i = done; i < std::min(calls, done + block); ++i) {
        const auto t0 = Clock::now();
        subjects[s]();
        samples[s].push_back(Micros(Clock::now() - t0));
      }
  std::vector<Stats> stats;
  for (auto& one : samples) stats.push_back(Percentiles(std::move(one)));
  return stats;
}

// The calling thread's CPU time (user and system) per call, in
// microseconds, over `calls` calls after a warm-up.
inline double CpuPerCall(int calls, const std::function<void()>& call) {
  auto cpu = [] {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 + usage.ru_utime.tv_usec +
           usage.ru_stime.tv_usec;
  };
  for (int i = 0; i < std::min(calls / 10, 200); ++i) call();
  const double start = cpu();
  for (int i = 0; i < calls; ++i) call();
  return (cpu() - start) / calls;
}

// Calls per second of `clients` threads, each with a client of its own made
// by makeClient (something with Call()), for a bounded time.
template <class MakeClient>
double Throughput(int clients, double seconds, const MakeClient& makeClient) {
  std::atomic<long long> total{0};
  std::atomic<bool> stop{false};
  std::vector<decltype(makeClient())> made;
  for (int i = 0; i < clients; ++i) made.push_back(makeClient());
  std::vector<std::thread> threads;
  const auto start = Clock::now();
  for (auto& client : made) {
    threads.emplace_back([&, c = client.get()] {
      long long n = 0;
      while (!stop.load(std::memory_order_relaxed)) {
        c->Call();
        ++n;
      }
      total += n;
    });
  }
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  stop = true;
  for (auto& t : threads) t.join();
  return static_cast<double>(total) / std::chrono::duration<double>(Clock::now() - start).count();
}

// One line of a figures table, with its ratio to a baseline when given one.
inline void Row(const char* what, double value, const char* unit, double baseline = 0,
                const char* baseName = nullptr) {
  if (baseName)
    std::printf("%-52s %12.1f %-8s %6.2fx %s\n", what, value, unit, value / baseline, baseName);
  else
    std::printf("%-52s %12.1f %-8s\n", what, value, unit);
}

}  // namespace totem::bench
