#pragma once
// The limits every event loop of a server shares, safe from any thread:
// how many kiosk reads one token and one address may hold waiting for a
// change, and how many bytes of answers may be built or on their way out at
// once. Both bound what a reading caller can make the server hold; neither
// ever stops a write.
#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace totem::server {

class WaitQuota {
 public:
  WaitQuota(std::size_t perToken, std::size_t perAddress)
      : perToken_(perToken), perAddress_(perAddress) {}

  // One more wait for this token (empty: none) and address; false, taking
  // nothing, when either is at its cap.
  bool Acquire(const std::string& token, const std::string& address);
  // A wait taken by Acquire ended.
  void Release(const std::string& token, const std::string& address);

 private:
  using Counts = std::unordered_map<std::string, std::size_t>;
  static void Lower(Counts& counts, const std::string& key);

  const std::size_t perToken_;
  const std::size_t perAddress_;
  std::mutex mutex_;
  Counts tokens_;
  Counts addresses_;
};

class AnswerBudget {
 public:
  explicit AnswerBudget(std::size_t bytes) : bytes_(bytes) {}

  // The answers held now reach the budget: a read that would build another
  // is refused until some are written.
  bool Exhausted() const { return held_.load(std::memory_order_relaxed) >= bytes_; }
  void Hold(std::size_t bytes) { held_.fetch_add(bytes, std::memory_order_relaxed); }
  // Bytes held by Hold were written or dropped. Once nothing is held after
  // more than a budget's worth was, the memory the answers used is handed
  // back to the system, so a burst of large answers does not stay in the
  // server's resident size.
  void Free(std::size_t bytes);

 private:
  const std::size_t bytes_;
  std::atomic<std::size_t> held_{0};
  std::atomic<std::size_t> sinceTrim_{0};
};

}  // namespace totem::server
