#pragma once
// Answers of reads kept while the database is as it was when they were
// read: the next request of the same call with the same arguments gets the
// same answer without a query, a packet or an encoding. Any commit, by this
// server or another program on the same file, changes the store's commit
// stamp, and the whole cache is dropped at the first look after it. Safe
// from several threads at once.
#include "server/store/store.h"

#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace totem::server {

class AnswerCache {
 public:
  // The answers kept at most, in bytes of text; past it the cache starts
  // over: it holds what readers ask for now.
  static constexpr std::size_t kMaxBytes = 8 * 1024 * 1024;

  // The answer kept for key under stamp.
  std::optional<std::string> Find(const CommitStamp& stamp, std::string_view key);
  // Keeps answer for key; stamp must have held from before the read that
  // made it until after it.
  void Keep(const CommitStamp& stamp, std::string key, std::string answer);

  // One key per call: the method and each argument, each with its length.
  static std::string Key(std::string_view method, const std::vector<std::string>& params);

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
      return std::hash<std::string_view>{}(text);
    }
  };
  // With mutex_ held: starts over when the database moved on.
  void Follow(const CommitStamp& stamp);

  std::mutex mutex_;
  CommitStamp stamp_{};
  std::unordered_map<std::string, std::string, Hash, std::equal_to<>> answers_;
  std::size_t bytes_ = 0;
};

}  // namespace totem::server
